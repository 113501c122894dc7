#pragma once
// The standard exception classes: their tree as Object Pascal's SysUtils and Classes units
// declare it, the objects that carry a message, and the class each fault of the runtime
// raises. A script catches them by class ("on E: EConvertError do", a handler for a parent
// catching its descendants too) and makes them ("raise EConvertError.Create('...')"); it
// declares no classes of its own.
//
// Where an exception comes from, and how it gets its class:
//   a fault of the runtime (div by zero, an index out of range)  Interpreter::Impl::fault
//   a native's PascalException (StrToInt's EConvertError)       Interpreter::Impl::callNative
//   any other std::exception of a native                        the same, class Exception
//   "raise obj"                                                 the object's class
// Handlers match in interpreter_exceptions.cpp.
#include <string>
#include <string_view>
#include <utility>

#include "script/interpreter.h"
#include "script/program.h"

namespace kelmo::script {

class Checker;

// What an object of the exception classes holds (made by Exception.Create, by a handler
// catching a fault, or by a plug-in's constructor through exceptionObject()).
struct ExceptionObject final : EngineObject {
  explicit ExceptionObject(std::string text) : message(std::move(text)) {}
  std::string message;
};

// Declares the exception classes, Exception's constructor and Message, and Abort; keeps the
// classes of the runtime's faults in program.faultClasses.
void declareExceptionClasses(Checker& checker, Program& program);

// An object of class `cls` (Exception when null) with this message.
Value makeException(const ClassInfo* cls, std::string message);

// The message of an engine exception object, or null for any other value.
const std::string* exceptionMessage(const Value& object);

// The message of an error as the script last set it: a handler may change E.Message before
// "raise;" passes the exception on.
const std::string& currentMessage(const ScriptError& err);

// A class by name (any case) among the program's classes; null when there is none.
const ClassInfo* classNamed(const Program& program, std::string_view name);

}  // namespace kelmo::script
