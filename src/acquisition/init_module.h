#pragma once
// Module initialisation: from nothing to a configured ADC, every step reported as a line.
#include <functional>
#include <string>

namespace kelmo {

// The failure when no module library was put in use (the program chooses one at start-up).
inline constexpr const char* kNoModuleLibrary = "Не выбрана библиотека модуля E-154!";

// Checks the library version, obtains the interface (releasing one still held), finds the
// module among the virtual slots, identifies it, reads its description and sends the ADC
// settings of the parameter object. Fills the module globals. On failure the message is
// logged, stored in errorText, and false returned; an interface obtained stays in pModule.
// Takes no lock: main thread, no test run active.
bool initModule(const std::function<void(const std::string&)>& log, std::string& errorText);

}  // namespace kelmo
