// The text forms of a node: for display, for printing a tree, for debugging and as SQL literals.
#include <cmath>

#include "platform/text_format.h"
#include "support/node_list.h"

namespace kelmo {
namespace {

// An SQL-style literal: single quotes around, an inner quote doubled.
std::string quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  out += '\'';
  return out;
}

}  // namespace

std::string nod::asDisplayText() const {
  switch (dataType()) {
    case NodeType::Integer: return std::to_string(intValue_);
    case NodeType::Extended: return formatGeneral(static_cast<double>(asExtended()));
    case NodeType::String: return asString();
    case NodeType::Currency: return currencyText(asCurrency());
    case NodeType::Variant: return variantText(variantValue_);
    case NodeType::DateTime: return shortDateText(asDateTime()) + " " + longTimeText(asDateTime());
    default: return "!TYPE!";
  }
}

std::string nod::asPrintForm() const {
  const int type = dataType();
  switch (type) {
    case NodeType::Integer: return std::to_string(intValue_);
    case NodeType::Extended: return "f" + formatGeneral(static_cast<double>(asExtended()));
    case NodeType::String: return quoted(asString());
    case NodeType::Pointer: return "POINTER";
    case NodeType::Object: return "OBJECT";
    case NodeType::Class: return "CLASS";
    case NodeType::Currency: return "curr" + currencyText(asCurrency());
    case NodeType::Variant: return "v'" + asDisplayText() + "'";
    case NodeType::DateTime: return "d" + formatDateTime("yyyymmddhhnnss", asDateTime());
    case NodeType::List: {
      const TNodList& list = asList();
      std::string out = "(";
      for (int i = 0; i < list.count(); ++i) {
        const auto* child = dynamic_cast<const nod*>(list.object(i));
        out += "'" + list.text(i) + "' ";
        out += child != nullptr ? child->asPrintForm() : "Nil";
        out += " ";
      }
      return out + ")";
    }
    default: return "UNKNOWN TYPE: " + std::to_string(type);
  }
}

std::string asDebugText(const nod* n) { return n == nullptr ? "Nil" : n->asDebugText(); }

std::string nod::asDebugText() const {
  const int type = dataType();
  switch (type) {
    case NodeType::Integer: return "N:  " + std::to_string(intValue_);
    case NodeType::String: return "S:  " + asString();
    case NodeType::List: {
      const TNodList& list = asList();
      std::string out = "L:  ";
      for (int i = 0; i < list.count(); ++i) out += list.text(i) + "\r\n";
      return out;
    }
    default: return std::to_string(type);
  }
}

std::string nod::asFirebirdValue() const {
  const int type = dataType();
  switch (type) {
    case NodeType::Integer:
    case NodeType::Extended:
    case NodeType::Currency:
      return asDisplayText();
    case NodeType::String:
    case NodeType::Variant:
      return quoted(asDisplayText());
    case NodeType::DateTime: {
      const TDateTime value = asDateTime();
      if (value != std::trunc(value)) throw NodeListError("asFirebirdValue: unable to pass time");
      return "'" + formatDateTime("yyyy-mm-dd", value) + "'";
    }
    default:
      // Pointers, classes, objects and lists have no literal form.
      throw NodeListError("asFirebirdValue: no SQL literal for data type " + std::to_string(type));
  }
}

std::string nod::asFirebirdList() const {
  std::string out;
  for (int i = 0; i < count(); ++i) {
    if (i > 0) out += ",";
    out += nth(i)->asFirebirdValue();
  }
  return out;
}

}  // namespace kelmo
