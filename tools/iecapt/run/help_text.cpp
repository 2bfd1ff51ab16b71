#include "run/help_text.h"

#include <string_view>

#include "common/exit_code.h"
#include "system/browser_process.h"
#include "system/signal_watch.h"

namespace orlenda::iecapt {
namespace {

std::string exitStatusHelp() {
    std::string help = "Exit status:\n";
    for (const CaptureExitMeaning& meaning : kCaptureExits) {
        help += "  " + std::to_string(static_cast<int>(meaning.status)) + "  " +
                std::string(meaning.help) + "\n";
    }
    return help;
}

// What the help says of the capture host, which Windows has none of yet.
std::string_view hostHelp() {
#ifdef _WIN32
    return "On Windows every capture starts a browser of its own: --no-host changes\n"
           "nothing there.\n";
#else
    return "The captures that follow one another share one browser, kept by a capture\n"
           "host: the first starts it (this same tool, in the background), the next\n"
           "ones capture through it, each in a browser context of its own that nothing\n"
           "of another capture reaches and that goes when it ends. The host listens on\n"
           "a socket only this user can open, iecapt-host.socket in $XDG_RUNTIME_DIR\n"
           "(else in iecapt-host-UID in the temporary folder), and ends when no capture\n"
           "has come for IECAPT_HOST_IDLE seconds (30 when empty; 0 to 3600), or at\n"
           "once when its browser goes. A host serves only captures of its own build,\n"
           "browser, environment and process limits (ulimit); a capture that no host\n"
           "can serve starts a browser of its own and says nothing of it.\n"
           "IECAPT_NO_HOST=1 does what --no-host does.\n";
#endif
}

}  // namespace

std::string helpText() {
    // Where the browser is looked for and how a stop ends differ by platform.
    // "  or:" marks the second form, so that help2man puts both in the manual's synopsis.
    return R"(Usage: iecapt [options] ADDRESS FILE
  or:  iecapt --url=ADDRESS --out=FILE [options]

Renders the web page at ADDRESS with headless Chromium and saves it as an
image at FILE: JPEG, PNG or WebP, as the file's extension says (.jpg, .jpeg,
.png, .webp; no extension means JPEG). The image is written to a temporary
file beside FILE and moved into place only when it is complete, so an
existing file is replaced only by a good capture, and only when it is a
regular file.

  --url=ADDRESS        the page to capture: an http: or https: address, or
                       one without a scheme, which gets http://;
                       percent-encoded characters are kept
  --out=FILE           the image file to write

Options (--name=value and --name value both work):
  --width=PIXELS       width of the browser's viewport and of the image
                       (1-16384, default 1024)
  --height=PIXELS      height of the viewport (1-16384, default 768)
  --viewport-only      capture only the viewport; by default the whole page
  --max-height=PIXELS  cut whole pages taller than this (1-65500, default
                       65500; WebP images stop at 16383); a cut page is
                       reported on standard error
  --quality=N          JPEG and WebP quality, 1-100 (default 90)
  --settle=MS          the longest wait, once the page has loaded, for it to
                       settle: network quiet, workers answered, animations
                       ended, no more changes (default 3000); on a busy
                       machine the quiet it waits for grows with how late
                       the page runs
  --slow-cpu=N         run the page's scripts N times slower, as a slow or
                       busy machine would (1-20, default 1)
  --delay=MS           milliseconds to wait after the page has settled,
                       before the capture (default 0)
  --timeout=SECONDS    limit for the whole capture, browser start included
                       (default 60, longer for larger pictures: see below);
                       what the page asked for and has not had an answer
                       to after a third of it (15 s at most) is given up:
                       the page is loaded again without it and captured as
                       a browser shows it once those requests fail, with a
                       warning naming their hosts
  --user-agent=TEXT    the User-Agent to send (default: the browser's own,
                       without "Headless")
  --ignore-certificate-errors
                       load HTTPS pages whose certificate is not trusted
  --allow-file-urls    also capture file: addresses, on purpose
  --keep-consent-banners
                       leave cookie and consent banners as a first visitor
                       sees them; by default they are answered with the
                       least consent (reject, or necessary cookies only), or
                       hidden where they offer no choice, before the capture
)" + std::string(browserSearchHelp()) +
           R"(  --no-host            start a browser for this capture alone, never the
                       capture host's (below)
  --timings            print how long each phase took on standard error
  -h, --help           show this text and exit
  --version            show the version and exit

The defaults are measured for pictures up to 1024 x 65,500 px. For a
larger one (a wider window, or a large one with --viewport-only) the tool
says at the start how long the largest picture the options allow may take
and how much memory it needs; without --timeout, the time-out grows to that
(0.4 s a million pixels more; 463 s at 16384 x 65,500 px). One that needs
more memory than the system has available is refused before the browser
starts (exit status 7).

A page that answers with an HTTP error status (404, 500...) is captured as
the server sent it, with a warning. A consent banner that was closed gets a
note; the rules that close them (autoconsent, by DuckDuckGo) ship beside the
tool, and their answer lives only in the capture's own browser context.
Warnings, notes and errors go to standard error, one line each, beginning
"iecapt: warning: ", "iecapt: note: " and "iecapt: error: "; after a failure
its reason is the last line.

)" + std::string(hostHelp()) +
           "\n" + exitStatusHelp() + "\n" + std::string(stopHelp());
}

std::string versionText() { return "iecapt " IECAPT_VERSION " (Orlenda)\n"; }

}  // namespace orlenda::iecapt
