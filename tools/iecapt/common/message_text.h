#pragma once

#include <string>
#include <string_view>

namespace orlenda::iecapt {

// Messages quote addresses and browser output: control characters become
// blanks, so each message stays one line.
std::string oneLine(std::string_view text);

// An address as a message quotes it: one line, and a long one cut to its
// first part, saying how long it was, so a 100 KB address does not become a
// 100 KB reason. Cut only between UTF-8 characters.
std::string shortAddress(std::string_view url);

// Chromium's own log lines ("[pid:tid:date:LEVEL:file(line)] text") say
// nothing a user can act on; the other lines a browser writes may.
bool isBrowserLogLine(std::string_view line);

}  // namespace orlenda::iecapt

namespace orlenda::iecapt {

// The browser's reason a page did not load ("net::ERR_..."), with the words a
// user understands put first where there are such.
std::string describeLoadError(std::string_view errorText);

// A note on an HTTP error status the page was sent with, naming the address
// the page finally came from.
std::string describeHttpStatus(int status, std::string_view statusText, std::string_view url);

}  // namespace orlenda::iecapt
