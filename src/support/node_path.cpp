// Path access: keys joined by "." or "$" walk nested list nodes.
#include <string>

#include "support/node_list.h"

namespace kelmo {
namespace {

constexpr std::string_view kSeparators = ".$";

// True when some key of the path would be empty (a separator at the start or two in a row).
// A trailing separator ends the path and is harmless.
bool pathHasEmptyKey(std::string_view path) {
  for (;;) {
    const std::size_t sep = path.find_first_of(kSeparators);
    if (sep == 0) return true;
    if (sep == std::string_view::npos) return false;
    path.remove_prefix(sep + 1);
    if (path.empty()) return false;
  }
}

}  // namespace

nod::Place nod::assocCore(std::string_view path, bool mustExist, bool create) {
  const std::size_t sep = path.find_first_of(kSeparators);
  if (sep == 0) nodeAssertionFailure();
  const std::string_view key = path.substr(0, sep);
  const std::string_view rest = sep == std::string_view::npos ? std::string_view{} : path.substr(sep + 1);

  TNodList& list = asList();
  int index = list.indexOf(key);
  if (index < 0) {
    if (mustExist) throw NodeListError("assocCore: '" + std::string(key) + "' not found");
    if (!create) return {this, -1};
    index = list.addObject(std::string(key), nullptr);
  }
  if (rest.empty()) return {this, index};

  TObject* childObject = nthO(index);
  if (childObject == nullptr) {
    if (mustExist) {
      throw NodeListError("assocCore: '" + std::string(key) + "." + std::string(rest) + "' not found");
    }
    if (create) childObject = setAssoc(key, makeList(), true);
  }
  auto* child = dynamic_cast<nod*>(childObject);
  if (child == nullptr) nodeAssertionFailure();
  return child->assocCore(rest, mustExist, create);
}

nod* nod::getAssoc(std::string_view path, bool mustExist) const {
  // Without create the walk changes nothing, so a const node may run it.
  const Place place = const_cast<nod*>(this)->assocCore(path, mustExist, false);
  if (place.index < 0) return nullptr;
  TObject* held = place.holder->asList().object(place.index);
  if (held == nullptr) return nullptr;
  auto* node = dynamic_cast<nod*>(held);
  if (node == nullptr) nodeAssertionFailure();
  return node;
}

nod* nod::assoc(std::string_view path) const { return getAssoc(path, true); }

nod* nod::setAssoc(std::string_view path, std::unique_ptr<nod> node, bool mustExist) {
  // Refused before the walk creates anything, so a failed store leaves the tree as it was;
  // every other failure of the walk comes before its first creation.
  if (pathHasEmptyKey(path)) nodeAssertionFailure();
  const Place place = assocCore(path, mustExist, true);
  nod* stored = node.get();
  place.holder->asList().setObject(place.index, std::move(node));
  return stored;
}

}  // namespace kelmo
