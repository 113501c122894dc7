// Classes: TStrings and TStringList, FreeAndNil, and the Classes unit's exception classes.
#include "script_library/import_table.h"
#include "script_library/standard_library.h"
#include "script_library/string_list.h"

namespace kelmo::script_library {

namespace {

using script::NativeCall;
using script::Value;

StringList& listIn(const Value& v) {
  auto* l = v.isEngineObject() ? nullptr : v.objectAs<StringList>();
  if (l == nullptr) throw script::PascalException("EInvalidCast", "Invalid class typecast: the object is not a TStringList");
  return *l;
}

StringList& list(const NativeCall& c) { return listIn(c.self()); }

std::int64_t index(const NativeCall& c, std::size_t i) { return c.arg(i).asInt(); }

Value done() { return Value(); }

class ClassesImport final : public TableImport {
 public:
  explicit ClassesImport(const ScriptFileNames& names) : TableImport("Classes") {
    declarations = "type TDuplicates = (dupIgnore, dupAccept, dupError);";
    // The Classes unit's exception classes beside its lists: EStringListError for an index
    // or a duplicate, EFOpenError and EFCreateError for LoadFromFile and SaveToFile.
    classes = {{"TStrings", "TObject"},
               {"TStringList", "TStrings"},
               {"EListError", "Exception"},
               {"EStringListError", "EListError"},
               {"EStreamError", "Exception"},
               {"EFileStreamError", "EStreamError"},
               {"EFOpenError", "EFileStreamError"},
               {"EFCreateError", "EFileStreamError"},
               {"EFilerError", "EStreamError"},
               {"EReadError", "EFilerError"},
               {"EWriteError", "EFilerError"}};
    properties = {
        {"TStrings", "Count", "Integer", [](NativeCall& c) { return Value(list(c).count()); }, {}},
        {"TStrings", "Text", "string", [](NativeCall& c) { return Value(list(c).text()); },
         [](NativeCall& c) { return list(c).setText(c.arg(0).text()), done(); }},
        {"TStrings", "CommaText", "string", [](NativeCall& c) { return Value(list(c).commaText()); },
         [](NativeCall& c) { return list(c).setCommaText(c.arg(0).text()), done(); }},
        {"TStrings", "DelimitedText", "string", [](NativeCall& c) { return Value(list(c).delimitedText()); },
         [](NativeCall& c) { return list(c).setDelimitedText(c.arg(0).text()), done(); }},
        {"TStrings", "Delimiter", "Char", [](NativeCall& c) { return Value(list(c).delimiting().delimiter); },
         [](NativeCall& c) { return list(c).setDelimiter(c.arg(0).asChar()), done(); }},
        {"TStrings", "QuoteChar", "Char", [](NativeCall& c) { return Value(list(c).delimiting().quote); },
         [](NativeCall& c) { return list(c).setQuoteChar(c.arg(0).asChar()), done(); }},
        {"TStrings", "StrictDelimiter", "Boolean", [](NativeCall& c) { return Value(list(c).delimiting().strict); },
         [](NativeCall& c) { return list(c).setStrictDelimiter(c.arg(0).asBool()), done(); }},
        {"TStrings", "NameValueSeparator", "Char", [](NativeCall& c) { return Value(list(c).nameValueSeparator()); },
         [](NativeCall& c) { return list(c).setNameValueSeparator(c.arg(0).asChar()), done(); }},
        {"TStringList", "Sorted", "Boolean", [](NativeCall& c) { return Value(list(c).sorted()); },
         [](NativeCall& c) { return list(c).setSorted(c.arg(0).asBool()), done(); }},
        {"TStringList", "CaseSensitive", "Boolean", [](NativeCall& c) { return Value(list(c).caseSensitive()); },
         [](NativeCall& c) { return list(c).setCaseSensitive(c.arg(0).asBool()), done(); }},
        {"TStringList", "Duplicates", "TDuplicates", [](NativeCall& c) { return Value(static_cast<int>(list(c).duplicates())); },
         [](NativeCall& c) { return list(c).setDuplicates(static_cast<Duplicates>(c.arg(0).asInt())), done(); }},
    };
    indexedProperties = {
        {"TStrings", "property Strings[Index: Integer]: string; default;",
         [](NativeCall& c) { return Value(list(c).get(index(c, 0))); },
         [](NativeCall& c) { return list(c).put(index(c, 1), c.arg(0).asString()), done(); }},
        {"TStrings", "property Names[Index: Integer]: string", [](NativeCall& c) { return Value(list(c).nameAt(index(c, 0))); }, {}},
        {"TStrings", "property ValueFromIndex[Index: Integer]: string",
         [](NativeCall& c) { return Value(list(c).valueFromIndex(index(c, 0))); }, {}},
        {"TStrings", "property Values[const Name: string]: string",
         [](NativeCall& c) { return Value(list(c).value(c.arg(0).text())); },
         [](NativeCall& c) { return list(c).setValue(c.arg(1).text(), c.arg(0).text()), done(); }},
    };
    methods = {
        {"TStringList", "constructor Create",
         [](NativeCall&) { return Value::object(std::make_shared<StringList>(), "TStringList"); }},
        {"TStrings", "function Add(const S: string): Integer", [](NativeCall& c) { return Value(list(c).add(c.arg(0).asString())); }},
        {"TStrings", "procedure Insert(Index: Integer; const S: string)",
         [](NativeCall& c) { return list(c).insert(index(c, 0), c.arg(1).asString()), done(); }},
        {"TStrings", "procedure Delete(Index: Integer)", [](NativeCall& c) { return list(c).remove(index(c, 0)), done(); }},
        {"TStrings", "procedure Exchange(Index1, Index2: Integer)",
         [](NativeCall& c) { return list(c).exchange(index(c, 0), index(c, 1)), done(); }},
        {"TStrings", "procedure Clear", [](NativeCall& c) { return list(c).clear(), done(); }},
        {"TStrings", "function IndexOf(const S: string): Integer", [](NativeCall& c) { return Value(list(c).indexOf(c.arg(0).text())); }},
        {"TStrings", "function IndexOfName(const Name: string): Integer",
         [](NativeCall& c) { return Value(list(c).indexOfName(c.arg(0).text())); }},
        {"TStrings", "procedure AddStrings(Strings: TStrings)", [](NativeCall& c) {
           StringList& to = list(c);
           if (c.arg(0).isNil()) throw script::PascalException("EAccessViolation", "AddStrings: the list to add is nil");
           const StringList copy = listIn(c.arg(0));  // adding a list to itself
           for (std::int64_t i = 0; i < copy.count(); ++i) to.add(copy.get(i));
           return done();
         }},
        {"TStrings", "procedure LoadFromFile(const FileName: string)",
         [names](NativeCall& c) { return list(c).loadFromFile(c.arg(0).asString(), names), done(); }},
        {"TStrings", "procedure SaveToFile(const FileName: string)",
         [names](NativeCall& c) { return list(c).saveToFile(c.arg(0).asString(), names), done(); }},
        {"TStringList", "procedure Sort", [](NativeCall& c) { return list(c).sort(), done(); }},
    };
    // The script's references keep objects alive; FreeAndNil ends this one.
    routines = {
        {"procedure FreeAndNil(var Obj: TObject)", [](NativeCall& c) { return c.arg(0) = Value(), done(); }},
    };
  }
};

}  // namespace

std::shared_ptr<script::ImportPlugin> makeClassesImport(const ScriptFileNames& names) {
  return std::make_shared<ClassesImport>(names);
}

}  // namespace kelmo::script_library
