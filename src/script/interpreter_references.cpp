// References of var and out parameters to fields and elements ("Swap(a[j], a[j + 1])",
// "Shift(pts[1], 10)", "Inc(r.Items[i].Count)" in a routine): made once at the call, with
// the indexes evaluated then, and followed at every use.
//
// Why not a pointer to the element: records and static arrays are copied on write, so the
// callee copying the variable (q := p) would then see its writes through the pointer land in
// the copy too, and assigning the whole variable would free the storage the pointer is in;
// a dynamic array resized (SetLength) while the callee runs moves its elements. A path from
// the variable, or from the dynamic array (kept alive and pinned: resized in place, as an
// unshared array is), is always sound: records and static arrays keep their shape, and the
// element of a dynamic array is checked against its length at each use.
#include "script/interpreter_impl.h"

namespace kelmo::script {

// A reference to a field or element: its indexes first, from the variable outward (they
// may call routines that change anything), then the path through the values as they are
// now, with no script code running in between.
Ref Interpreter::Impl::elementReference(const Expr* e) {
  constexpr std::size_t kInline = 8;
  const Expr* inlineChain[kInline];
  std::int64_t inlineIndexes[kInline];
  std::vector<const Expr*> bigChain;
  std::vector<std::int64_t> bigIndexes;
  std::size_t n = 0;
  for (const Expr* b = e; b->op == Op::Element; b = b->kid(0)) ++n;
  if (n == 0) fault(e, "Variable required");
  const Expr** chain = inlineChain;
  std::int64_t* indexes = inlineIndexes;
  if (n > kInline) {
    bigChain.resize(n);
    bigIndexes.resize(n);
    chain = bigChain.data();
    indexes = bigIndexes.data();
  }
  std::size_t k = n;
  for (const Expr* b = e; b->op == Op::Element; b = b->kid(0)) chain[--k] = b;  // chain[0]: next to the variable
  for (k = 0; k < n; ++k) indexes[k] = operand(chain[k]->kid(1));

  RefPath& path = newPath();
  const Expr* root = chain[0]->kid(0);
  const Value* v;
  switch (root->op) {
    case Op::Local: v = path.root = &locals[root->slot]; break;
    case Op::Global: v = path.root = &globals[static_cast<std::size_t>(root->slot)]; break;
    case Op::Outer: v = path.root = &scopeAt(root)->locals[root->slot]; break;
    case Op::RefParam:
    case Op::OuterRef: {
      const Ref& outer = root->op == Op::RefParam ? refs[root->slot] : scopeAt(root)->refs[root->slot];
      if (outer.path == nullptr) {
        v = path.root = outer.at;
      } else {
        path.root = outer.path->root;
        anchor(path, outer.path->anchor);
        path.steps = outer.path->steps;
        v = followPath(path, false, root);
      }
      break;
    }
    default: fault(root, "Variable required");
  }
  for (k = 0; k < n; ++k) {
    const Expr* el = chain[k];
    Value::ArrayRep* a = v->arrayRep();
    const std::size_t item = elementIndex(el, a, indexes[k]);
    if (el->shared) {
      // An element of a dynamic array belongs to that array, wherever it is held.
      path.root = nullptr;
      anchor(path, *v);
      path.steps.assign(1, item);
    } else {
      path.steps.push_back(item);
    }
    v = &a->items[item];
  }
  return {nullptr, &path};
}

// Makes `array` (a dynamic array) the one the path starts in, letting go of the one before.
void Interpreter::Impl::anchor(RefPath& path, const Value& array) {
  Value held = array;  // taken before the old anchor, which `array` may lie in, is let go
  if (Value::ArrayRep* old = path.anchor.arrayRep()) --old->pins;
  path.anchor = std::move(held);
  if (Value::ArrayRep* now = path.anchor.arrayRep()) ++now->pins;
}

// The value at the end of a path, for a use at `at`; for a write, records and static arrays
// on the way are unshared first, so that the write lands in the variable that was passed.
Value* Interpreter::Impl::followPath(const RefPath& path, bool forWrite, const Expr* at) {
  Value* v = path.root;
  std::size_t k = 0;
  if (v == nullptr) {
    // The callee may have shortened the array (SetLength) since the call.
    Value::ArrayRep* a = path.anchor.arrayRep();
    if (a == nullptr || path.steps[0] >= a->items.size())
      indexFault(at, a, a != nullptr ? a->low + static_cast<std::int64_t>(path.steps[0]) : 0);
    v = &a->items[path.steps[0]];
    k = 1;
  }
  for (; k < path.steps.size(); ++k) {
    Value::ArrayRep* a = forWrite ? &v->mutableArray() : v->arrayRep();
    v = &a->items[path.steps[k]];  // records and static arrays keep their shape
  }
  return v;
}

// A path for the call being prepared; the deque keeps every earlier one where it is.
RefPath& Interpreter::Impl::newPath() {
  if (pathTop == paths.size()) paths.emplace_back();
  RefPath& path = paths[pathTop++];
  path.root = nullptr;
  path.steps.clear();
  return path;
}

// Gives back the paths above `top` (a call ended), letting go of the arrays they held.
void Interpreter::Impl::dropPaths(std::size_t top) {
  while (pathTop > top) anchor(paths[--pathTop], Value());
}

}  // namespace kelmo::script
