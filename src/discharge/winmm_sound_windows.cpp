#include <windows.h>
#include <mmsystem.h>

#include "discharge/winmm_sound.h"

namespace kelmo {

// One direction: its handle, its kernel event, the generator's event and the headers of
// the blocks prepared for it.
struct WinmmSound::Stream {
  bool input = false;
  HWAVEIN in = nullptr;
  HWAVEOUT out = nullptr;
  HANDLE event = nullptr;
  AutoResetEvent* notify = nullptr;
  std::map<SoundBlock*, std::unique_ptr<WAVEHDR>> headers;

  bool opened() const { return input ? in != nullptr : out != nullptr; }
};

WinmmSound::WinmmSound()
    : input_(std::make_unique<Stream>()),
      output_(std::make_unique<Stream>()),
      stopRelay_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
  input_->input = true;
}

WinmmSound::~WinmmSound() {
  closeInput();
  closeOutput();
  stopRelay();
  if (stopRelay_ != nullptr) CloseHandle(stopRelay_);
}

bool WinmmSound::available() { return waveInGetNumDevs() > 0 && waveOutGetNumDevs() > 0; }

std::string WinmmSound::deviceName() const { return "Windows sound device 0 (waveIn/waveOut)"; }

std::string WinmmSound::open(const WaveFormat& format, AutoResetEvent& inputEvent, AutoResetEvent& outputEvent) {
  WAVEFORMATEX wave{};
  wave.wFormatTag = WAVE_FORMAT_PCM;
  wave.nChannels = format.channels;
  wave.nSamplesPerSec = format.framesPerSecond;
  wave.wBitsPerSample = format.bitsPerSample;
  wave.nBlockAlign = format.bytesPerFrame;
  wave.nAvgBytesPerSec = format.bytesPerSecond;
  wave.cbSize = 0;

  input_->event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  output_->event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (input_->event == nullptr || output_->event == nullptr || stopRelay_ == nullptr)
    return "no event can be made";
  input_->notify = &inputEvent;
  output_->notify = &outputEvent;
  // The relay runs before the streams open, so their opening notifications reach the generator.
  relay_ = std::thread([this] { relay(); });

  if (const MMRESULT r = waveInOpen(&input_->in, 0, &wave, reinterpret_cast<DWORD_PTR>(input_->event), 0,
                                    CALLBACK_EVENT);
      r != MMSYSERR_NOERROR) {
    input_->in = nullptr;
    return "waveInOpen: " + std::to_string(r);
  }
  if (const MMRESULT r = waveOutOpen(&output_->out, 0, &wave, reinterpret_cast<DWORD_PTR>(output_->event), 0,
                                     CALLBACK_EVENT);
      r != MMSYSERR_NOERROR) {
    output_->out = nullptr;
    return "waveOutOpen: " + std::to_string(r);
  }
  return "";
}

void WinmmSound::relay() {
  const HANDLE events[3] = {input_->event, output_->event, stopRelay_};
  for (;;) {
    const DWORD which = WaitForMultipleObjects(3, events, FALSE, INFINITE);
    if (which == WAIT_OBJECT_0 + 2 || which == WAIT_FAILED) return;
    Stream& stream = which == WAIT_OBJECT_0 ? *input_ : *output_;
    takeDoneBlocks(stream);
    stream.notify->set();
  }
}

void WinmmSound::takeDoneBlocks(Stream& stream) {
  std::lock_guard lock(mutex_);
  for (auto& [block, header] : stream.headers) {
    const unsigned flags = block->flags.load(std::memory_order_acquire);
    if ((flags & kBlockQueued) != 0 && (header->dwFlags & WHDR_DONE) != 0) {
      block->flags.store((flags & ~kBlockQueued) | kBlockDone, std::memory_order_release);
      ++(stream.input ? counters_.blocksRecorded : counters_.blocksPlayed);
    }
  }
}

void WinmmSound::stopRelay() {
  if (!relay_.joinable()) return;
  SetEvent(stopRelay_);
  relay_.join();
  for (Stream* stream : {input_.get(), output_.get()}) {
    if (stream->event != nullptr) CloseHandle(stream->event);
    stream->event = nullptr;
  }
}

namespace {

WAVEHDR* headerFor(std::map<SoundBlock*, std::unique_ptr<WAVEHDR>>& headers, SoundBlock& block) {
  auto& header = headers[&block];
  if (!header) header = std::make_unique<WAVEHDR>();
  *header = WAVEHDR{};
  header->lpData = reinterpret_cast<LPSTR>(block.data);
  header->dwBufferLength = static_cast<DWORD>(block.bytes);
  return header.get();
}

}  // namespace

void WinmmSound::prepareOutput(SoundBlock& block) {
  std::lock_guard lock(mutex_);
  if (!output_->opened()) return;
  WAVEHDR* header = headerFor(output_->headers, block);
  waveOutPrepareHeader(output_->out, header, sizeof(WAVEHDR));
  block.flags.store(kBlockPrepared, std::memory_order_release);
}

void WinmmSound::prepareInput(SoundBlock& block) {
  std::lock_guard lock(mutex_);
  if (!input_->opened()) return;
  WAVEHDR* header = headerFor(input_->headers, block);
  waveInPrepareHeader(input_->in, header, sizeof(WAVEHDR));
  block.flags.store(kBlockPrepared, std::memory_order_release);
}

unsigned WinmmSound::addInput(SoundBlock& block) {
  std::lock_guard lock(mutex_);
  if (!input_->opened()) return kSoundNotOpen;
  const auto found = input_->headers.find(&block);
  if (found == input_->headers.end()) return kSoundUnprepared;
  block.flags.store(kBlockPrepared | kBlockQueued, std::memory_order_release);
  const MMRESULT r = waveInAddBuffer(input_->in, found->second.get(), sizeof(WAVEHDR));
  if (r != MMSYSERR_NOERROR) block.flags.store(kBlockPrepared, std::memory_order_release);
  return r;
}

void WinmmSound::startInput() {
  std::lock_guard lock(mutex_);
  if (input_->opened()) waveInStart(input_->in);
}

unsigned WinmmSound::writeOutput(SoundBlock& block) {
  std::lock_guard lock(mutex_);
  if (!output_->opened()) return kSoundNotOpen;
  const auto found = output_->headers.find(&block);
  if (found == output_->headers.end()) return kSoundUnprepared;
  block.flags.store(kBlockPrepared | kBlockQueued, std::memory_order_release);
  const MMRESULT r = waveOutWrite(output_->out, found->second.get(), sizeof(WAVEHDR));
  if (r != MMSYSERR_NOERROR) block.flags.store(kBlockPrepared, std::memory_order_release);
  return r;
}

void WinmmSound::resetInput() {
  {
    std::lock_guard lock(mutex_);
    if (!input_->opened()) return;
  }
  waveInReset(input_->in);
  takeDoneBlocks(*input_);
}

void WinmmSound::resetOutput() {
  {
    std::lock_guard lock(mutex_);
    if (!output_->opened()) return;
  }
  waveOutReset(output_->out);
  takeDoneBlocks(*output_);
}

void WinmmSound::closeInput() {
  {
    std::lock_guard lock(mutex_);
    if (input_->opened()) {
      for (auto& [block, header] : input_->headers) waveInUnprepareHeader(input_->in, header.get(), sizeof(WAVEHDR));
      waveInClose(input_->in);
      input_->in = nullptr;
      input_->headers.clear();
    }
    if (output_->opened()) return;
  }
  stopRelay();  // both closed: no event is touched afterwards
}

void WinmmSound::closeOutput() {
  {
    std::lock_guard lock(mutex_);
    if (output_->opened()) {
      for (auto& [block, header] : output_->headers) waveOutUnprepareHeader(output_->out, header.get(), sizeof(WAVEHDR));
      waveOutClose(output_->out);
      output_->out = nullptr;
      output_->headers.clear();
    }
    if (input_->opened()) return;
  }
  stopRelay();
}

SoundCounters WinmmSound::counters() const {
  std::lock_guard lock(mutex_);
  return counters_;
}

}  // namespace kelmo
