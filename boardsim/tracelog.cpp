// tracelog.cpp - writing and reading trace.log.
#include "tracelog.h"

#include "boardconfig.h"
#include "winfile.h"

#include <algorithm>
#include <cstdlib>

namespace simboard {

TraceLine& TraceLine::Number(long long value) {
    m_args.push_back(std::to_string(value));
    return *this;
}

TraceLine& TraceLine::Address(uint32_t value) {
    m_args.push_back(Hex(value));
    return *this;
}

TraceLine& TraceLine::Text(const char* value) {
    if (value == nullptr) {
        m_args.push_back("null");
        return *this;
    }
    std::string quoted = "\"";
    // Line breaks and quotes would break the one-line-per-call format.
    for (const char* p = value; *p != '\0'; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        quoted += (c < 0x20 || c == '"') ? '?' : *p;
    }
    quoted += '"';
    m_args.push_back(quoted);
    return *this;
}

std::string TraceLine::Call() const {
    std::string call = m_function + "(";
    for (size_t i = 0; i < m_args.size(); ++i) {
        if (i > 0)
            call += ", ";
        call += m_args[i];
    }
    return call + ")";
}

std::string TraceLine::Format(long long result) const {
    return Call() + " = " + std::to_string(result);
}

bool AppendTraceLine(const std::string& dir, const std::string& line) {
    WinFile file = WinFile::OpenForAppend(JoinPath(ToWindowsPath(dir), kTraceFileName));
    std::string text = line + "\r\n";
    return file.Append(text.data(), static_cast<uint32_t>(text.size()));
}

namespace {

std::vector<std::string> SplitArgs(const std::string& text) {
    std::vector<std::string> args;
    if (text.empty())
        return args;
    std::string current;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"')
            quoted = !quoted;
        if (!quoted && c == ',' && i + 1 < text.size() && text[i + 1] == ' ') {
            args.push_back(current);
            current.clear();
            ++i;
            continue;
        }
        current += c;
    }
    args.push_back(current);
    return args;
}

} // namespace

TraceEntry ParseTraceLine(const std::string& line) {
    TraceEntry entry;
    entry.line = line;
    entry.function = line;
    size_t open = line.find('(');
    size_t close = line.rfind(") = ");
    if (open == std::string::npos || close == std::string::npos || close < open)
        return entry;
    std::string resultText = line.substr(close + 4);
    char* end = nullptr;
    long long result = std::strtoll(resultText.c_str(), &end, 10);
    if (resultText.empty() || end == nullptr || *end != '\0')
        return entry;
    entry.function = line.substr(0, open);
    entry.args = SplitArgs(line.substr(open + 1, close - open - 1));
    entry.result = result;
    return entry;
}

std::vector<TraceEntry> ReadTrace(const std::string& dir) {
    std::vector<TraceEntry> entries;
    for (const std::string& line : ReadTextLines(JoinPath(ToWindowsPath(dir), kTraceFileName)))
        entries.push_back(ParseTraceLine(line));
    return entries;
}

int CountTraceCalls(const std::string& dir, const std::string& function) {
    auto trace = ReadTrace(dir);
    return static_cast<int>(std::count_if(
        trace.begin(), trace.end(), [&](const TraceEntry& e) { return e.function == function; }));
}

bool IsFlashChangingCall(const std::string& function) {
    static const char* const kChanging[] = {
        "fmWriteProgram",       "fmSectorErase", "fmWriteDataBuffer",     "fmDelete",
        "fmFileCopy",           "fmWrite",       "SPIFLASH_sector_erase", "SPIFLASH_block_erase",
        "SPIFLASH_page_program"};
    return std::find(std::begin(kChanging), std::end(kChanging), function) != std::end(kChanging);
}

void ClearTrace(const std::string& dir) {
    std::string windowsDir = ToWindowsPath(dir);
    if (DirectoryExists(windowsDir))
        WriteWholeFile(JoinPath(windowsDir, kTraceFileName), std::string());
}

} // namespace simboard
