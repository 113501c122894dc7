#pragma once
// The settings script file: read and written whole. The file holds Windows-1251 bytes with
// CR LF line ends; in memory the lines are UTF-8. A file already in UTF-8 is read as such
// (and written back in Windows-1251).
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kelmo {

// A script file that cannot be read or written; the message names the file and the
// system's reason.
class SettingsFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Splits at CR LF, LF or CR; a line break at the very end makes no empty last line.
std::vector<std::string> splitScriptLines(std::string_view text);
// Every line followed by CR LF: the script text handed to the engine and the file content.
std::string joinScriptLines(const std::vector<std::string>& lines);

// The lines of the file, converted to UTF-8 unless they are UTF-8. Throws SettingsFileError.
std::vector<std::string> readScriptFile(const std::string& fileName);
// Replaces the file by the lines, each converted to Windows-1251 and ended with CR LF.
// The old file is replaced only once the new content is on the disk: a failed write throws
// SettingsFileError and leaves the file as it was.
void writeScriptFile(const std::string& fileName, const std::vector<std::string>& lines);

}  // namespace kelmo
