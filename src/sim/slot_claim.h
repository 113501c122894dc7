#pragma once
// One program per virtual slot, as with the rig's module: a simulated module claims its
// slot through a lock file that the operating system lets go when the holder closes it or
// dies, so a crashed program never leaves the slot taken.
#include <string>

namespace kelmo::sim {

class SlotClaim {
 public:
  SlotClaim() = default;
  ~SlotClaim() { release(); }
  SlotClaim(const SlotClaim&) = delete;
  SlotClaim& operator=(const SlotClaim&) = delete;

  // Claims the slot in the folder (created when missing; a UTF-8 name): the lock file
  // kelmo-sim-slot-<slot>.lock there, held exclusively. False when another program holds
  // it or the file cannot be made. Any earlier claim of this object is given up first.
  bool take(const std::string& folder, int slot);
  void release();
  bool held() const;

 private:
#ifdef _WIN32
  void* file_ = nullptr;  // the lock file, opened without sharing
#else
  int fd_ = -1;  // the lock file, locked exclusively
#endif
};

}  // namespace kelmo::sim
