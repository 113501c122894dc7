#pragma once
// The module interface as a library hands it out: an object whose first word points to a
// table of operations, called with the Windows API convention, the interface passed first.
// Declared here on its own, from the slot table alone, so that a program whose side of
// the interface is wrong fails against it.
#include <windows.h>

#include <cstdint>

namespace standin {

class E154Slots {
 public:
  virtual BOOL WINAPI OpenLDevice(WORD virtualSlot) = 0;                           // 0
  virtual BOOL WINAPI CloseLDevice() = 0;                                          // 1
  virtual BOOL WINAPI ReleaseLInstance() = 0;                                      // 2
  virtual HANDLE WINAPI DeviceHandle() = 0;                                        // 3
  virtual BOOL WINAPI GetModuleName(char* name) = 0;                               // 4
  virtual BOOL WINAPI GetUsbSpeed(BYTE* usbSpeed) = 0;                             // 5
  virtual BOOL WINAPI Unused6() = 0;                                               // 6
  virtual BOOL WINAPI Unused7() = 0;                                               // 7
  virtual BOOL WINAPI GET_ADC_PARS(void* adcRecord) = 0;                           // 8
  virtual BOOL WINAPI SET_ADC_PARS(void* adcRecord) = 0;                           // 9
  virtual BOOL WINAPI START_ADC() = 0;                                             // 10
  virtual BOOL WINAPI STOP_ADC() = 0;                                              // 11
  virtual BOOL WINAPI Unused12() = 0;                                              // 12
  virtual BOOL WINAPI Unused13() = 0;                                              // 13
  virtual BOOL WINAPI ReadData(void* readRequest) = 0;                             // 14
  virtual BOOL WINAPI Unused15() = 0;                                              // 15
  virtual BOOL WINAPI ProcessOnePoint(SHORT code, double* volts, DWORD controlEntry,
                                      BOOL calibrateOffset, BOOL calibrateGain) = 0;  // 16
  virtual BOOL WINAPI Unused17() = 0;                                              // 17
  virtual BOOL WINAPI Unused18() = 0;                                              // 18
  virtual BOOL WINAPI Unused19() = 0;                                              // 19
  virtual BOOL WINAPI ENABLE_TTL_OUT(BOOL enable) = 0;                             // 20
  virtual BOOL WINAPI TTL_IN(WORD* ttlIn) = 0;                                     // 21
  virtual BOOL WINAPI TTL_OUT(WORD ttlOut) = 0;                                    // 22
  virtual BOOL WINAPI Unused23() = 0;                                              // 23
  virtual BOOL WINAPI Unused24() = 0;                                              // 24
  virtual BOOL WINAPI Unused25() = 0;                                              // 25
  virtual BOOL WINAPI GET_MODULE_DESCRIPTION(void* descriptionRecord) = 0;         // 26

 protected:
  ~E154Slots() = default;
};

// The read request record: buffer, samples to read, samples read, overlapped block,
// time-out in ms.
struct ReadRequest {
  SHORT* Buffer;
  DWORD NumberOfWordsToPass;
  DWORD NumberOfWordsPassed;
  OVERLAPPED* Overlapped;
  DWORD TimeOut;
};
#ifndef _WIN64
static_assert(sizeof(ReadRequest) == 20);
#endif

}  // namespace standin
