#pragma once

#include <string>

namespace orlenda::platform {

// Options of the file-open dialog, as bits of its flags.
inline constexpr long kOpenReadOnlyTicked = 0x1;
inline constexpr long kOpenExplorerStyle = 0x80000;
inline constexpr long kOpenLongNames = 0x200000;

// The main window's file dialog: properties set one by one, then shown.
// A filter lists description and pattern pairs, all separated by "|", as in
// "Text Files (*.txt)|*.txt|All Files (*.*)|*.*"; the first pair is in force
// when the dialog opens.
class CommonDialog {
public:
    virtual ~CommonDialog() = default;

    virtual std::string fileName() const = 0;
    virtual void setFileName(const std::string& path) = 0;
    virtual void setFlags(long flags) = 0;
    virtual void setDialogTitle(const std::string& title) = 0;
    virtual void setFilter(const std::string& filter) = 0;
    // The folder the dialog opens at.
    virtual void setInitDir(const std::string& folder) = 0;
    // Shows the modal file-open dialog. Accepting sets the file name to the
    // full path chosen or typed; cancelling leaves it as it was.
    virtual void showOpen() = 0;
};

}  // namespace orlenda::platform
