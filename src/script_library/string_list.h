#pragma once
// The list behind a script's TStringList: texts kept in order or sorted, with the
// name=value view, the comma text and the file form (Windows-1251 bytes, CR LF lines).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "script_library/script_file_names.h"

namespace kelmo::script_library {

enum class Duplicates { Ignore, Accept, Error };  // dupIgnore, dupAccept, dupError

class StringList {
 public:
  std::int64_t count() const { return static_cast<std::int64_t>(items_.size()); }
  // Index errors name the index and the range: "List index out of bounds (5). ...".
  const std::string& get(std::int64_t index) const;
  void put(std::int64_t index, std::string text);
  std::int64_t add(std::string text);  // the new item's index (sorted lists: where it went)
  void insert(std::int64_t index, std::string text);
  void remove(std::int64_t index);
  void exchange(std::int64_t a, std::int64_t b);
  void clear() { items_.clear(); }

  std::int64_t indexOf(std::string_view text) const;
  std::int64_t indexOfName(std::string_view name) const;
  std::string nameAt(std::int64_t index) const;
  std::string valueFromIndex(std::int64_t index) const;
  std::string value(std::string_view name) const;
  // An empty value removes the name's item; a new name adds "name=value".
  void setValue(std::string_view name, std::string_view value);

  void sort();
  bool sorted() const { return sorted_; }
  void setSorted(bool sorted);
  Duplicates duplicates() const { return duplicates_; }
  void setDuplicates(Duplicates d) { duplicates_ = d; }
  bool caseSensitive() const { return caseSensitive_; }
  void setCaseSensitive(bool on);

  // Every item followed by CR LF; setting splits at CR LF, LF or CR.
  std::string text() const;
  void setText(std::string_view text);
  // Items joined by the delimiter, quoted with '"' where they hold blanks, quotes or
  // delimiters; setting splits the same way (CommaText: delimiter ',').
  std::string delimitedText(char delimiter) const;
  void setDelimitedText(std::string_view text, char delimiter);

  // Names resolve through `names` (relative ones against the current folder). Errors
  // name the file.
  void loadFromFile(const std::string& fileName, const ScriptFileNames& names = {});
  // Replaces the file as a whole: written beside it first, then renamed over it.
  void saveToFile(const std::string& fileName, const ScriptFileNames& names = {}) const;

 private:
  int compare(std::string_view a, std::string_view b) const;
  // Where text belongs in the sorted list, and whether it is there already.
  std::int64_t find(std::string_view text, bool& found) const;
  void checkIndex(std::int64_t index, std::int64_t last) const;

  std::vector<std::string> items_;
  bool sorted_ = false;
  bool caseSensitive_ = false;
  Duplicates duplicates_ = Duplicates::Ignore;
};

}  // namespace kelmo::script_library
