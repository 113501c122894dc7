#pragma once
// Named components that may own other components. An owner destroys what it owns when it
// is destroyed; a component destroyed by anyone else leaves its owner's list first.
#include <memory>
#include <string>
#include <vector>

#include "support/object.h"

namespace kelmo {

class TComponent : public TObject {
 public:
  // A non-null owner takes ownership at once.
  explicit TComponent(TComponent* owner = nullptr);
  ~TComponent() override;

  TComponent* owner() const { return owner_; }
  const std::string& name() const { return name_; }
  void setName(std::string name) { name_ = std::move(name); }

  // Owned components in the order they were inserted.
  int componentCount() const { return static_cast<int>(components_.size()); }
  TComponent* component(int index) const;

  // Takes ownership of c (leaving any previous owner) and appends it to the owned list.
  void insertComponent(TComponent* c);
  // Gives up ownership of c without destroying it; c then has no owner.
  void removeComponent(TComponent* c);

 private:
  std::string name_;
  TComponent* owner_ = nullptr;
  std::vector<std::unique_ptr<TComponent>> components_;
};

}  // namespace kelmo
