#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/deadline.h"
#include "protocol/host_access.h"
#include "shared/posix/unique_fd.h"

// What the capture host and the captures that reach it share on POSIX
// systems: the folder, the socket and the lock.
namespace orlenda::iecapt::host_socket {

// This user's folder for the socket and the lock: $XDG_RUNTIME_DIR, else
// iecapt-host-UID where the throw-away folders go (profileFolderBase), made
// if need be. Empty unless it is a folder of this user's that no one else
// may enter.
std::string hostFolder();
std::string socketPathIn(const std::string& folder);

// The folder's lock, by which one process at a time starts a host or lets
// go of the socket; held while this lives. Empty when not had by the deadline.
UniqueFd lockFolder(const std::string& folder, Deadline deadline);

// A connection to whoever listens at the path, when that is this user's
// socket and process (host_access). Empty when no one listens there (no
// socket, or one left by a host that has gone), or someone else does.
UniqueFd connectTo(const std::string& path);

// A new socket listening at the path, in place of anything there: only this
// user may open it. Empty when none can be made.
UniqueFd listenAt(const std::string& path);

// This process's user, and the user of the process at the other end of a
// connection: nothing when the system would not say.
host_access::UserId thisUser();
std::optional<host_access::UserId> peerUser(int fd);

// The limits of this process on what it and the browser it starts may use,
// "name=soft:hard" each: part of the host's identity, since a browser held
// to fewer files or less memory fails pages another would take. The
// open-files limit counts by its hard value only: the host, as the browser
// itself does, raises the soft one to it (raiseOpenFilesLimit).
std::vector<std::string> limitsOfThisProcess();
void raiseOpenFilesLimit();

// The tool's version and which build of it this is, so that a capture never
// talks to a host of another one, even of the same version.
std::string toolBuild(const std::string& version);

}  // namespace orlenda::iecapt::host_socket
