#pragma once
// The list behind a script's TStringList: texts kept in order or sorted, with the
// name=value view, the comma text and the file form (the Windows-1251 bytes as they are,
// CR LF lines).
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
  // How DelimitedText joins and splits items: at the delimiter and, unless strict, at
  // blanks too; an item in quotes may hold either, a doubled quote standing for one.
  // CommaText always works as the defaults do.
  struct Delimiting {
    char delimiter = ',';
    char quote = '"';
    bool strict = false;
  };
  const Delimiting& delimiting() const { return delimiting_; }
  void setDelimiter(char c) { delimiting_.delimiter = c; }
  void setQuoteChar(char c) { delimiting_.quote = c; }
  void setStrictDelimiter(bool on) { delimiting_.strict = on; }
  std::string delimitedText() const { return joined(delimiting_); }
  void setDelimitedText(std::string_view text) { split(text, delimiting_); }
  std::string commaText() const { return joined(Delimiting{}); }
  void setCommaText(std::string_view text) { split(text, Delimiting{}); }

  // What parts a name from its value in "name=value" items (Names, Values, IndexOfName).
  char nameValueSeparator() const { return separator_; }
  void setNameValueSeparator(char c) { separator_ = c; }

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
  std::string_view nameOf(std::string_view item) const;
  std::string joined(const Delimiting& d) const;
  void split(std::string_view text, const Delimiting& d);

  std::vector<std::string> items_;
  bool sorted_ = false;
  bool caseSensitive_ = false;
  Duplicates duplicates_ = Duplicates::Ignore;
  Delimiting delimiting_;
  char separator_ = '=';
};

}  // namespace kelmo::script_library
