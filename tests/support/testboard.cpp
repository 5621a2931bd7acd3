// testboard.cpp - temporary simulated boards and child processes for tests.
#include "testboard.h"

#include "boardlib/lm800mul.h"

#include <cstring>
#include <vector>

namespace testboard {

namespace {

std::string NewTempPath(const char* prefix) {
    char base[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, base);
    static unsigned counter = 0;
    for (;;) {
        char path[MAX_PATH * 2] = {};
        snprintf(path, sizeof(path), "%s%s%lu_%u_%lu", base, prefix, GetCurrentProcessId(),
                 ++counter, GetTickCount());
        if (CreateDirectoryA(path, nullptr))
            return path;
    }
}

} // namespace

void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string child = path + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

TempBoard::TempBoard(const simboard::CreateOptions& options) : m_dir(NewTempPath("rzboard")) {
    simboard::CreateBoard(m_dir, options);
    SetEnvironmentVariableA("LM800SIM_DIR", m_dir.c_str());
}

TempBoard::~TempBoard() {
    RemoveTree(m_dir);
}

simboard::BoardConfig TempBoard::Config() const {
    simboard::BoardConfig config;
    simboard::LoadConfig(m_dir, config);
    return config;
}

void TempBoard::SetConfig(const simboard::BoardConfig& config) const {
    simboard::SaveConfig(m_dir, config);
}

int TempBoard::Open(int* boardNo) const {
    unsigned char buffer[1024] = {};
    if (EnumAttachIPDev(buffer) == 0)
        return 0;
    int number = 0;
    std::memcpy(&number, buffer, sizeof(number));
    if (boardNo != nullptr)
        *boardNo = number;
    return OpenIPDev(number, 0);
}

TempDir::TempDir() : m_path(NewTempPath("rztest")) {}
TempDir::~TempDir() {
    RemoveTree(m_path);
}

std::string ExeDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    size_t slash = dir.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : dir.substr(0, slash);
}

DWORD Child::Wait(DWORD timeoutMs) {
    if (pi.hProcess == nullptr)
        return STILL_ACTIVE;
    if (WaitForSingleObject(pi.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(pi.hProcess, &code);
    return code;
}

void Child::Kill() {
    if (pi.hProcess != nullptr)
        TerminateProcess(pi.hProcess, 1);
}

Child::~Child() {
    if (pi.hProcess != nullptr) {
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
}

int IllegalNorOps(const std::string& dir) {
    return simboard::CountIllegalNorOps(dir);
}

bool StartChild(const std::string& exe, Child& child, const std::string& arguments) {
    std::string path = exe;
    if (path.find_first_of("\\/") == std::string::npos)
        path = ExeDir() + "\\" + exe;
    std::string commandLine = "\"" + path + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    return CreateProcessA(path.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          ExeDir().c_str(), &si, &child.pi) != FALSE;
}

} // namespace testboard
