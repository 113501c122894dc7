#include "discharge/wav_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "platform/file_path.h"

namespace kelmo {

namespace {

void put16(std::byte*& at, std::uint16_t v) {
  for (int i = 0; i < 2; ++i) *at++ = std::byte(v >> (8 * i));
}

void put32(std::byte*& at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) *at++ = std::byte(v >> (8 * i));
}

void putTag(std::byte*& at, const char* tag) {
  for (int i = 0; i < 4; ++i) *at++ = std::byte(tag[i]);
}

}  // namespace

std::string WavFile::create(const std::string& path, const WaveFormat& format) {
  file_.reset(openFile(path, "wb"));
  if (!file_) return "cannot create \"" + path + "\": " + std::strerror(errno);
  format_ = format;
  dataBytes_ = 0;
  writeHeader();
  return {};
}

void WavFile::append(std::span<const std::int16_t> samples) {
  if (!file_) return;
  // Samples are little-endian in the file, as in memory on the platforms built for.
  std::fwrite(samples.data(), sizeof(std::int16_t), samples.size(), file_.get());
  dataBytes_ += samples.size_bytes();
}

void WavFile::close() {
  if (!file_) return;
  std::fseek(file_.get(), 0, SEEK_SET);
  writeHeader();
  file_.reset();
}

void WavFile::writeHeader() {
  const auto data = static_cast<std::uint32_t>(std::min<std::uint64_t>(dataBytes_, 0xFFFFFFFFu - 36));
  std::array<std::byte, 44> header{};
  std::byte* at = header.data();
  putTag(at, "RIFF");
  put32(at, 36 + data);
  putTag(at, "WAVE");
  putTag(at, "fmt ");
  put32(at, 16);
  put16(at, 1);  // PCM
  put16(at, format_.channels);
  put32(at, format_.framesPerSecond);
  put32(at, format_.bytesPerSecond);
  put16(at, format_.bytesPerFrame);
  put16(at, format_.bitsPerSample);
  putTag(at, "data");
  put32(at, data);
  std::fwrite(header.data(), 1, header.size(), file_.get());
}

}  // namespace kelmo
