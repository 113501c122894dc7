#pragma once
// Text for standard output and standard error. The program's texts are UTF-8 and Russian;
// a Windows console shows a byte stream in its own code page, so there the text goes to the
// console as UTF-16. Redirected to a file or a pipe, and everywhere else, it is written as
// the UTF-8 bytes.
#include <cstdio>
#include <string_view>

namespace kelmo {

// Writes the text as it is (add the line break yourself) and flushes the stream.
void writeConsoleText(std::FILE* stream, std::string_view text);
// The text followed by a line break.
void writeConsoleLine(std::FILE* stream, std::string_view text);

// A windowed Windows program (kelmo.exe) has no console of its own, and started from a
// command prompt without redirection it has no standard output or error either. For the
// commands that print, those that it lacks then go to the console of the program that
// started it, when that has one. Nothing changes elsewhere or when both are there.
void useParentConsoleWhenDetached();
// False when text written to standard error reaches nobody: a windowed Windows program
// started from Explorer or a shortcut. Always true off Windows.
bool standardErrorIsConnected();

}  // namespace kelmo
