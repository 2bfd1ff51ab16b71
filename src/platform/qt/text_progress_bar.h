#pragma once

#include <QProgressBar>

namespace orlenda::platform {

// A progress bar that shows its text exactly as given. QProgressBar's own
// format treats "%p", "%v" and "%m" as placeholders, which an address or a
// message may well contain.
class TextProgressBar final : public QProgressBar {
public:
    using QProgressBar::QProgressBar;

    QString text() const override { return m_text; }
    void setText(const QString& text) {
        m_text = text;
        update();
    }

private:
    QString m_text;
};

}  // namespace orlenda::platform
