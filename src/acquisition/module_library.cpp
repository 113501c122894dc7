#include "acquisition/module_library.h"

#include <mutex>
#include <utility>

namespace kelmo {

namespace {

std::mutex libraryMutex;
std::shared_ptr<ModuleLibrary> libraryInUse;

}  // namespace

std::shared_ptr<ModuleLibrary> moduleLibrary() {
  std::lock_guard lock(libraryMutex);
  return libraryInUse;
}

void setModuleLibrary(std::shared_ptr<ModuleLibrary> library) {
  std::shared_ptr<ModuleLibrary> previous;
  {
    std::lock_guard lock(libraryMutex);
    previous = std::exchange(libraryInUse, std::move(library));
  }
  // The earlier library (and any module it still runs) goes outside the lock.
}

}  // namespace kelmo
