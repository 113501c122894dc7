#include "support/string_list.h"

#include <stdexcept>
#include <utility>

#include "support/same_text.h"

namespace kelmo {

TStringList2::~TStringList2() {
  for (Entry& e : entries_) e.object.reset();
}

const TStringList2::Entry& TStringList2::entry(int index) const {
  if (index < 0 || index >= count()) {
    throw std::out_of_range("TStringList2: index " + std::to_string(index) + " out of range, count " +
                            std::to_string(count()));
  }
  return entries_[static_cast<std::size_t>(index)];
}

const std::string& TStringList2::text(int index) const { return entry(index).text; }

TObject* TStringList2::object(int index) const { return entry(index).object.get(); }

int TStringList2::addObject(std::string text, std::unique_ptr<TObject> object) {
  entries_.push_back(Entry{std::move(text), std::move(object)});
  return count() - 1;
}

int TStringList2::indexOf(std::string_view text) const {
  for (int i = 0; i < count(); ++i) {
    if (sameText(entries_[static_cast<std::size_t>(i)].text, text)) return i;
  }
  return -1;
}

void TStringList2::setObject(int index, std::unique_ptr<TObject> object) {
  (void)entry(index);
  // Swap first, then destroy the old object: the entry never points at a dying object.
  std::unique_ptr<TObject> old = std::exchange(entries_[static_cast<std::size_t>(index)].object, std::move(object));
  old.reset();
}

void TStringList2::remove(int index) {
  (void)entry(index);
  std::unique_ptr<TObject> old = std::move(entries_[static_cast<std::size_t>(index)].object);
  entries_.erase(entries_.begin() + index);
  old.reset();
}

}  // namespace kelmo
