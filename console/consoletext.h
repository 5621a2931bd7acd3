// consoletext.h - the console program's output. The system's texts are code
// page 932 bytes; they are written in the console's output code page, or in
// the system's ANSI code page when the stream is redirected to a file or a
// pipe, so that they read correctly either way. JSON goes out as UTF-8.
#pragma once

#include <string>

enum class ConsoleStream { Out, Err };

// Writes code page 932 text as the stream's code page wants it.
void PrintText(ConsoleStream stream, const std::string& cp932);
// Writes UTF-8 text converted the same way.
void PrintUtf8Text(ConsoleStream stream, const std::string& utf8);
// Writes bytes unchanged (UTF-8 JSON).
void PrintBytes(ConsoleStream stream, const std::string& bytes);

// A line typed at the console, "" when input is not a console or ends.
bool StdinIsConsole();
std::string ReadConsoleLine();

// UTF-8 of code page 932 text.
std::string Utf8FromSystemText(const std::string& cp932);

// A line of a file as a message quotes it: 「text」 without its line end,
// shortened on a character boundary.
std::string QuotedLine(const std::string& line);
