// illegalnorlog.cpp - counting and describing illegal NOR operations.
#include "illegalnorlog.h"

#include "boardconfig.h"
#include "winfile.h"

namespace simboard {

namespace {

std::string LogPath(const std::string& dir) {
    return JoinPath(ToWindowsPath(dir), kIllegalNorLogFileName);
}

} // namespace

bool RecordIllegalNorOp(const std::string& dir, BoardConfig& config, const std::string& text) {
    ++config.illegalNorOps;
    const std::string line = text + "\r\n";
    const bool saved = SaveConfig(dir, config);
    return WinFile::OpenForAppend(LogPath(dir))
               .Append(line.data(), static_cast<uint32_t>(line.size())) &&
           saved;
}

int CountIllegalNorOps(const std::string& dir) {
    BoardConfig config;
    return LoadConfig(dir, config) ? config.illegalNorOps : -1;
}

std::vector<std::string> ReadIllegalNorLog(const std::string& dir) {
    return ReadTextLines(LogPath(dir));
}

bool ClearIllegalNorOps(const std::string& dir) {
    BoardConfig config;
    if (!LoadConfig(dir, config))
        return false;
    config.illegalNorOps = 0;
    if (!SaveConfig(dir, config))
        return false;
    return !FileExists(LogPath(dir)) || DeleteFileA(LogPath(dir).c_str()) != FALSE;
}

} // namespace simboard
