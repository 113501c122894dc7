#pragma once
// The E-154 module as its vendor library exposes it: an interface whose virtual operations
// sit in fixed slots. Slots the program does not call are kept so the layout matches.
// No virtual destructor and no overloads: the slot order is the library's.
#include <bit>
#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define KELMO_STDCALL __stdcall
#else
#define KELMO_STDCALL
#endif

namespace kelmo {

using WORD = std::uint16_t;
using BYTE = std::uint8_t;
using DWORD = std::uint32_t;
using BOOL = std::int32_t;       // a module boolean: true is -1, success is nonzero
using DeviceHandle = void*;      // the device handle reads are cancelled on

constexpr BOOL kModuleTrue = -1;

static_assert(std::endian::native == std::endian::little, "the records are little-endian");

// ADC settings record, 72 bytes, little-endian.
#pragma pack(push, 1)
struct ADC_PARS_E154 {
  WORD ClkSource;             // 0: set to 0 before SET_ADC_PARS
  WORD EnableClkOutput;       // 2: set to 0
  WORD InputMode;             // 4: set to 0
  WORD SynchroParams[4];      // 6: passed back as read
  WORD ChannelsQuantity;      // 14
  WORD ControlTable[16];      // 16: entry i = range code * 64 + i
  double AdcRate;             // 48: kHz
  double InterKadrDelay;      // 56: ms
  double KadrRate;            // 64: kHz, read only
};
#pragma pack(pop)
static_assert(sizeof(ADC_PARS_E154) == 72);
static_assert(offsetof(ADC_PARS_E154, SynchroParams) == 6);
static_assert(offsetof(ADC_PARS_E154, ChannelsQuantity) == 14);
static_assert(offsetof(ADC_PARS_E154, ControlTable) == 16);
static_assert(offsetof(ADC_PARS_E154, AdcRate) == 48);
static_assert(offsetof(ADC_PARS_E154, InterKadrDelay) == 56);
static_assert(offsetof(ADC_PARS_E154, KadrRate) == 64);

// Overlapped-I/O block: the Windows OVERLAPPED layout. Off Windows, hEvent points to a
// kelmo::AutoResetEvent that the module sets when the request's buffer is full.
struct OVERLAPPED_BLOCK {
  std::uintptr_t Internal;
  std::uintptr_t InternalHigh;
  DWORD Offset;
  DWORD OffsetHigh;
  void* hEvent;
};

// Read request: buffer, samples to read, samples read, overlapped block, time-out in ms.
struct IO_REQUEST_LUSBAPI {
  std::int16_t* Buffer;
  DWORD NumberOfWordsToPass;
  DWORD NumberOfWordsPassed;
  OVERLAPPED_BLOCK* Overlapped;
  DWORD TimeOut;
};
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(OVERLAPPED_BLOCK) == 20);
static_assert(sizeof(IO_REQUEST_LUSBAPI) == 20);
#endif

// Description record: zero-terminated texts at fixed byte offsets.
constexpr std::size_t kDescriptionSerialOffset = 50;
constexpr std::size_t kDescriptionRevisionOffset = 66;
constexpr std::size_t kDescriptionMcuVersionOffset = 646;
constexpr std::size_t kDescriptionMcuTextOffset = 656;
// Sized with a wide margin: the record is written by the library, which may fill more
// of it than the texts read here.
constexpr std::size_t kDescriptionSize = 4096;
struct MODULE_DESCRIPTION_E154 {
  BYTE bytes[kDescriptionSize];
};

class ILE154 {
 public:
  virtual BOOL KELMO_STDCALL OpenLDevice(WORD virtualSlot) = 0;                  // 0
  virtual BOOL KELMO_STDCALL CloseLDevice() = 0;                                 // 1
  virtual BOOL KELMO_STDCALL ReleaseLInstance() = 0;                             // 2
  // Not named GetModuleHandle: windows.h defines that name as a macro.
  virtual DeviceHandle KELMO_STDCALL GetDeviceHandle() = 0;                      // 3
  virtual BOOL KELMO_STDCALL GetModuleName(char* name) = 0;                      // 4
  virtual BOOL KELMO_STDCALL GetUsbSpeed(BYTE* usbSpeed) = 0;                    // 5
  virtual BOOL KELMO_STDCALL Slot6() = 0;                                        // 6
  virtual BOOL KELMO_STDCALL Slot7() = 0;                                        // 7
  virtual BOOL KELMO_STDCALL GET_ADC_PARS(ADC_PARS_E154* pars) = 0;              // 8
  virtual BOOL KELMO_STDCALL SET_ADC_PARS(ADC_PARS_E154* pars) = 0;              // 9
  virtual BOOL KELMO_STDCALL START_ADC() = 0;                                    // 10
  virtual BOOL KELMO_STDCALL STOP_ADC() = 0;                                     // 11
  virtual BOOL KELMO_STDCALL Slot12() = 0;                                       // 12
  virtual BOOL KELMO_STDCALL Slot13() = 0;                                       // 13
  virtual BOOL KELMO_STDCALL ReadData(IO_REQUEST_LUSBAPI* request) = 0;          // 14
  virtual BOOL KELMO_STDCALL Slot15() = 0;                                       // 15
  virtual BOOL KELMO_STDCALL ProcessOnePoint(std::int16_t code, double* volts,   // 16
                                             DWORD controlTableEntry, BOOL calibrateOffset,
                                             BOOL calibrateGain) = 0;
  virtual BOOL KELMO_STDCALL Slot17() = 0;                                       // 17
  virtual BOOL KELMO_STDCALL Slot18() = 0;                                       // 18
  virtual BOOL KELMO_STDCALL Slot19() = 0;                                       // 19
  virtual BOOL KELMO_STDCALL ENABLE_TTL_OUT(BOOL enable) = 0;                    // 20
  virtual BOOL KELMO_STDCALL TTL_IN(WORD* ttlIn) = 0;                            // 21
  virtual BOOL KELMO_STDCALL TTL_OUT(WORD ttlOut) = 0;                           // 22
  virtual BOOL KELMO_STDCALL Slot23() = 0;                                       // 23
  virtual BOOL KELMO_STDCALL Slot24() = 0;                                       // 24
  virtual BOOL KELMO_STDCALL Slot25() = 0;                                       // 25
  virtual BOOL KELMO_STDCALL GET_MODULE_DESCRIPTION(MODULE_DESCRIPTION_E154* d) = 0;  // 26

 protected:
  ~ILE154() = default;  // released through ReleaseLInstance, never deleted by the caller
};

}  // namespace kelmo
