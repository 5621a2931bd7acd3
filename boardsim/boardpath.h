// boardpath.h - the board file system's path rule: "sys:\<name>" names the
// file <board folder>\sys\<name>; nothing else reaches the host.
#pragma once

#include <string>

namespace simboard {

// The file name of a board path, or false when the path is not a plain
// "sys:\<name>" (prefix case-insensitive; no folders, drive letters, "." or
// "..", or characters that Windows file names cannot hold).
bool BoardFileName(const char* boardPath, std::string& name);
// The host path of a board path within a board folder; false as above.
bool BoardFileHostPath(const std::string& dir, const char* boardPath, std::string& hostPath);

} // namespace simboard
