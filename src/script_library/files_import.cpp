// Files: the file-name and file-system routines of the system unit. Relative names resolve
// against the current folder, as the settings file does. A name is Windows-1251 in the
// script; one the file system gives back holds '?' for what the code page lacks.
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/cp1251.h"
#include "platform/file_path.h"
#include "script_library/import_table.h"
#include "script_library/standard_library.h"

namespace kelmo::script_library {

namespace {

namespace fs = std::filesystem;
using script::NativeCall;
using script::Value;

#ifdef _WIN32
constexpr char kPathDelimiter = '\\';
#else
constexpr char kPathDelimiter = '/';
#endif

// Scripts moved from Windows write '\'; both delimiters split a name everywhere.
bool isDelimiter(char c) { return c == '/' || c == '\\'; }

// The index after the last delimiter (or drive colon): where the bare name begins.
std::size_t nameStart(std::string_view s) {
  std::size_t i = s.size();
  while (i > 0 && !isDelimiter(s[i - 1]) && s[i - 1] != ':') --i;
  return i;
}

// The index of the extension's dot, or npos.
std::size_t extensionStart(std::string_view s) {
  const std::size_t dot = s.rfind('.');
  return dot != std::string_view::npos && dot >= nameStart(s) ? dot : std::string_view::npos;
}

class FilesImport final : public TableImport {
 public:
  explicit FilesImport(const ScriptFileNames& names) : TableImport("Files") {
    // The script's name of argument i, in the file system's form.
    auto pathOf = [names](const NativeCall& c, std::size_t i) { return names.resolve(c.arg(i).text()); };
    routines = {
        {"function FileExists(const FileName: string): Boolean", [pathOf](NativeCall& c) {
           std::error_code error;
           return Value(fs::is_regular_file(pathOf(c, 0), error));
         }},
        {"function DirectoryExists(const Directory: string): Boolean", [pathOf](NativeCall& c) {
           std::error_code error;
           return Value(fs::is_directory(pathOf(c, 0), error));
         }},
        {"function ForceDirectories(const Dir: string): Boolean", [pathOf](NativeCall& c) {
           if (c.arg(0).text().empty()) throw script::PascalException("EInOutError", "Unable to create directory");
           std::error_code error;
           fs::create_directories(pathOf(c, 0), error);
           return Value(!error && fs::is_directory(pathOf(c, 0), error));
         }},
        {"function DeleteFile(const FileName: string): Boolean", [pathOf](NativeCall& c) {
           std::error_code error;
           return Value(fs::is_regular_file(pathOf(c, 0), error) && fs::remove(pathOf(c, 0), error));
         }},
        {"function RenameFile(const OldName, NewName: string): Boolean", [pathOf](NativeCall& c) {
           // Refuses to replace an existing file, as the system's rename does there.
           std::error_code error;
           if (fs::exists(pathOf(c, 1), error)) return Value(false);
           fs::rename(pathOf(c, 0), pathOf(c, 1), error);
           return Value(!error);
         }},
        {"function GetCurrentDir: string", [](NativeCall&) {
           return Value(utf8ToCp1251(fileNameText(fs::current_path())));
         }},
        {"function ExpandFileName(const FileName: string): string", [](NativeCall& c) {
           std::error_code error;
           const fs::path path = filePath(cp1251ToUtf8(c.arg(0).text()));
           return Value(utf8ToCp1251(fileNameText(fs::absolute(path, error).lexically_normal())));
         }},
        {"function ExtractFileName(const FileName: string): string",
         [](NativeCall& c) { return Value(c.arg(0).text().substr(nameStart(c.arg(0).text()))); }},
        {"function ExtractFilePath(const FileName: string): string",
         [](NativeCall& c) { return Value(c.arg(0).text().substr(0, nameStart(c.arg(0).text()))); }},
        {"function ExtractFileDir(const FileName: string): string", [](NativeCall& c) {
           const std::string_view s = c.arg(0).text();
           std::size_t end = nameStart(s);
           if (end > 1 && isDelimiter(s[end - 1]) && s[end - 2] != ':') --end;
           return Value(s.substr(0, end));
         }},
        {"function ExtractFileExt(const FileName: string): string", [](NativeCall& c) {
           const std::string_view s = c.arg(0).text();
           const std::size_t dot = extensionStart(s);
           return Value(dot == std::string_view::npos ? std::string_view() : s.substr(dot));
         }},
        {"function ChangeFileExt(const FileName, Extension: string): string", [](NativeCall& c) {
           const std::string_view s = c.arg(0).text();
           return Value(std::string(s.substr(0, std::min(extensionStart(s), s.size()))) + c.arg(1).asString());
         }},
        {"function IncludeTrailingPathDelimiter(const S: string): string", [](NativeCall& c) {
           std::string s = c.arg(0).asString();
           if (s.empty() || !isDelimiter(s.back())) s += kPathDelimiter;
           return Value(s);
         }},
        {"function ExcludeTrailingPathDelimiter(const S: string): string", [](NativeCall& c) {
           std::string s = c.arg(0).asString();
           if (!s.empty() && isDelimiter(s.back())) s.pop_back();
           return Value(s);
         }},
    };
  }
};

}  // namespace

std::shared_ptr<script::ImportPlugin> makeFilesImport(const ScriptFileNames& names) {
  return std::make_shared<FilesImport>(names);
}

}  // namespace kelmo::script_library
