#pragma once
// A 16-bit PCM WAV file written as frames arrive; its sizes are completed on close.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

#include "discharge/sound_streams.h"

namespace kelmo {

class WavFile {
 public:
  // Creates the file with its header; empty on success, otherwise the reason.
  std::string create(const std::string& path, const WaveFormat& format);
  void append(std::span<const std::int16_t> samples);
  void close();
  bool isOpen() const { return file_ != nullptr; }

 private:
  void writeHeader();

  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Closer> file_;
  WaveFormat format_;
  std::uint64_t dataBytes_ = 0;
};

}  // namespace kelmo
