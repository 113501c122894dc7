// Path access on list nodes: "a.b" and "a$b" walk nested lists key by key.
#include <utility>

#include "support/node_list.h"

namespace kelmo {
namespace {

struct SplitPath {
  std::string_view key;
  std::string_view rest;
};

SplitPath splitPath(std::string_view path) {
  const std::size_t at = path.find_first_of(".$");
  if (at == std::string_view::npos) return {path, {}};
  return {path.substr(0, at), path.substr(at + 1)};
}

// Rejects a path with an empty key before anything is looked up or created, so that a
// store along such a path cannot leave half-made entries behind.
void checkPath(std::string_view path) {
  for (;;) {
    const SplitPath part = splitPath(path);
    if (part.key.empty()) nodeAssertionFailure();
    if (part.rest.empty()) return;
    path = part.rest;
  }
}

}  // namespace

nod::Place nod::assocCore(std::string_view path, bool mustExist, bool create) {
  const SplitPath part = splitPath(path);
  TNodList& list = asList();
  int index = list.indexOf(part.key);
  if (index < 0) {
    if (mustExist) throw NodeListError("assocCore: '" + std::string(part.key) + "' not found");
    if (!create) return {this, -1};
    index = list.addObject(std::string(part.key), nullptr);
  }
  if (part.rest.empty()) return {this, index};

  TObject* held = list.object(index);
  if (held == nullptr) {
    if (mustExist) {
      throw NodeListError("assocCore: '" + std::string(part.key) + "." + std::string(part.rest) +
                          "' not found");
    }
    if (create) {
      std::unique_ptr<nod> fresh = makeList();
      held = fresh.get();
      list.setObject(index, std::move(fresh));
    }
  }
  auto* child = dynamic_cast<nod*>(held);
  if (child == nullptr) nodeAssertionFailure();
  return child->assocCore(part.rest, mustExist, create);
}

nod* nod::getAssoc(std::string_view path, bool mustExist) const {
  checkPath(path);
  // The walk never changes the tree without create.
  const Place place = const_cast<nod*>(this)->assocCore(path, mustExist, false);
  if (place.index < 0) return nullptr;
  TObject* held = place.holder->asList().object(place.index);
  if (held == nullptr) return nullptr;
  auto* found = dynamic_cast<nod*>(held);
  if (found == nullptr) nodeAssertionFailure();
  return found;
}

nod* nod::assoc(std::string_view path) const { return getAssoc(path, true); }

nod* nod::setAssoc(std::string_view path, std::unique_ptr<nod> node, bool mustExist) {
  checkPath(path);
  const Place place = assocCore(path, mustExist, true);
  nod* stored = node.get();
  place.holder->asList().setObject(place.index, std::move(node));
  return stored;
}

}  // namespace kelmo
