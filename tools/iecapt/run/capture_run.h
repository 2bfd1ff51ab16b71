#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace orlenda::iecapt {

// Runs the tool for the arguments after the program name: help and version go
// to out; notes, errors and --timings to err, one line each. Returns the exit
// status, or minus the signal number when SIGINT or SIGTERM stopped it (by
// then the browser is gone and its folder removed). Any other failure is
// reported as unexpected, with exit status 1.
int runTool(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace orlenda::iecapt
