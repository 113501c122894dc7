#pragma once
// One read request as the read thread keeps it: buffer, overlapped block and event.
#include <cstdint>
#include <vector>

#include "acquisition/e154_interface.h"
#include "platform/auto_reset_event.h"

namespace kelmo::sim {

struct ReadRequest {
  explicit ReadRequest(DWORD samples, DWORD timeoutMs = 1000) : buffer(samples) {
    overlapped.hEvent = &event;
    request.Buffer = buffer.data();
    request.NumberOfWordsToPass = samples;
    request.NumberOfWordsPassed = 0;
    request.Overlapped = &overlapped;
    request.TimeOut = timeoutMs;
  }
  ReadRequest(const ReadRequest&) = delete;
  ReadRequest& operator=(const ReadRequest&) = delete;

  std::vector<std::int16_t> buffer;
  AutoResetEvent event;
  OVERLAPPED_BLOCK overlapped{};
  IO_REQUEST_LUSBAPI request{};
};

}  // namespace kelmo::sim
