#include "script/exception_classes.h"

#include <iterator>
#include <memory>
#include <stdexcept>
#include <utility>

#include "script/checker.h"

namespace kelmo::script {

namespace {

struct ClassRow {
  const char* name;
  const char* parent;
};

// SysUtils' exception classes, parents first. The Classes unit's own (EStringListError,
// EFOpenError, ...) come with the plug-in that offers TStringList.
constexpr ClassRow kClasses[] = {
    {"Exception", "TObject"},
    {"EAbort", "Exception"},
    {"EAssertionFailed", "Exception"},
    {"EConvertError", "Exception"},
    {"EInvalidCast", "Exception"},
    {"EInOutError", "Exception"},
    {"EArgumentException", "Exception"},
    {"EArgumentOutOfRangeException", "EArgumentException"},
    {"EHeapException", "Exception"},
    {"EOutOfMemory", "EHeapException"},
    {"EExternal", "Exception"},
    {"EIntError", "EExternal"},
    {"EDivByZero", "EIntError"},
    {"ERangeError", "EIntError"},
    {"EIntOverflow", "EIntError"},
    {"EMathError", "EExternal"},
    {"EInvalidOp", "EMathError"},
    {"EZeroDivide", "EMathError"},
    {"EOverflow", "EMathError"},
    {"EUnderflow", "EMathError"},
    {"EAccessViolation", "EExternal"},
    {"EStackOverflow", "EExternal"},
};

// The class of each FaultClass.
constexpr std::pair<FaultClass, const char*> kFaultClasses[] = {
    {FaultClass::Generic, "Exception"},
    {FaultClass::DivByZero, "EDivByZero"},
    {FaultClass::IntOverflow, "EIntOverflow"},
    {FaultClass::RangeError, "ERangeError"},
    {FaultClass::ZeroDivide, "EZeroDivide"},
    {FaultClass::InvalidOp, "EInvalidOp"},
    {FaultClass::Overflow, "EOverflow"},
    {FaultClass::AccessViolation, "EAccessViolation"},
    {FaultClass::InvalidCast, "EInvalidCast"},
    {FaultClass::StackOverflow, "EStackOverflow"},
    {FaultClass::OutOfMemory, "EOutOfMemory"},
    {FaultClass::AssertionFailed, "EAssertionFailed"},
    {FaultClass::Abort, "EAbort"},
};
static_assert(std::size(kFaultClasses) == kFaultClassCount, "every fault has its class");

ExceptionObject& ownException(const NativeCall& c, const char* member) {
  auto* object = dynamic_cast<ExceptionObject*>(engineObjectOf(c.self()));
  if (object == nullptr)
    throw std::runtime_error(std::string(member) + " is not available for objects of class " + c.self().className());
  return *object;
}

}  // namespace

void declareExceptionClasses(Checker& ch, Program& p) {
  for (const ClassRow& row : kClasses) ch.declareClass(row.name, row.parent);
  p.cException = ch.findClass("Exception");
  for (const auto& [fault, name] : kFaultClasses) p.faultClasses[static_cast<std::size_t>(fault)] = ch.findClass(name);
  if (p.cException == nullptr) return;

  // Descendants inherit the constructor: EConvertError.Create makes an EConvertError.
  if (Routine* create = ch.declareMethod("Exception", "constructor Create(const Msg: string)"))
    create->native = [](NativeCall& c) { return exceptionObject(c.arg(0).asString()); };
  ch.declareProperty("Exception", "Message", "string", PropertyAccess::ReadWrite);
  auto* message = const_cast<Property*>(p.cException->findProperty("message"));
  message->reader = [](NativeCall& c) { return Value(ownException(c, "Message").message); };
  message->writer = [](NativeCall& c) {
    ownException(c, "Message").message = c.arg(0).asString();
    return Value();
  };

  // Abort: the silent exception. Uncaught it ends the run as a stop the script asked for,
  // not as a failure (ScriptEngine::execute).
  if (Routine* abort = ch.declareRoutine("procedure Abort"))
    abort->native = [](NativeCall&) -> Value { throw PascalException("EAbort", "Operation aborted"); };
}

Value exceptionObject(std::string message) { return engineObject(std::make_shared<ExceptionObject>(std::move(message))); }

Value makeException(const ClassInfo* cls, std::string message) {
  Value v = exceptionObject(std::move(message));
  v.objectRep()->cls = cls;
  return v;
}

const std::string* exceptionMessage(const Value& object) {
  const auto* exception = dynamic_cast<const ExceptionObject*>(engineObjectOf(object));
  return exception != nullptr ? &exception->message : nullptr;
}

const std::string& currentMessage(const ScriptError& err) {
  const std::string* message = exceptionMessage(err.object);
  return message != nullptr ? *message : err.message;
}

const ClassInfo* classNamed(const Program& program, std::string_view name) {
  for (const ClassInfo& c : program.classes)
    if (sameName(c.name, name)) return &c;
  return nullptr;
}

}  // namespace kelmo::script
