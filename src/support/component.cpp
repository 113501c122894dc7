#include "support/component.h"

#include <algorithm>
#include <stdexcept>

namespace kelmo {

TComponent::TComponent(TComponent* owner) {
  if (owner != nullptr) owner->insertComponent(this);
}

TComponent::~TComponent() {
  // The newest owned component goes first, so later components may rely on earlier ones
  // while they are destroyed. Each is detached before its destructor runs.
  while (!components_.empty()) {
    std::unique_ptr<TComponent> last = std::move(components_.back());
    components_.pop_back();
    last->owner_ = nullptr;
  }
  if (owner_ != nullptr) owner_->removeComponent(this);
}

TComponent* TComponent::component(int index) const {
  if (index < 0 || index >= componentCount()) {
    throw std::out_of_range("TComponent::component: index " + std::to_string(index) +
                            " out of range, count " + std::to_string(componentCount()));
  }
  return components_[static_cast<std::size_t>(index)].get();
}

void TComponent::insertComponent(TComponent* c) {
  if (c == nullptr || c->owner_ == this) return;
  if (c->owner_ != nullptr) c->owner_->removeComponent(c);
  components_.emplace_back(c);
  c->owner_ = this;
}

void TComponent::removeComponent(TComponent* c) {
  const auto found = std::find_if(components_.begin(), components_.end(),
                                  [c](const std::unique_ptr<TComponent>& p) { return p.get() == c; });
  if (found == components_.end()) return;
  (void)found->release();  // ownership returns to whoever destroys c
  components_.erase(found);
  c->owner_ = nullptr;
}

}  // namespace kelmo
