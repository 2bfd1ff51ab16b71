#pragma once

#include <string_view>

namespace orlenda {

// The capture tool's exit statuses, known on both sides of the process
// boundary from this one table: the tool ends with them and lists them in
// its --help, the program words a row the tool did not save by them.
enum class CaptureExit : int {
    Written = 0,
    Unexpected = 1,
    BadArguments = 2,
    BrowserFailed = 3,
    PageNotLoaded = 4,
    TimedOut = 5,
    OutputNotWritten = 6,
    PictureTooLarge = 7,
};

struct CaptureExitMeaning {
    CaptureExit status;
    // Why a row was not saved, where the tool's own last words are missing.
    std::string_view reason;
    // Its entry under "Exit status:" in iecapt --help; later lines indented.
    std::string_view help;
};

inline constexpr CaptureExitMeaning kCaptureExits[] = {
    {CaptureExit::Written, "", "the image was written"},
    {CaptureExit::Unexpected, "the capture tool failed unexpectedly", "unexpected failure"},
    {CaptureExit::BadArguments, "the address is not a web page address",
     "bad arguments, or an address that is not a web page"},
    {CaptureExit::BrowserFailed, "the web browser could not be started or stopped working",
     "the browser could not be found, did not start or stopped working"},
    {CaptureExit::PageNotLoaded, "the page could not be loaded",
     "the page could not be loaded (unknown host, refused connection, a login\n"
     "     asked for, a PDF document, a move to an address that is not a web page,\n"
     "     a request it cannot show without that still hangs when loaded again)"},
    {CaptureExit::TimedOut, "the capture took too long (timed out)",
     "the capture did not finish within --timeout"},
    {CaptureExit::OutputNotWritten, "the image could not be written",
     "the image could not be written (a missing or read-only folder, or a\n"
     "     name too long for it, is found before the browser starts)"},
    {CaptureExit::PictureTooLarge,
     "the largest picture the capture's options allow needs more memory than the computer "
     "has available",
     "the largest picture the options allow needs more memory than the\n"
     "     system has available"},
};

// The meaning of an exit status the tool may end with; nullptr for any other.
constexpr const CaptureExitMeaning* CaptureExitMeaningOf(int status) {
    for (const CaptureExitMeaning& meaning : kCaptureExits) {
        if (static_cast<int>(meaning.status) == status) return &meaning;
    }
    return nullptr;
}

}  // namespace orlenda
