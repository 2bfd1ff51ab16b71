#pragma once

#include <QProgressBar>

namespace orlenda::platform {

// A progress bar that shows its text exactly as given. QProgressBar's own
// format treats "%p", "%v" and "%m" as placeholders, which an address or a
// message may well contain. A text wider than the bar is cut in the middle,
// so that the beginning of an address and the count after it stay in sight.
class TextProgressBar final : public QProgressBar {
public:
    using QProgressBar::QProgressBar;

    QString text() const override {
        return fontMetrics().elidedText(m_text, Qt::ElideMiddle, width() - kTextMargin);
    }
    void setText(const QString& text) {
        m_text = text;
        update();
    }

private:
    static constexpr int kTextMargin = 8;  // pixels kept free at each end, both together

    QString m_text;
};

}  // namespace orlenda::platform
