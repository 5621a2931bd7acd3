// consoletext.cpp - code page conversion at the console's edge.
#include "console/consoletext.h"

#include <windows.h>

namespace {

std::wstring Widen(UINT codePage, const std::string& text) {
    if (text.empty())
        return std::wstring();
    const int size = static_cast<int>(text.size());
    const int wide = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring out(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, &out[0], wide);
    return out;
}

std::string Narrow(UINT codePage, const std::wstring& text) {
    if (text.empty())
        return std::string();
    const int size = static_cast<int>(text.size());
    const int narrow =
        WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(narrow), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), size, &out[0], narrow, nullptr, nullptr);
    return out;
}

HANDLE Handle(ConsoleStream stream) {
    return GetStdHandle(stream == ConsoleStream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

void WriteWide(ConsoleStream stream, const std::wstring& text) {
    HANDLE handle = Handle(stream);
    DWORD mode = 0;
    const UINT codePage = GetConsoleMode(handle, &mode) ? GetConsoleOutputCP() : GetACP();
    PrintBytes(stream, Narrow(codePage, text));
}

} // namespace

void PrintText(ConsoleStream stream, const std::string& cp932) {
    WriteWide(stream, Widen(932, cp932));
}

void PrintUtf8Text(ConsoleStream stream, const std::string& utf8) {
    WriteWide(stream, Widen(CP_UTF8, utf8));
}

void PrintBytes(ConsoleStream stream, const std::string& bytes) {
    HANDLE handle = Handle(stream);
    DWORD written = 0;
    if (!bytes.empty())
        WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

bool StdinIsConsole() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

std::string ReadConsoleLine() {
    if (!StdinIsConsole())
        return "";
    wchar_t buffer[256];
    DWORD read = 0;
    if (!ReadConsoleW(GetStdHandle(STD_INPUT_HANDLE), buffer, 255, &read, nullptr))
        return "";
    std::wstring line(buffer, read);
    while (!line.empty() && (line.back() == L'\n' || line.back() == L'\r'))
        line.pop_back();
    return Narrow(CP_UTF8, line);
}

std::string Utf8FromSystemText(const std::string& cp932) {
    return Narrow(CP_UTF8, Widen(932, cp932));
}

std::string QuotedLine(const std::string& line) {
    constexpr size_t kShownBytes = 60;
    std::string shown = line;
    while (!shown.empty() && (shown.back() == '\n' || shown.back() == '\r'))
        shown.pop_back();
    if (shown.size() <= kShownBytes)
        return "「" + shown + "」";
    size_t cut = 0;
    while (cut < kShownBytes) {
        const size_t next = cut + (IsDBCSLeadByteEx(932, static_cast<BYTE>(shown[cut])) ? 2 : 1);
        if (next > kShownBytes)
            break;
        cut = next;
    }
    return "「" + shown.substr(0, cut) + "…」";
}
