#pragma once

#include <QString>

#include "platform/skin.h"

namespace orlenda::platform {

// A skin made of a Qt style sheet in a UTF-8 text file.
class StyleSheetSkin final : public SkinComponent {
public:
    void loadSkin(const std::string& skinFile) override;
    std::int32_t options() const override { return m_options; }
    void setOptions(std::int32_t bits) override { m_options = bits; }
    void setSkinAllWindows(bool on) override { m_allWindows = on; }
    void setKeepWindowColours(bool on) override { m_keepWindowColours = on; }
    void attachToWindow(MainWindow& window) override;

private:
    QString m_sheet;
    bool m_loaded = false;
    // Start-up turns all three on; the component still does what they say, so
    // that what it is told and what it does cannot part.
    std::int32_t m_options = 0;
    bool m_allWindows = false;
    bool m_keepWindowColours = false;
};

}  // namespace orlenda::platform
