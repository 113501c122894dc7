#pragma once
// The module operations that scripts call: digital I/O and module initialisation. Each
// module call is made under ModuleLock, so it never interleaves with a worker's call.
#include <cstdint>

namespace kelmo {

// One call of the operation on pModule; true when the module reports success. With no
// interface in pModule they return false and call nothing.
bool pModule_ENABLE_TTL_OUT(bool value);
bool pModule_TTL_OUT(std::uint16_t value);
bool pModule_TTL_IN(std::uint16_t& value);

// Module initialisation with its progress lines written to the script window's output pane
// (fmScripter); on failure the failure text is written once more. Refused while a test run
// is active: the run's interface must not be replaced under it.
bool pModule_init_e154();

inline constexpr const char* kTestAlreadyRunning = "Ошибка: тест уже запущен!";

}  // namespace kelmo
