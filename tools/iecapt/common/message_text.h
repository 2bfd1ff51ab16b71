#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/exit_code.h"

namespace orlenda::iecapt {

// Messages quote addresses, browser output and what servers and pages say:
// control characters and line separators become blanks, format characters
// (bidirectional marks among them) visible escapes, so each message stays
// one line that reads as it is written.
std::string oneLine(std::string_view text);

// An address as a message quotes it: one line, and a long one cut to its
// first part, saying how long it was, so a 100 KB address does not become a
// 100 KB reason. Cut only between UTF-8 characters.
std::string shortAddress(std::string_view url);

// Text the page chose (a consent banner's name, an address it tried to go
// to): one line, cut to a few dozen characters, so no page can fill a
// message or push the lines after it out of what the caller reads.
std::string shortPageText(std::string_view text);

// Chromium's own log lines ("[pid:tid:date:LEVEL:file(line)] text", its
// crashpad's without pid and tid) say nothing a user can act on; the other
// lines a browser writes may ...
bool isBrowserLogLine(std::string_view line);
// ... and so does the text of a FATAL one, the browser's reason for quitting
// ("Socket path too long: ..."). Empty for any other line.
std::string fatalLogText(std::string_view line);

}  // namespace orlenda::iecapt

namespace orlenda::iecapt {

// The browser's reason a page did not load ("net::ERR_..."), as a sentence a
// user understands, with the code in brackets: "the host name could not be
// found (net::ERR_NAME_NOT_RESOLVED)". It never names the address: whoever
// reads it knows which one was asked for.
std::string describeLoadError(std::string_view errorText);

// Whether a failure may come of the browser's own plight rather than of the
// page: the browser quit, or failed the page with a code that a browser
// short of descriptors or memory gives any page (net::ERR_ABORTED among
// them, which a file download gives too).
bool mayBeTheBrowsersPlight(ExitCode code, std::string_view reason);
// Why a browser allowed fewer open files than it needs failed: "the browser
// ran out of open files: no more than 64 may be open here (ulimit -n)".
std::string outOfFilesReason(long long limit);

// A warning on an HTTP error status the page was sent with: "the server
// answered 404 Not Found"; the status's usual words when the server sent none.
std::string describeHttpStatus(int status, std::string_view statusText);

// A time-out, said once: "timed out while loading the page" after 60 s reads
// "timed out after 60 s while loading the page".
std::string describeTimeOut(int seconds, std::string_view failure);

// Warnings on a picture cut short: "the page is 84,689 px high; the picture
// shows its top 65,500 px", "... px wide; the picture shows its left ... px".
std::string heightCutWarning(int pageHeight, int shownHeight);
std::string widthCutWarning(int pageWidth, int shownWidth);

// Requests that never answered, by their hosts: "gave up waiting for
// a.example, b.example, c.example and 2 more hosts after 15 s". A few hosts
// are named, the rest counted, so the line stays short.
std::string gaveUpWaitingFor(const std::vector<std::string>& hosts, int seconds);
// The same hosts when the page never came without them: "the page did not
// load: gave up waiting for ...".
std::string notLoadedForHostsReason(const std::vector<std::string>& hosts, int seconds);
// A page that had not loaded at the cut-off, with nothing of its own to wait
// for: its scripts or its frames kept it busy.
std::string loadUnfinishedWarning(int seconds);

// What a picture beyond the usual size costs, said before the browser starts:
// "a picture up to 4,096 x 65,500 px may take up to 141 s and about 2.3 GB
// of memory", and "; --timeout=90 may end it first" when the time-out is
// shorter; and why one is refused: "a picture up to 16,384 x 65,500 px needs
// about 3.3 GB of memory and 1.9 GB is available; lower --width or
// --max-height" (or the option that sets its height).
std::string pictureCostNote(int width, int height, int seconds, std::int64_t bytes,
                            int timeoutSeconds);
std::string memoryRefusal(int width, int height, std::int64_t needed, std::int64_t available,
                          std::string_view heightOption);
// The consent-banner rules the tool ships were not found at the path.
std::string consentRulesMissingWarning(std::string_view path);

// The browser ended while the tool was at the activity: "the browser quit
// while loading the page". While the browser itself was starting, it is not
// named twice: "the browser quit while starting".
std::string describeBrowserQuit(std::string_view activity);

// A screenshot that is not a whole image of the format asked for ("jpeg").
std::string describeIncompleteImage(std::string_view formatName);

// What was done to a consent banner, and what is left of it in the picture,
// each naming the banner as the consent rules do: "closed a consent banner
// (Onetrust)", "hid a consent banner (...)", "a consent banner stayed on the
// page (...); captured with it", and a banner whose answer would have taken
// the browser to another page.
std::string consentClosedNote(std::string_view banner);
std::string consentHiddenNote(std::string_view banner);
std::string consentStayedWarning(std::string_view banner);
std::string consentLeftPageWarning(std::string_view banner, std::string_view destination);

// A page that did not settle: what still moved ("the network, timers"), and
// whether the budget was spent or the rest never ends.
std::string notSettledWarning(std::string_view moving, bool budgetSpent, int settleMs);
// A refresh the page scheduled to another address, due after the settling.
std::string refreshLaterWarning(std::string_view url, int seconds);
// Frames of other sites outside the window, which the browser leaves blank.
std::string blankFramesWarning(const std::vector<std::string>& hosts);

}  // namespace orlenda::iecapt
