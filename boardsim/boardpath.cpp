// boardpath.cpp - mapping of "sys:\" board paths to the board folder.
#include "boardpath.h"

#include "boardconfig.h"
#include "winfile.h"

#include <cstring>

namespace simboard {

namespace {

constexpr size_t kMaxNameLength = 200;

bool StartsWithSys(const char* path) {
    return _strnicmp(path, "sys:\\", 5) == 0;
}

bool IsAllowedName(const std::string& name) {
    if (name.empty() || name.size() > kMaxNameLength || name == "." || name == "..")
        return false;
    for (unsigned char c : name) {
        if (c < 0x20 || std::strchr("\\/:*?\"<>|", c) != nullptr)
            return false;
    }
    // Windows drops trailing dots and spaces, which would alias another name.
    return name.back() != '.' && name.back() != ' ';
}

} // namespace

bool BoardFileName(const char* boardPath, std::string& name) {
    if (boardPath == nullptr || !StartsWithSys(boardPath))
        return false;
    std::string candidate = boardPath + 5;
    if (!IsAllowedName(candidate))
        return false;
    name = candidate;
    return true;
}

bool BoardFileHostPath(const std::string& dir, const char* boardPath, std::string& hostPath) {
    std::string name;
    if (!BoardFileName(boardPath, name))
        return false;
    hostPath = JoinPath(JoinPath(ToWindowsPath(dir), kSysFolderName), name);
    return true;
}

} // namespace simboard
