#pragma once
// Node lists: a small tree of tagged values. A `nod` holds exactly one value; a list node
// maps key texts (case-insensitive, first match wins) to child nodes in insertion order,
// and a path of keys joined by "." or "$" walks nested lists.
//
// Errors are NodeListError exceptions carrying the operator-visible text; programming
// errors (wrong conversion, an entry without a node, a path starting with a separator)
// carry "Assertion failure".
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <typeinfo>

#include "platform/date_time.h"
#include "support/component.h"
#include "support/string_list.h"
#include "support/value_containers.h"
#include "support/variant_value.h"

namespace kelmo {

class NodeListError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr const char* kAssertionFailure = "Assertion failure";
[[noreturn]] void nodeAssertionFailure();

// The values of nod::dataType().
namespace NodeType {
inline constexpr int Integer = 0;
inline constexpr int Extended = 3;
inline constexpr int Pointer = 5;
inline constexpr int Object = 7;
inline constexpr int Class = 8;
inline constexpr int String = 11;
inline constexpr int Currency = 12;
inline constexpr int Variant = 13;
inline constexpr int List = 256;
inline constexpr int DateTime = 258;
}  // namespace NodeType

// The stored tags of nod::dataTag(); containers, lists and owned objects share Object.
namespace NodeTag {
inline constexpr std::uint8_t Integer = 0;
inline constexpr std::uint8_t Pointer = 5;
inline constexpr std::uint8_t Object = 7;
inline constexpr std::uint8_t Class = 8;
inline constexpr std::uint8_t Variant = 13;
}  // namespace NodeTag

// The entries of a list node: each attached object is a nod or nothing.
class TNodList : public TStringList2 {};

class nod : public TComponent {
 public:
  // Frees what the node owns (a list destroys its children first to last), then leaves
  // its owner's components.
  ~nod() override;

  std::uint8_t dataTag() const { return dataTag_; }
  // Worked out from the tag and, for owned objects, from the class of the held object.
  int dataType() const;

  // Entry access; each fails on a node that is not a list. Pointers are shallow: a const
  // node still hands out its children for change.
  TNodList& asList() const;
  int count() const;
  const std::string& nthName(int i) const;
  nod* nth(int i) const;
  TObject* nthO(int i) const;
  // Appends (key, node) even when key is present; the list takes ownership.
  void add(std::string key, std::unique_ptr<nod> node);

  // Path access. getAssoc gives nullptr where nothing is stored (unless mustExist);
  // setAssoc replaces and destroys what the path held and returns the stored node.
  // A failed call leaves the tree unchanged.
  nod* getAssoc(std::string_view path, bool mustExist) const;
  nod* assoc(std::string_view path) const;
  nod* setAssoc(std::string_view path, std::unique_ptr<nod> node, bool mustExist);

  // Conversions; a node of another type is an internal error.
  std::int32_t asInteger() const;
  const std::string& asString() const;
  long double asExtended() const;
  Currency asCurrency() const;
  TDateTime asDateTime() const;
  // The remaining held values, checked the same way.
  void* asPointer() const;
  const std::type_info* asClass() const;
  TObject* asObject() const;
  const Variant& variantValue() const;

  // Text forms.
  std::string asDisplayText() const;
  std::string asPrintForm() const;
  std::string asDebugText() const;
  std::string asFirebirdValue() const;
  std::string asFirebirdList() const;

 private:
  explicit nod(std::uint8_t tag) : dataTag_(tag) {}
  struct Place {
    nod* holder;
    int index;
  };
  Place assocCore(std::string_view path, bool mustExist, bool create);

  friend std::unique_ptr<nod> makeInt(std::int32_t value);
  friend std::unique_ptr<nod> makeList();
  friend std::unique_ptr<nod> makePointer(void* pointer);
  friend std::unique_ptr<nod> makeClass(const std::type_info& classRef);
  friend std::unique_ptr<nod> makeObject(std::unique_ptr<TObject> object);
  friend std::unique_ptr<nod> makeVariant(Variant value);

  std::uint8_t dataTag_;
  std::int32_t intValue_ = 0;
  void* pointer_ = nullptr;
  const std::type_info* classRef_ = nullptr;
  std::unique_ptr<TObject> object_;
  Variant variantValue_;
};

// Factories: every new node has no name and no owner unless one is given.
std::unique_ptr<nod> makeInt(std::int32_t value);
std::unique_ptr<nod> makeList();
// A new list node that the owner holds among its owned components (and destroys).
nod* makeOwnedList(TComponent& owner);
std::unique_ptr<nod> makeString(std::string value);
std::unique_ptr<nod> makeExtended(long double value);
std::unique_ptr<nod> makeCurrency(Currency value);
std::unique_ptr<nod> makeDateTime(TDateTime value);
std::unique_ptr<nod> makeVariant(Variant value);
// Pointer and class nodes refer to what they hold without owning it.
std::unique_ptr<nod> makePointer(void* pointer);
std::unique_ptr<nod> makeClass(const std::type_info& classRef);
// Takes ownership; the held object's class decides the data type (a TNodList makes a list).
std::unique_ptr<nod> makeObject(std::unique_ptr<TObject> object);
// A list with one entry per component that c owns, in the owner's order, keyed by name.
std::unique_ptr<nod> componentTree(const TComponent& c);

// The forms that accept "no node": dataType of none is an internal error, its debug text "Nil".
int dataType(const nod* n);
std::string asDebugText(const nod* n);

}  // namespace kelmo
