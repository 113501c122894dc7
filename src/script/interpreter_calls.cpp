// Calls at run time: script routines in frames of value slots, natives with their
// arguments converted and var parameters written back, calls through procedural values,
// properties of host objects.
#include "platform/cp1251.h"
#include "script/exception_classes.h"
#include "script/interpreter_impl.h"

#include <exception>
#include <new>

namespace kelmo::script {

// Converts a native's value into the representation of type `t`.
Value Interpreter::Impl::fromNative(Value v, const Type* t, const Expr* e) {
  switch (t->kind) {
    case TypeKind::Ordinal: return Value(t->wrap(v.asInt()));
    case TypeKind::Boolean: return Value(v.asInt() != 0 ? 1 : 0);
    case TypeKind::Enum: return Value(v.asInt());
    case TypeKind::Char: return Value(static_cast<std::int64_t>(static_cast<unsigned char>(v.asChar())));
    case TypeKind::Real: return Value(v.asDouble());
    case TypeKind::Procedural: return Value();  // natives never hand out routines
    case TypeKind::String:
      if (v.kind() == Value::Kind::String) {
        checkLength(e, v.text().size());
        return v;
      }
      return Value(v.asString());
    case TypeKind::Class: {
      Value::ObjectRep* rep = v.objectRep();
      if (rep == nullptr || !rep->pointer) return Value();
      if (rep->cls == nullptr) {
        const ClassInfo* cls = t->cls;
        if (!rep->requestedClass.empty()) {
          auto it = prog.typeNames.find(lowerName(rep->requestedClass));
          if (it != prog.typeNames.end() && it->second->kind == TypeKind::Class) cls = it->second->cls;
        }
        rep->cls = cls;
      }
      return v;
    }
    default: return v;
  }
}

Value* Interpreter::Impl::moreFrameSpace(std::size_t n, std::unique_ptr<Value[]>& own) {
  if (n > kChunk) {
    own.reset(new Value[n]);
    return own.get();
  }
  if (chunks.empty()) {
    chunks.emplace_back(new Value[kChunk]);
  } else {
    ++chunk;
    if (chunk == chunks.size()) chunks.emplace_back(new Value[kChunk]);
  }
  top = n;
  return chunks[chunk].get();
}

void Interpreter::Impl::depthFault(const Expr* e) {
  fault(e, "Stack overflow: more than " + std::to_string(limits.maxCallDepth) + " nested calls", FaultClass::StackOverflow);
}

// A new frame's arrays and records, and the Scope of a routine that has nested routines or
// is one: a nested routine's frame links to the frame of the routine it is nested in, found
// from the caller's (the caller is that routine, or nested in it too), and a routine keeps
// its Scope in a slot of its frame, where the routines nested in it find it.
void Interpreter::Impl::setUpFrame(const Routine* r, const Expr* e, Value* slots, Ref* refs, Scope& own) {
  for (const auto& [slot, type] : r->slotTypes) slots[slot] = newArray(type);
  if (!r->needsScope) return;
  own = {slots, refs, r->level > 0 ? scopeAt(e) : nullptr};
  slots[r->scopeSlot].setInt(static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(&own)));
}

void Interpreter::Impl::callProcedure(const Expr* e) {
  invoke(e->routine, e, [](Value&) { return 0; });
}

Value Interpreter::Impl::callScript(const Expr* e) {
  const Type* t = e->routine->result;
  return invoke(e->routine, e, [t](Value& v) {
    if (t == nullptr) return Value();
    if (v.kind() == Value::Kind::Nil) {
      // A result never assigned: its type's zero.
      if (t->isOrdinal()) return Value(0);
      if (t->kind == TypeKind::Real) return Value(0.0);
    }
    return std::move(v);
  });
}

// A native's var arguments are references, read before the call and written after it, so
// that evaluating the later arguments cannot leave them pointing at storage that moved.
Value Interpreter::Impl::callNative(const Routine* r, const Expr* e) {
  std::size_t first = e->op == Op::CallMethod ? 1 : 0;
  Value self;
  if (e->op == Op::CallMethod) {
    self = eval(e->kid(0));
    if (self.isNil())
      fault(e, "Access to a nil object: method '" + r->name + "' was called on nil", FaultClass::AccessViolation);
  }
  std::size_t n = r->params.size();
  Value small[6];
  std::vector<Value> big;
  Value* args = small;
  if (n > 6) {
    big.resize(n);
    args = big.data();
  }
  struct Paths {  // this call's reference paths, given back however it ends
    Impl& in;
    std::size_t top;
    ~Paths() {
      if (in.pathTop != top) in.dropPaths(top);
    }
  } paths{*this, pathTop};
  Ref varRefs[6];
  std::vector<Ref> bigRefs(n > 6 ? n : 0);
  Ref* targets = n > 6 ? bigRefs.data() : varRefs;
  for (std::size_t i = 0; i < n; ++i) {
    const Expr* a = e->kid(first + i);
    const Type* t = r->params[i].type;
    if (e->isVarArg[i]) {
      targets[i] = reference(a);
    } else {
      targets[i] = {nullptr, nullptr};
      store(&args[i], t, a);
    }
  }
  for (std::size_t i = 0; i < n; ++i)
    if (e->isVarArg[i]) args[i] = fromNative(*readRef(targets[i], e), r->params[i].type, e->kid(first + i));
  if (!r->native) fault(e, "'" + r->name + "' has no native implementation bound");
  NativeCall call(&self, args, n);
  Value result = callNative(r->native, call, e, "routine");
  for (std::size_t i = 0; i < n; ++i)
    if (e->isVarArg[i]) *writeRef(targets[i], e) = fromNative(std::move(args[i]), r->params[i].type, e);
  if (e->op == Op::CallConstructor) {
    Value obj = fromNative(std::move(result), e->cls->type, e);
    if (Value::ObjectRep* rep = obj.objectRep()) rep->cls = rep->cls != nullptr && rep->cls->derivesFrom(e->cls) ? rep->cls : e->cls;
    return obj;
  }
  if (r->result == nullptr) return Value();
  return fromNative(std::move(result), r->result, e);
}

// The routine a procedural value holds, evaluated before the arguments.
const Routine* Interpreter::Impl::indirectTarget(const Expr* e) {
  const Expr* callee = e->kids.back().get();
  const std::int64_t held = evalInt(callee);
  if (held == 0)
    fault(e, "Call through nil: the procedural value '" + e->text + "' holds no routine", FaultClass::AccessViolation);
  return reinterpret_cast<const Routine*>(static_cast<std::intptr_t>(held));
}

// A call through a procedural value: the routine it holds, with the call's arguments
// (checked against the type's signature, which the routine matches).
Value Interpreter::Impl::callIndirect(const Expr* e) {
  const Routine* r = indirectTarget(e);
  if (r->isNative) return callNative(r, e);
  const Type* t = r->result;
  return invoke(r, e, [t](Value& v) {
    if (t == nullptr) return Value();
    if (v.kind() == Value::Kind::Nil) {
      if (t->isOrdinal()) return Value(0);
      if (t->kind == TypeKind::Real) return Value(0.0);
    }
    return std::move(v);
  });
}

// Calls a native; a std::exception it throws becomes the script's "Exception: " error at
// the call's position, of the class a PascalException names (else Exception), while the
// script's own errors and aborts pass through. The message becomes script text: the host's
// own messages are UTF-8 and are converted, while one that only quotes the script's strings
// already holds Windows-1251 bytes, which are practically never valid UTF-8.
Value Interpreter::Impl::callNative(const NativeFn& native, NativeCall& call, const Expr* at, const char* what) {
  try {
    return native(call);
  } catch (const ScriptError&) {
    throw;
  } catch (const ScriptAbort&) {
    throw;
  } catch (const std::bad_alloc&) {
    fault(at, "Out of memory", FaultClass::OutOfMemory);
  } catch (const std::exception& ex) {
    ScriptError err;
    err.message = isMultiByteUtf8(ex.what()) ? utf8ToCp1251(ex.what()) : std::string(ex.what());
    err.isException = true;
    err.row = at->row;
    err.col = at->col;
    if (const auto* pascal = dynamic_cast<const PascalException*>(&ex)) err.cls = classNamed(prog, pascal->className());
    throw err;
  } catch (...) {
    fault(at, std::string("Exception: a native ") + what + " failed without a message");
  }
}

Value Interpreter::Impl::readProperty(const Expr* e) {
  const Property* prop = e->property;
  Value self = eval(e->kid(0));
  if (self.isNil())
    fault(e, "Access to a nil object: property '" + prop->name + "' was read from nil", FaultClass::AccessViolation);
  if (!prop->reader) fault(e, "Property '" + prop->name + "' has no native reader bound");
  if (!prop->indexParams.empty()) {
    std::vector<Value> indices(prop->indexParams.size());
    for (std::size_t i = 0; i < indices.size(); ++i) store(&indices[i], prop->indexParams[i].type, e->kid(i + 1));
    NativeCall call(&self, indices.data(), indices.size());
    return fromNative(callNative(prop->reader, call, e, "property reader"), prop->type, e);
  }
  NativeCall call(&self, nullptr, 0);
  Value result = callNative(prop->reader, call, e, "property reader");
  return fromNative(std::move(result), prop->type, e);
}

void Interpreter::Impl::writeProperty(const Stmt* s) {
  const Expr* target = s->expr(0);
  const Property* prop = target->property;
  Value v;
  store(&v, prop->type, s->expr(1));
  Value self = eval(target->kid(0));
  if (self.isNil())
    fault(target, "Access to a nil object: property '" + prop->name + "' was written to nil", FaultClass::AccessViolation);
  if (!prop->writer) fault(target, "Property '" + prop->name + "' has no native writer bound");
  if (!prop->indexParams.empty()) {
    std::vector<Value> args(prop->indexParams.size() + 1);
    args[0] = std::move(v);
    for (std::size_t i = 1; i < args.size(); ++i) store(&args[i], prop->indexParams[i - 1].type, target->kid(i));
    NativeCall call(&self, args.data(), args.size());
    callNative(prop->writer, call, target, "property writer");
    return;
  }
  NativeCall call(&self, &v, 1);
  callNative(prop->writer, call, target, "property writer");
}

}  // namespace kelmo::script
