#pragma once
// The interpreter's state and the small helpers its hot paths inline, shared by its parts.
// A statement runs from exec() (interpreter_statements.cpp), which evaluates expressions
// with evalInt, evalReal and eval (interpreter_expressions.cpp) and calls script routines,
// natives and properties (interpreter_calls.cpp), handing var parameters references
// (interpreter_references.cpp); try, raise and Assert run in interpreter_exceptions.cpp;
// interpreter.cpp starts a run and folds constants for the
// checker.
#include <atomic>
#include <cmath>
#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "script/ast.h"
#include "script/interpreter.h"
#include "script/program.h"

namespace kelmo::script {

// How a statement ended: normally, or leaving its loop or routine.
enum class Flow { Normal, Break, Continue, Exit };

// Routines with up to this many var parameters keep their references on the native stack.
constexpr int kSmallRefs = 6;

// Where a var parameter's reference leads when it is not a whole variable: from a variable
// (root) or from an element of a dynamic array (anchor, kept alive and pinned here), down
// through the item numbers of record fields and static array elements. The path is followed
// again at each use, so that a record or static array copied on write is written in the
// variable that was passed, and a dynamic array resized meanwhile leaves nothing dangling:
// the reference keeps to the array it was taken from. Indexes are numbers fixed at the call.
struct RefPath {
  Value* root = nullptr;
  Value anchor;
  std::vector<std::size_t> steps;  // with an anchor, steps[0] is the element of it
};

// A var parameter: the variable itself (at), or a path to a field or element. Trivial, so
// that a frame's references cost nothing until they are filled.
struct Ref {
  Value* at;
  const RefPath* path;
};

// The frame of a routine as its nested routines reach it: its slots and references, and the
// frame of the routine it is itself nested in (its static link).
struct Scope {
  Value* locals;
  Ref* refs;
  const Scope* up;
};

inline std::int64_t wrap32(std::int64_t v) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(v)); }

// Integer arithmetic wraps around as the machine's does (in unsigned, so without undefined
// behaviour); a 32-bit result then keeps its low 32 bits.
inline std::int64_t sized(const Expr* e, std::int64_t v) { return e->wrapTo32 ? wrap32(v) : v; }
inline std::int64_t wrappingAdd(std::int64_t a, std::int64_t b) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) + static_cast<std::uint64_t>(b));
}
inline std::int64_t wrappingSub(std::int64_t a, std::int64_t b) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) - static_cast<std::uint64_t>(b));
}
inline std::int64_t wrappingMul(std::int64_t a, std::int64_t b) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) * static_cast<std::uint64_t>(b));
}

struct Interpreter::Impl {
  const Program& prog;
  const ExecutionLimits limits;
  const std::atomic<bool>& stop;

  std::vector<Value> globals;
  Value* locals = nullptr;
  Ref* refs = nullptr;
  // The paths of the references of the calls under way, innermost last; entries are reused.
  std::deque<RefPath> paths;
  std::size_t pathTop = 0;
  std::uint64_t steps = 0;
  std::uint64_t maxSteps;
  int depth = 0;
  std::vector<const ScriptError*> handling;  // errors whose handlers are running (raise; ExceptionMessage)
  std::mt19937_64 randomEngine;
  bool seeded = false;

  Impl(const Program& p, const ExecutionLimits& l, const std::atomic<bool>& s)
      : prog(p), limits(l), stop(s),
        maxSteps(l.maxSteps == 0 ? std::numeric_limits<std::uint64_t>::max() : l.maxSteps) {
    if (maxSteps < nextCheck) nextCheck = maxSteps + 1;
  }

  std::mt19937_64& random() {
    if (!seeded) {
      randomEngine.seed(std::random_device{}());
      seeded = true;
    }
    return randomEngine;
  }

  Value newArray(const Type* type);

  // ---- faults ----

  // A fault of the runtime at `e` (null: no position), of the class Object Pascal gives it.
  [[noreturn]] void fault(const Expr* e, std::string message, FaultClass cls = FaultClass::Generic);
  // A float result that is not finite: EOverflow or EInvalidOp when the operands were
  // finite numbers (as the floating-point unit reports them), else the result as it is.
  __attribute__((noinline)) double floatFault(const Expr* e, double a, double b, double result);
  double finite(const Expr* e, double a, double b, double result) {
    if (!std::isfinite(result)) [[unlikely]] return floatFault(e, a, b, result);
    return result;
  }

  // One statement or loop turn. The common case is one compare; every 1024 steps (and at
  // the budget's end) the slow path checks the budget, a stop request and memory.
  std::uint64_t nextCheck = 1024;
  void step() {
    if (++steps >= nextCheck) slowStep();
  }

  __attribute__((noinline)) void slowStep();

  void checkLength(const Expr* e, std::size_t length) {
    if (length > limits.maxStringLength)
      fault(e, "String too long (more than " + std::to_string(limits.maxStringLength) + " bytes)", FaultClass::OutOfMemory);
  }

  // ---- variables ----

  // The frame of the routine e->hops levels around the running one, which keeps its own
  // Scope in its slot e->link.
  const Scope* scopeAt(const Expr* e) const {
    const Scope* s = reinterpret_cast<const Scope*>(static_cast<std::intptr_t>(locals[e->link].rawInt()));
    for (int hops = e->hops; hops > 0; --hops) s = s->up;
    return s;
  }

  // ---- references (interpreter_references.cpp) ----

  Ref reference(const Expr* e) {
    switch (e->op) {
      case Op::Local: return {&locals[e->slot], nullptr};
      case Op::Global: return {&globals[static_cast<std::size_t>(e->slot)], nullptr};
      case Op::RefParam: return refs[e->slot];
      case Op::Outer: return {&scopeAt(e)->locals[e->slot], nullptr};
      case Op::OuterRef: return scopeAt(e)->refs[e->slot];
      default: return elementReference(e);
    }
  }
  __attribute__((noinline)) Ref elementReference(const Expr* e);
  // The value a reference leads to, for a use at `at` (which a fault names).
  Value* readRef(const Ref& r, const Expr* at) { return r.path == nullptr ? r.at : followPath(*r.path, false, at); }
  Value* writeRef(const Ref& r, const Expr* at) { return r.path == nullptr ? r.at : followPath(*r.path, true, at); }
  Value* followPath(const RefPath& path, bool forWrite, const Expr* at);
  void anchor(RefPath& path, const Value& array);
  RefPath& newPath();
  void dropPaths(std::size_t top);

  Value* slotRef(const Expr* e);
  __attribute__((noinline)) Value* outerSlotRef(const Expr* e);
  const Value& element(const Expr* e, Value& keep);
  __attribute__((noinline)) const Value& elementBase(const Expr* b, Value& keep);

  std::size_t elementIndex(const Expr* e, const Value::ArrayRep* a, std::int64_t i) {
    if (a != nullptr) {
      std::uint64_t k = static_cast<std::uint64_t>(i) - static_cast<std::uint64_t>(a->low);
      if (k < a->items.size()) return static_cast<std::size_t>(k);
    }
    indexFault(e, a, i);
  }

  [[noreturn]] __attribute__((noinline)) void indexFault(const Expr* e, const Value::ArrayRep* a, std::int64_t i);

  // Stores the value of `e` (already of type `t`) into `dst`.
  void store(Value* dst, const Type* t, const Expr* e) {
    switch (t->kind) {
      case TypeKind::Ordinal: dst->setInt(t->wrap(evalInt(e))); return;
      case TypeKind::Boolean:
      case TypeKind::Char:
      case TypeKind::Enum: dst->setInt(evalInt(e)); return;
      case TypeKind::Real: dst->setDouble(evalReal(e)); return;
      default: *dst = eval(e); return;
    }
  }

  Value fromNative(Value v, const Type* t, const Expr* e);

  // ---- expressions: integers ----

  // Most operands are variables or constants: load those without a dispatch.
  __attribute__((always_inline)) std::int64_t operand(const Expr* k) {
    if (k->op == Op::Local) return locals[k->slot].rawInt();
    if (k->op == Op::ConstInt) return k->intValue;
    if (k->op == Op::Global) return globals[static_cast<std::size_t>(k->slot)].rawInt();
    if (k->op == Op::Element) return elementInt(k);
    return evalInt(k);
  }

  __attribute__((noinline)) std::int64_t elementInt(const Expr* e);

  double operandReal(const Expr* k) {
    if (k->op == Op::Local) return locals[k->slot].rawDouble();
    if (k->op == Op::ConstReal) return k->realValue;
    if (k->op == Op::Global) return globals[static_cast<std::size_t>(k->slot)].rawDouble();
    return evalReal(k);
  }

  // Right-hand sides and arguments: sums and differences of operands without a call.
  __attribute__((always_inline)) std::int64_t arith(const Expr* a) {
    switch (a->op) {
      case Op::AddI: {
        const std::int64_t left = operand(a->kid(0));
        return sized(a, wrappingAdd(left, operand(a->kid(1))));
      }
      case Op::SubI: {
        const std::int64_t left = operand(a->kid(0));
        return sized(a, wrappingSub(left, operand(a->kid(1))));
      }
      default: return operand(a);
    }
  }

  // Conditions of if and loops: integer comparisons without a call.
  bool test(const Expr* c) {
    switch (c->op) {
      case Op::LtI: return operand(c->kid(0)) < operand(c->kid(1));
      case Op::LeI: return operand(c->kid(0)) <= operand(c->kid(1));
      case Op::GtI: return operand(c->kid(0)) > operand(c->kid(1));
      case Op::GeI: return operand(c->kid(0)) >= operand(c->kid(1));
      case Op::EqI: return operand(c->kid(0)) == operand(c->kid(1));
      case Op::NeI: return operand(c->kid(0)) != operand(c->kid(1));
      default: return evalInt(c) != 0;
    }
  }

  Value* varRef(const Expr* e) {
    if (e->op == Op::Local) return &locals[e->slot];
    if (e->op == Op::Global) return &globals[static_cast<std::size_t>(e->slot)];
    if (e->op == Op::RefParam) return writeRef(refs[e->slot], e);
    return slotRef(e);
  }

  std::int64_t evalInt(const Expr* e);
  __attribute__((noinline)) std::int64_t callInt(const Expr* e);
  __attribute__((noinline)) std::int64_t evalIntRare(const Expr* e);
  static std::string setBits(const Value& v);
  Value makeSet(const Expr* e);
  Value setOperation(const Expr* e);
  Value makeArray(const Expr* e);
  Value copyArray(const Expr* e);
  void setLength(const Stmt* s);
  void include(const Stmt* s);

  // ---- expressions: doubles ----

  double evalReal(const Expr* e);
  __attribute__((noinline)) double callReal(const Expr* e);

  // ---- expressions: any value ----

  Value eval(const Expr* e);

  // ---- calls ----

  // Frames are slices of chunked storage: a call takes the next slots, a return gives
  // them back. Chunks never move, so references into live frames stay valid.
  static constexpr std::size_t kChunk = 1 << 14;
  std::vector<std::unique_ptr<Value[]>> chunks;
  std::size_t chunk = 0, top = 0;
  __attribute__((noinline)) Value* moreFrameSpace(std::size_t n, std::unique_ptr<Value[]>& own);

  struct Frame {
    Impl& in;
    Value* slots;
    std::size_t count;
    std::size_t savedChunk, savedTop;
    std::size_t savedPathTop;      // the paths of this call's references are above it
    std::unique_ptr<Value[]> own;  // a frame larger than a chunk
    Value* savedLocals;
    Ref* savedRefs;
    bool entered = false;

    Frame(Impl& i, std::size_t n)
        : in(i), count(n), savedChunk(i.chunk), savedTop(i.top), savedPathTop(i.pathTop) {
      if (in.top + n <= kChunk && !in.chunks.empty()) {
        slots = in.chunks[in.chunk].get() + in.top;
        in.top += n;
      } else {
        slots = in.moreFrameSpace(n, own);
      }
      savedLocals = in.locals;
      savedRefs = in.refs;
    }
    void enter(Ref* refs) {
      in.locals = slots;
      in.refs = refs;
      ++in.depth;
      entered = true;
    }
    ~Frame() {
      if (entered) {
        in.locals = savedLocals;
        in.refs = savedRefs;
        --in.depth;
      }
      for (std::size_t k = 0; k < count; ++k) slots[k].reset();
      in.chunk = savedChunk;
      in.top = savedTop;
      if (in.pathTop != savedPathTop) in.dropPaths(savedPathTop);
    }
  };

  // Calls script routine r with the arguments of call e and hands its result slot to `take`
  // before the frame goes.
  template <class Take>
  std::invoke_result_t<Take, Value&> invoke(const Routine* r, const Expr* e, Take&& take) {
    if (depth >= limits.maxCallDepth) depthFault(e);
    Frame frame(*this, static_cast<std::size_t>(r->frameSize));
    Ref smallRefs[kSmallRefs];
    std::unique_ptr<Ref[]> bigRefs;
    Ref* frameRefs = smallRefs;
    if (r->refCount > kSmallRefs) {
      bigRefs.reset(new Ref[static_cast<std::size_t>(r->refCount)]);
      frameRefs = bigRefs.get();
    }
    // Arguments are evaluated in the caller's frame.
    const std::size_t n = r->params.size();
    for (std::size_t i = 0; i < n; ++i) {
      const Param& prm = r->params[i];
      const Expr* a = e->kid(i);
      Value* slot = &frame.slots[r->paramSlot[i]];
      if (prm.mode == ParamMode::Var) frameRefs[r->paramSlot[i]] = reference(a);
      else if (prm.type->kind == TypeKind::Ordinal) slot->setInt(prm.type->wrap(arith(a)));
      else store(slot, prm.type, a);
    }
    Scope own;
    if (r->setsUpFrame) setUpFrame(r, e, frame.slots, frameRefs, own);
    frame.enter(frameRefs);
    exec(r->body.get());
    return take(frame.slots[0]);
  }

  [[noreturn]] __attribute__((noinline)) void depthFault(const Expr* e);
  __attribute__((noinline)) void setUpFrame(const Routine* r, const Expr* e, Value* slots, Ref* refs, Scope& own);

  Value callScript(const Expr* e);
  __attribute__((noinline)) void callProcedure(const Expr* e);  // apart, so that exec stays lean
  Value callNative(const Routine* r, const Expr* e);
  const Routine* indirectTarget(const Expr* e);
  Value callIndirect(const Expr* e);
  Value callNative(const NativeFn& native, NativeCall& call, const Expr* at, const char* what);
  Value readProperty(const Expr* e);
  void writeProperty(const Stmt* s);

  // ---- built-in functions ----

  std::int64_t builtinInt(const Expr* e);
  Value builtinValue(const Expr* e);

  // ---- statements ----

  Flow execList(const std::vector<StmtPtr>& list);
  Flow exec(const Stmt* s);
  __attribute__((noinline)) Flow execRare(const Stmt* s);
  Flow execFor(const Stmt* s);
  Flow execTryFinally(const Stmt* s);
  Flow execTryExcept(const Stmt* s);
  Flow handle(const Stmt* s, ScriptError& err);
  Flow execRaise(const Stmt* s);
  void execAssert(const Stmt* s);

  void run();
};

}  // namespace kelmo::script
