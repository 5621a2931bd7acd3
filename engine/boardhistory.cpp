// boardhistory.cpp - appending to and reading the board history.
#include "engine/boardhistory.h"

#include "firmware/recoveryrecord.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>

const char kHistoryDone[] = "done";
const char kHistoryFailed[] = "failed";
const char kSettingsWrittenChange[] = "boot settings written";
const char kBoardResetChange[] = "board reset";

namespace {

int s_boardNo = -1;
std::string s_address = "-";
int s_failures = 0;

std::string Utf8FromCp932(const std::string& text) {
    if (text.empty())
        return text;
    int wide = MultiByteToWideChar(932, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(932, 0, text.data(), static_cast<int>(text.size()), &w[0], wide);
    int narrow = WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(narrow), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, &out[0], narrow, nullptr, nullptr);
    return out;
}

// One field of a line: no tabs or line breaks inside.
std::string Field(const std::string& text) {
    std::string field;
    for (char c : text)
        field += (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
    return field;
}

std::string BoardField(int boardNo) {
    return "board " + std::to_string(boardNo);
}

} // namespace

std::string ClockSetChange(const SYSTEMTIME& time) {
    char text[64];
    std::snprintf(text, sizeof(text), "clock set to %04u-%02u-%02u %02u:%02u:%02u", time.wYear,
                  time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond);
    return text;
}

void SetHistoryBoard(int boardNo) {
    s_boardNo = boardNo;
}

void SetHistoryHardwareAddress(const std::string& address) {
    s_address = address.empty() ? "-" : address;
}

std::string BoardHistoryPath() {
    char base[MAX_PATH] = {};
    if (SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, base) != S_OK ||
        base[0] == '\0')
        return "";
    std::string folder = std::string(base) + "\\Tarnel2";
    CreateDirectoryA(folder.c_str(), nullptr); // already there is fine
    return folder + "\\history.log";
}

void RecordBoardChange(const std::string& what, const char* result) {
    const std::string path = BoardHistoryPath();
    if (path.empty())
        return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    char time[32];
    std::snprintf(time, sizeof(time), "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute, now.wSecond);
    const std::string line = std::string(time) + "\t" + BoardField(s_boardNo) + "\t" + s_address +
                             "\t" + Field(Utf8FromCp932(what)) + "\t" + result + "\r\n";
    // One write of the whole line to the end of the file, so that two tools
    // on two boards do not mix their lines.
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

void RecordBoardFailure(const char* message) {
    ++s_failures;
    RecordBoardChange(message, kHistoryFailed);
}

int BoardFailureCount() {
    return s_failures;
}

std::vector<std::string> ReadBoardHistory(int boardNo) {
    std::vector<std::string> lines;
    // The whole file, so that no line is split however long it is, nor cut
    // at a stray NUL.
    std::string text;
    if (!ReadWholeLocalFile(BoardHistoryPath(), text))
        return lines;
    const std::string board = "\t" + BoardField(boardNo) + "\t";
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && (boardNo < 0 || line.find(board) != std::string::npos))
            lines.push_back(line);
    }
    return lines;
}
