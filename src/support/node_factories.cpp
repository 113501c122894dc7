// Making nodes: one factory per value kind.
#include <utility>

#include "support/node_list.h"

namespace kelmo {

std::unique_ptr<nod> makeInt(std::int32_t value) {
  std::unique_ptr<nod> n(new nod(NodeTag::Integer));
  n->intValue_ = value;
  return n;
}

std::unique_ptr<nod> makeList() { return makeObject(std::make_unique<TNodList>()); }

nod* makeOwnedList(TComponent& owner) {
  std::unique_ptr<nod> n = makeList();
  owner.insertComponent(n.get());
  return n.release();  // the owner holds it now
}

std::unique_ptr<nod> makeString(std::string value) {
  return makeObject(std::make_unique<TStringContainer>(std::move(value)));
}

std::unique_ptr<nod> makeExtended(long double value) {
  return makeObject(std::make_unique<TExtendedContainer>(value));
}

std::unique_ptr<nod> makeCurrency(Currency value) {
  return makeObject(std::make_unique<TCurrencyContainer>(value));
}

std::unique_ptr<nod> makeDateTime(TDateTime value) {
  return makeObject(std::make_unique<TDateTimeContainer>(value));
}

std::unique_ptr<nod> makeVariant(Variant value) {
  std::unique_ptr<nod> n(new nod(NodeTag::Variant));
  n->variantValue_ = std::move(value);
  return n;
}

std::unique_ptr<nod> makePointer(void* pointer) {
  std::unique_ptr<nod> n(new nod(NodeTag::Pointer));
  n->pointer_ = pointer;
  return n;
}

std::unique_ptr<nod> makeClass(const std::type_info& classRef) {
  std::unique_ptr<nod> n(new nod(NodeTag::Class));
  n->classRef_ = &classRef;
  return n;
}

std::unique_ptr<nod> makeObject(std::unique_ptr<TObject> object) {
  std::unique_ptr<nod> n(new nod(NodeTag::Object));
  n->object_ = std::move(object);
  return n;
}

std::unique_ptr<nod> componentTree(const TComponent& c) {
  std::unique_ptr<nod> tree = makeList();
  for (int i = 0; i < c.componentCount(); ++i) {
    const TComponent* child = c.component(i);
    tree->add(child->name(), componentTree(*child));
  }
  return tree;
}

}  // namespace kelmo
