#pragma once
// File and folder names. The program holds every name as UTF-8 text, whether it came from
// a script (decoded from Windows-1251 when the script was read), the command line or the
// environment; the file system gets it in its own form: UTF-16 on Windows, the bytes as
// they are elsewhere. Open files through these, never with a name's bytes directly, or a
// Cyrillic name reaches Windows through its ANSI code page and comes out garbled.
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace kelmo {

// The name as the file system takes it; std::fstream and std::filesystem accept it.
std::filesystem::path filePath(std::string_view name);
// A path back as UTF-8 text, for messages and scripts.
std::string fileNameText(const std::filesystem::path& path);

// std::fopen with the name in the file system's form; null with errno set on failure.
std::FILE* openFile(std::string_view name, const char* mode);
// POSIX open with the name in the file system's form (on Windows always in binary mode, the
// bytes as they are); -1 with errno set on failure.
int openFileDescriptor(std::string_view name, int flags, int permissions = 0666);

}  // namespace kelmo
