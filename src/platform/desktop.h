#pragma once

#include <string>

namespace orlenda::platform {

// How the program's process ends.
struct ProgramEnd {
    // Written to standard error first: what would otherwise be lost.
    std::string standardError{};
    int exitStatus = 0;
    // The signal that asked the program to end: it ends as that signal's
    // default action ends a program, so its caller sees it was stopped so.
    int signal = 0;
};

// The desktop the program runs on, and the program's own process.
class Desktop {
public:
    virtual ~Desktop() = default;

    // The user's desktop folder as the desktop reports it, without a
    // separator at its end; empty text when it reports none.
    virtual std::string desktopFolder() const = 0;
    // The user's pictures and home folders, in the same form. A fresh
    // account may have none of its desktop and pictures folders yet.
    virtual std::string picturesFolder() const = 0;
    virtual std::string homeFolder() const = 0;
    // Opens the address in the user's web browser without waiting for it.
    // Throws when no browser can be started.
    virtual void openWebPage(const std::string& address) = 0;
    // The title that dialogs naming no caption of their own show.
    virtual void setApplicationTitle(const std::string& title) = 0;
    // Ends the process at once, from wherever it is called.
    virtual void endProgram(const ProgramEnd& end) = 0;
};

// A moment in local time, as a calendar and a clock on the wall show it.
struct LocalTime {
    int year = 0;
    int month = 0;  // 1 to 12
    int day = 0;    // 1 to 31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The local time of day.
class Clock {
public:
    virtual ~Clock() = default;

    virtual int secondsSinceMidnight() const = 0;
    virtual LocalTime now() const = 0;
};

}  // namespace orlenda::platform
