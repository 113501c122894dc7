#include "script_library/string_list.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/file_path.h"
#include "platform/replace_file.h"
#include "script/script_engine.h"
#include "script_library/single_byte_case.h"

namespace kelmo::script_library {

namespace {

namespace fs = std::filesystem;

bool isBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

[[noreturn]] void sortedListError() {
  throw script::PascalException("EStringListError", "Operation not allowed on sorted list");
}

}  // namespace

int StringList::compare(std::string_view a, std::string_view b) const {
  if (caseSensitive_) return a.compare(b);
  return ansiUpperCase(a).compare(ansiUpperCase(b));
}

void StringList::checkIndex(std::int64_t index, std::int64_t last) const {
  if (index < 0 || index > last)
    throw script::PascalException("EStringListError", "List index out of bounds (" + std::to_string(index) +
                                  "). TStringList range is 0.." +
                             std::to_string(count() - 1));
}

const std::string& StringList::get(std::int64_t index) const {
  checkIndex(index, count() - 1);
  return items_[static_cast<std::size_t>(index)];
}

void StringList::put(std::int64_t index, std::string text) {
  checkIndex(index, count() - 1);
  if (sorted_) sortedListError();
  items_[static_cast<std::size_t>(index)] = std::move(text);
}

std::int64_t StringList::find(std::string_view text, bool& found) const {
  auto at = std::lower_bound(items_.begin(), items_.end(), text,
                             [this](const std::string& item, std::string_view t) { return compare(item, t) < 0; });
  found = at != items_.end() && compare(*at, text) == 0;
  return at - items_.begin();
}

std::int64_t StringList::add(std::string text) {
  if (!sorted_) {
    items_.push_back(std::move(text));
    return count() - 1;
  }
  bool found = false;
  std::int64_t at = find(text, found);
  if (found) {
    if (duplicates_ == Duplicates::Ignore) return at;
    if (duplicates_ == Duplicates::Error)
      throw script::PascalException("EStringListError", "String list does not allow duplicates");
    while (at < count() && compare(items_[static_cast<std::size_t>(at)], text) == 0) ++at;
  }
  items_.insert(items_.begin() + at, std::move(text));
  return at;
}

void StringList::insert(std::int64_t index, std::string text) {
  if (sorted_) sortedListError();
  checkIndex(index, count());
  items_.insert(items_.begin() + index, std::move(text));
}

void StringList::remove(std::int64_t index) {
  checkIndex(index, count() - 1);
  items_.erase(items_.begin() + index);
}

void StringList::exchange(std::int64_t a, std::int64_t b) {
  checkIndex(a, count() - 1);
  checkIndex(b, count() - 1);
  if (sorted_) sortedListError();
  std::swap(items_[static_cast<std::size_t>(a)], items_[static_cast<std::size_t>(b)]);
}

std::int64_t StringList::indexOf(std::string_view text) const {
  if (sorted_) {
    bool found = false;
    const std::int64_t at = find(text, found);
    return found ? at : -1;
  }
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (compare(items_[i], text) == 0) return static_cast<std::int64_t>(i);
  return -1;
}

// The name of a "name=value" item; empty without the separator.
std::string_view StringList::nameOf(std::string_view item) const {
  const std::size_t eq = item.find(separator_);
  return eq == std::string_view::npos ? std::string_view() : item.substr(0, eq);
}

std::int64_t StringList::indexOfName(std::string_view name) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    const std::size_t eq = items_[i].find(separator_);
    if (eq != std::string::npos && compare(std::string_view(items_[i]).substr(0, eq), name) == 0)
      return static_cast<std::int64_t>(i);
  }
  return -1;
}

std::string StringList::nameAt(std::int64_t index) const { return std::string(nameOf(get(index))); }

std::string StringList::valueFromIndex(std::int64_t index) const {
  const std::string& item = get(index);
  const std::size_t eq = item.find(separator_);
  return eq == std::string::npos ? std::string() : item.substr(eq + 1);
}

std::string StringList::value(std::string_view name) const {
  const std::int64_t at = indexOfName(name);
  return at < 0 ? std::string() : valueFromIndex(at);
}

void StringList::setValue(std::string_view name, std::string_view value) {
  const std::int64_t at = indexOfName(name);
  if (value.empty()) {
    if (at >= 0) remove(at);
    return;
  }
  std::string item = std::string(name) + separator_ + std::string(value);
  if (at < 0) {
    add(std::move(item));
  } else if (sorted_) {
    remove(at);
    add(std::move(item));
  } else {
    items_[static_cast<std::size_t>(at)] = std::move(item);
  }
}

void StringList::sort() {
  std::stable_sort(items_.begin(), items_.end(), [this](const std::string& a, const std::string& b) { return compare(a, b) < 0; });
}

void StringList::setSorted(bool sorted) {
  if (sorted && !sorted_) sort();
  sorted_ = sorted;
}

void StringList::setCaseSensitive(bool on) {
  caseSensitive_ = on;
  if (sorted_) sort();
}

std::string StringList::text() const {
  std::string out;
  for (const std::string& item : items_) out += item + "\r\n";
  return out;
}

void StringList::setText(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.emplace_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  items_.clear();
  for (std::string& line : lines) add(std::move(line));
}

// An item is quoted when it holds the quote, the delimiter, a NUL or (unless strict) a
// blank or control character; a list of one empty item is two quotes, so that it reads
// back as one item.
std::string StringList::joined(const Delimiting& d) const {
  if (items_.size() == 1 && items_[0].empty()) return std::string(2, d.quote);
  std::string out;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (i > 0) out += d.delimiter;
    const std::string& item = items_[i];
    const bool quoted = std::any_of(item.begin(), item.end(), [&d](char c) {
      return c == d.quote || c == d.delimiter || c == '\0' || (!d.strict && isBlank(c));
    });
    if (!quoted) {
      out += item;
      continue;
    }
    out += d.quote;
    for (char c : item) {
      out += c;
      if (c == d.quote) out += c;
    }
    out += d.quote;
  }
  return out;
}

// Items are separated by the delimiter and, unless strict, by blanks (blanks around items
// are dropped then); a quote opening an item quotes it up to the next single quote, a
// doubled one inside being one quote. A delimiter at the very end adds an empty item.
void StringList::split(std::string_view text, const Delimiting& d) {
  std::vector<std::string> items;
  std::size_t i = 0;
  auto skipBlanks = [&] {
    if (d.strict) return;
    while (i < text.size() && isBlank(text[i])) ++i;
  };
  skipBlanks();
  while (i < text.size()) {
    std::string item;
    if (text[i] == d.quote) {
      for (++i; i < text.size(); ++i) {
        if (text[i] == d.quote) {
          if (i + 1 < text.size() && text[i + 1] == d.quote) {
            item += d.quote;
            ++i;
          } else {
            ++i;
            break;
          }
        } else {
          item += text[i];
        }
      }
    } else {
      while (i < text.size() && text[i] != d.delimiter && (d.strict || !isBlank(text[i]))) item += text[i++];
    }
    items.push_back(std::move(item));
    skipBlanks();
    if (i < text.size() && text[i] == d.delimiter) {
      ++i;
      skipBlanks();
      if (i >= text.size()) items.emplace_back();
    }
  }
  items_.clear();
  for (std::string& item : items) add(std::move(item));
}

void StringList::loadFromFile(const std::string& fileName, const ScriptFileNames& names) {
  const fs::path path = names.resolve(fileName);
  std::error_code error;
  if (fs::is_directory(path, error))
    throw script::PascalException("EFOpenError", "Cannot open file \"" + fileName + "\". " + std::strerror(EISDIR));
  std::ifstream in(path, std::ios::binary);
  if (!in) throw script::PascalException("EFOpenError", "Cannot open file \"" + fileName + "\". " + std::strerror(errno));
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw script::PascalException("EReadError", "Cannot read file \"" + fileName + "\". " + std::strerror(errno));
  setText(bytes);
}

void StringList::saveToFile(const std::string& fileName, const ScriptFileNames& names) const {
  const std::string target = fileNameText(names.resolve(fileName));
  if (const std::error_code error = replaceFileAtomically(target, text()))
    throw script::PascalException("EFCreateError", "Cannot create file \"" + fileName + "\". " + error.message());
}

}  // namespace kelmo::script_library
