#pragma once
// The common base of everything a node, a string list or a component may own:
// holding a TObject through a base pointer destroys the right class.

namespace kelmo {

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
};

}  // namespace kelmo
