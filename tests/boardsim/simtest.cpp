// simtest.cpp - helpers of the board simulator's tests.
#include "simtest.h"

#include <cstring>

namespace simtest {

void BoardTest::SetUp() {
    h = board.Open();
    ASSERT_NE(h, 0);
    simboard::ClearTrace(board.Dir());
}

void BoardTest::TearDown() {
    if (h != 0)
        CloseIPDev(h);
}

void BoardTest::Reopen() {
    CloseIPDev(h);
    h = board.Open();
    ASSERT_NE(h, 0);
}

std::vector<std::string> BoardTest::TraceLines() const {
    std::vector<std::string> lines;
    for (const auto& entry : simboard::ReadTrace(board.Dir()))
        lines.push_back(entry.line);
    return lines;
}

namespace {

uint64_t Fnv(const std::vector<uint8_t>& bytes) {
    uint64_t hash = 1469598103934665603ull;
    for (uint8_t b : bytes) {
        hash ^= b;
        hash *= 1099511628211ull;
    }
    return hash;
}

} // namespace

uint64_t MainDigest(const std::string& dir) {
    return Fnv(Main(dir, 0, simboard::MainFlashSize(dir)));
}

uint64_t SpiDigest(const std::string& dir) {
    simboard::BoardConfig config;
    simboard::LoadConfig(dir, config);
    return Fnv(Spi(dir, 0, config.spiSize));
}

std::vector<uint8_t> Main(const std::string& dir, uint32_t address, uint32_t length) {
    std::vector<uint8_t> bytes(length);
    EXPECT_TRUE(simboard::ReadMainFlash(dir, address, bytes.data(), length));
    return bytes;
}

std::vector<uint8_t> Spi(const std::string& dir, uint32_t address, uint32_t length) {
    std::vector<uint8_t> bytes(length);
    EXPECT_TRUE(simboard::ReadSpiFlash(dir, address, bytes.data(), length));
    return bytes;
}

std::vector<uint8_t> Filled(size_t length, uint8_t value) {
    return std::vector<uint8_t>(length, value);
}

std::string WritePcFile(const std::string& dir, const std::string& name,
                        const std::vector<uint8_t>& bytes) {
    std::string path = dir + "\\" + name;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    if (!bytes.empty())
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return path;
}

std::vector<uint8_t> FirmwareFile(uint32_t version, size_t length, uint8_t fill) {
    std::vector<uint8_t> bytes(length, fill);
    if (length >= 8)
        std::memcpy(bytes.data() + 4, &version, 4);
    return bytes;
}

namespace {

std::string ReadAll(const std::string& path) {
    std::string text;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
        text.append(buffer, got);
    CloseHandle(file);
    // Console output of a Windows program ends lines with CR LF.
    std::string plain;
    for (char c : text) {
        if (c != '\r')
            plain += c;
    }
    return plain;
}

HANDLE InheritableFile(const std::string& path) {
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

DWORD RunProgram(const std::string& exe, const std::string& arguments, std::string* out,
                 std::string* err) {
    testboard::TempDir outputs;
    const std::string outPath = outputs.Path() + "\\out.txt";
    const std::string errPath = outputs.Path() + "\\err.txt";
    HANDLE outFile = InheritableFile(outPath);
    HANDLE errFile = InheritableFile(errPath);
    std::string path = testboard::ExeDir() + "\\" + exe;
    std::string commandLine = "\"" + path + "\" " + arguments;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = outFile;
    si.hStdError = errFile;
    PROCESS_INFORMATION pi = {};
    DWORD code = STILL_ACTIVE;
    if (CreateProcessA(path.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                       &pi)) {
        if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0)
            GetExitCodeProcess(pi.hProcess, &code);
        else
            TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    CloseHandle(outFile);
    CloseHandle(errFile);
    if (out != nullptr)
        *out = ReadAll(outPath);
    if (err != nullptr)
        *err = ReadAll(errPath);
    return code;
}

} // namespace simtest
