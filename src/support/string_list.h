#pragma once
// An unsorted list of (text, object) entries that owns its objects. Equal texts may occur
// more than once; lookups ignore letter case and find the first match.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/object.h"

namespace kelmo {

class TStringList2 : public TObject {
 public:
  TStringList2() = default;
  // Destroys the attached objects from the first entry to the last.
  ~TStringList2() override;

  int count() const { return static_cast<int>(entries_.size()); }
  // Callers check the index; out of range is a programming error (std::out_of_range).
  const std::string& text(int index) const;
  TObject* object(int index) const;

  // Appends an entry and returns its index.
  int addObject(std::string text, std::unique_ptr<TObject> object);
  // Index of the first entry whose text matches without regard to case, or -1.
  int indexOf(std::string_view text) const;
  // Replaces the object of an entry, destroying the one it held.
  void setObject(int index, std::unique_ptr<TObject> object);
  // Removes an entry, destroying its object.
  void remove(int index);

 private:
  struct Entry {
    std::string text;
    std::unique_ptr<TObject> object;
  };
  const Entry& entry(int index) const;

  std::vector<Entry> entries_;
};

}  // namespace kelmo
