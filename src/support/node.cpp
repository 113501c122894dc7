// The node itself: its data type, destruction, entry access and conversions.
#include <exception>

#include "platform/debug_output.h"
#include "support/node_list.h"

namespace kelmo {

void nodeAssertionFailure() { throw NodeListError(kAssertionFailure); }

int dataType(const nod* n) {
  if (n == nullptr) nodeAssertionFailure();
  return n->dataType();
}

int nod::dataType() const {
  switch (dataTag_) {
    case NodeTag::Object: {
      const TObject* held = object_.get();
      if (dynamic_cast<const TNodList*>(held) != nullptr) return NodeType::List;
      if (dynamic_cast<const TValueContainer*>(held) == nullptr) return NodeType::Object;
      if (dynamic_cast<const TStringContainer*>(held) != nullptr) return NodeType::String;
      if (dynamic_cast<const TDateTimeContainer*>(held) != nullptr) return NodeType::DateTime;
      if (dynamic_cast<const TCurrencyContainer*>(held) != nullptr) return NodeType::Currency;
      if (dynamic_cast<const TExtendedContainer*>(held) != nullptr) return NodeType::Extended;
      throw NodeListError("Unknown value container");
    }
    case NodeType::String:  // never stored: strings live in a container
      nodeAssertionFailure();
    default:
      return dataTag_;
  }
}

nod::~nod() {
  // Freeing cannot fail here (the members release themselves), but a node whose type the
  // library does not know is still worth a diagnostic.
  try {
    const int type = dataType();
    switch (type) {
      case NodeType::Integer: case NodeType::Pointer: case NodeType::Class:
      case NodeType::Extended: case NodeType::String: case NodeType::Currency:
      case NodeType::DateTime: case NodeType::Object: case NodeType::List:
      case NodeType::Variant:
        break;
      default:
        debugOutput("Nod.Destroy: unknown Data type " + std::to_string(type));
    }
  } catch (const std::exception& e) {
    debugOutput(e.what());
  }
  object_.reset();  // a list destroys its children here, first to last
  variantValue_ = UnassignedVariant{};
}

TNodList& nod::asList() const {
  if (dataType() == NodeType::List) return static_cast<TNodList&>(*object_);
  std::string shown = asPrintForm();
  // The first 250 characters, not bytes: never cut a UTF-8 sequence in two.
  std::size_t chars = 0;
  std::size_t pos = 0;
  while (pos < shown.size() && chars < 250) {
    ++pos;
    while (pos < shown.size() && (static_cast<unsigned char>(shown[pos]) & 0xC0u) == 0x80u) ++pos;
    ++chars;
  }
  shown.resize(pos);
  throw NodeListError("ожидался список, а получили " + shown);
}

int nod::count() const { return asList().count(); }

const std::string& nod::nthName(int i) const {
  const TNodList& list = asList();
  if (i < 0 || i >= list.count()) nodeAssertionFailure();
  return list.text(i);
}

TObject* nod::nthO(int i) const {
  const TNodList& list = asList();
  if (i < 0 || i > list.count() - 1) throw NodeListError("nthO: индекс за допустимыми пределами");
  return list.object(i);
}

nod* nod::nth(int i) const {
  auto* node = dynamic_cast<nod*>(nthO(i));
  if (node == nullptr) nodeAssertionFailure();
  return node;
}

void nod::add(std::string key, std::unique_ptr<nod> node) {
  asList().addObject(std::move(key), std::move(node));
}

std::int32_t nod::asInteger() const {
  if (dataTag_ != NodeTag::Integer) nodeAssertionFailure();
  return intValue_;
}

const std::string& nod::asString() const {
  if (dataType() != NodeType::String) nodeAssertionFailure();
  return static_cast<const TStringContainer&>(*object_).value();
}

long double nod::asExtended() const {
  if (dataType() != NodeType::Extended) nodeAssertionFailure();
  return static_cast<const TExtendedContainer&>(*object_).value();
}

Currency nod::asCurrency() const {
  if (dataType() != NodeType::Currency) nodeAssertionFailure();
  return static_cast<const TCurrencyContainer&>(*object_).value();
}

TDateTime nod::asDateTime() const {
  if (dataType() != NodeType::DateTime) nodeAssertionFailure();
  return static_cast<const TDateTimeContainer&>(*object_).value();
}

void* nod::asPointer() const {
  if (dataTag_ != NodeTag::Pointer) nodeAssertionFailure();
  return pointer_;
}

const std::type_info* nod::asClass() const {
  if (dataTag_ != NodeTag::Class) nodeAssertionFailure();
  return classRef_;
}

TObject* nod::asObject() const {
  if (dataType() != NodeType::Object) nodeAssertionFailure();
  return object_.get();
}

const Variant& nod::variantValue() const {
  if (dataTag_ != NodeTag::Variant) nodeAssertionFailure();
  return variantValue_;
}

}  // namespace kelmo
