#pragma once

#include "platform/desktop.h"

namespace orlenda::platform {

class QtDesktop final : public Desktop {
public:
    std::string desktopFolder() const override;
    std::string picturesFolder() const override;
    std::string homeFolder() const override;
    void openWebPage(const std::string& address) override;
    void setApplicationTitle(const std::string& title) override;
    void endProgram(const ProgramEnd& end) override;
};

}  // namespace orlenda::platform
