#pragma once
// A joinable thread with a requested stack size and a name that debuggers show.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace kelmo {

class OsThread {
 public:
  OsThread();
  ~OsThread();  // joins when still joinable
  OsThread(const OsThread&) = delete;
  OsThread& operator=(const OsThread&) = delete;
  OsThread(OsThread&&) noexcept;
  OsThread& operator=(OsThread&&) noexcept;

  // Starts body on a new thread. The stack is raised to the platform's minimum
  // (and enlarged under sanitizers). Returns false when no thread could be created.
  bool start(std::function<void()> body, std::size_t stackBytes = 0, std::string name = {});
  bool joinable() const;
  void join();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Names the calling thread for debuggers; failures are ignored.
void nameCurrentThread(const std::string& name);

}  // namespace kelmo
