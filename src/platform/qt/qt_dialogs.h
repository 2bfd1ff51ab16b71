#pragma once

#include "platform/dialogs.h"
#include "platform/events.h"

class QWidget;

namespace orlenda::platform {

class QtDialogs final : public Dialogs {
public:
    explicit QtDialogs(QWidget& owner);

    void messageBox(const std::string& text, int style, const std::string& caption) override;
    std::string inputBox(const std::string& prompt, const std::string& caption) override;

private:
    QWidget& m_owner;
};

class QtEventPump final : public EventPump {
public:
    void processEvents() override;
};

}  // namespace orlenda::platform
