#pragma once

#include <QStringList>
#include <string>

#include "platform/common_dialog.h"

class QWidget;

namespace orlenda::platform {

// The file dialog, Qt's own on every desktop: it shows every file under "*.*"
// and accepts a typed name of a missing file when the flags allow it.
class QtCommonDialog final : public CommonDialog {
public:
    explicit QtCommonDialog(QWidget& owner);

    std::string fileName() const override;
    void setFileName(const std::string& path) override;
    void setFlags(long flags) override;
    void setDialogTitle(const std::string& title) override;
    void setFilter(const std::string& filter) override;
    void setInitDir(const std::string& folder) override;
    void showOpen() override;

private:
    QWidget& m_owner;
    std::string m_fileName;
    std::string m_title;
    std::string m_initDir;
    QStringList m_nameFilters;
};

}  // namespace orlenda::platform
