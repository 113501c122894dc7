// The module library as the Windows program uses it, loaded from a DLL (the stand-in
// library, which carries the simulated module) and as the simulated module inside the
// program (KELMO_MODULE_LIBRARY=sim): every slot the program calls, the overlapped reads
// completed and cancelled through the kernel, and the choice of the library at start-up.
// Each result is compared with the plain simulated module with the same settings.
#include "acquisition/vendor_library_windows.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/e154_interface.h"
#include "app/module_library_choice.h"
#include "platform/auto_reset_event.h"
#include "sim/sim_library.h"

namespace kelmo {
namespace {

namespace fs = std::filesystem;

// Settings other than the defaults, so that they visibly reach the library.
constexpr const char* kStandInSettings = "slot=3;serial=1E154WINE7;usb=full;paced=0;latency_us=0";
constexpr WORD kSlot = 3;

std::string standInPath() { return fs::absolute(KELMO_STANDIN_DLL).string(); }

sim::SimConfig standInConfig() {
  sim::SimConfig config;
  std::string problem;
  EXPECT_TRUE(sim::parseSimConfig(kStandInSettings, config, problem)) << problem;
  return config;
}

void setEnvironment(const char* name, const char* value) { ASSERT_EQ(_putenv_s(name, value), 0); }

// A kernel event, closed at the end of its scope.
class KernelEvent {
 public:
  KernelEvent() : handle_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
  ~KernelEvent() { CloseHandle(handle_); }
  KernelEvent(const KernelEvent&) = delete;
  KernelEvent& operator=(const KernelEvent&) = delete;
  HANDLE get() const { return handle_; }
  bool signalledWithin(::DWORD ms) const { return WaitForSingleObject(handle_, ms) == WAIT_OBJECT_0; }

 private:
  HANDLE handle_;
};

// One read through the library: its buffer, overlapped block and event.
struct KernelRead {
  explicit KernelRead(DWORD samples) : buffer(samples, 0x5555) {
    overlapped.hEvent = event.get();
    request.Buffer = buffer.data();
    request.NumberOfWordsToPass = samples;
    request.NumberOfWordsPassed = 77;
    request.Overlapped = &overlapped;
    request.TimeOut = 1000;
  }
  KernelEvent event;
  std::vector<std::int16_t> buffer;
  OVERLAPPED_BLOCK overlapped{};
  IO_REQUEST_LUSBAPI request{};
};

// The same read from the simulated module in this process.
std::vector<std::int16_t> referenceBlocks(const std::vector<DWORD>& sizes) {
  sim::SimLibrary library(standInConfig());
  ILE154* module = library.CreateLInstance("e154");
  EXPECT_NE(module->OpenLDevice(kSlot), 0);
  struct Read {
    AutoResetEvent event;
    OVERLAPPED_BLOCK overlapped{};
    IO_REQUEST_LUSBAPI request{};
  };
  std::vector<std::int16_t> samples;
  std::size_t total = 0;
  for (DWORD n : sizes) total += n;
  samples.resize(total);
  std::vector<std::unique_ptr<Read>> reads;
  std::size_t at = 0;
  for (DWORD n : sizes) {
    auto read = std::make_unique<Read>();
    read->overlapped.hEvent = &read->event;
    read->request = {samples.data() + at, n, 0, &read->overlapped, 1000};
    EXPECT_NE(module->ReadData(&read->request), 0);
    reads.push_back(std::move(read));
    at += n;
  }
  EXPECT_NE(module->START_ADC(), 0);
  for (auto& read : reads) EXPECT_TRUE(read->event.waitFor(std::chrono::seconds(5)));
  module->STOP_ADC();
  module->ReleaseLInstance();
  return samples;
}

// Which library: "standin", the DLL, or "sim", the program's own simulated module.
class VendorLibraryTest : public ::testing::TestWithParam<std::string> {
 protected:
  static void SetUpTestSuite() { setEnvironment("KELMO_SIM", kStandInSettings); }

  void SetUp() override {
    std::string error;
    if (GetParam() == "standin") {
      library_ = loadVendorLibrary(standInPath(), error);
    } else {
      setEnvironment("KELMO_MODULE_LIBRARY", "sim");
      setEnvironment("KELMO_SIM_LOCK_DIR", fs::absolute("vendor_library_slots").string().c_str());
      library_ = chooseModuleLibraryFromEnvironment(error);
      setEnvironment("KELMO_MODULE_LIBRARY", "");
    }
    ASSERT_NE(library_, nullptr) << error;
    module_ = library_->CreateLInstance("e154");
    ASSERT_NE(module_, nullptr);
    reference_ = referenceLibrary_.CreateLInstance("e154");
  }
  void TearDown() override {
    if (module_ != nullptr && !released_) module_->ReleaseLInstance();
    reference_->ReleaseLInstance();
  }

  void open() {
    ASSERT_NE(module_->OpenLDevice(kSlot), 0);
    ASSERT_NE(reference_->OpenLDevice(kSlot), 0);
  }

  std::shared_ptr<ModuleLibrary> library_;
  ILE154* module_ = nullptr;
  sim::SimLibrary referenceLibrary_{standInConfig()};
  ILE154* reference_ = nullptr;
  bool released_ = false;
};

TEST_P(VendorLibraryTest, EntryPointsGiveTheVersionAndAnInterfaceOnlyForE154) {
  EXPECT_EQ(library_->GetDllVersion(), 0x00030004u);
  EXPECT_EQ(library_->CreateLInstance("e140"), nullptr);
  EXPECT_EQ(library_->CreateLInstance(""), nullptr);
}

TEST_P(VendorLibraryTest, OpenLDeviceAnswersOnlyInTheModulesSlot) {
  EXPECT_EQ(module_->OpenLDevice(0), 0);
  EXPECT_EQ(module_->OpenLDevice(kSlot + 1), 0);
  EXPECT_NE(module_->OpenLDevice(kSlot), 0);
  EXPECT_NE(module_->CloseLDevice(), 0);
  EXPECT_EQ(module_->GetUsbSpeed(nullptr), 0);  // closed again: nothing answers
}

TEST_P(VendorLibraryTest, IdentityAndDescription) {
  open();
  char name[32];
  std::memset(name, 'x', sizeof name);
  ASSERT_NE(module_->GetModuleName(name), 0);
  EXPECT_STREQ(name, "E154");

  BYTE speed = 7;
  ASSERT_NE(module_->GetUsbSpeed(&speed), 0);
  EXPECT_EQ(speed, 0);  // full speed, as configured

  MODULE_DESCRIPTION_E154 description{};
  MODULE_DESCRIPTION_E154 expected{};
  ASSERT_NE(module_->GET_MODULE_DESCRIPTION(&description), 0);
  ASSERT_NE(reference_->GET_MODULE_DESCRIPTION(&expected), 0);
  EXPECT_EQ(std::memcmp(&description, &expected, sizeof description), 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(description.bytes + kDescriptionSerialOffset), "1E154WINE7");
}

TEST_P(VendorLibraryTest, AdcSettingsComeBackAsTheModuleHasThem) {
  open();
  ADC_PARS_E154 pars{};
  ADC_PARS_E154 expected{};
  ASSERT_NE(module_->GET_ADC_PARS(&pars), 0);
  ASSERT_NE(reference_->GET_ADC_PARS(&expected), 0);
  EXPECT_EQ(std::memcmp(&pars, &expected, sizeof pars), 0);

  pars.ClkSource = pars.EnableClkOutput = pars.InputMode = 0;
  pars.ChannelsQuantity = 4;
  for (WORD i = 0; i < 16; ++i) pars.ControlTable[i] = static_cast<WORD>((i % 4) * 64 + i);
  pars.AdcRate = 77.7;
  pars.InterKadrDelay = 0.0;
  expected = pars;
  ASSERT_NE(module_->SET_ADC_PARS(&pars), 0);
  ASSERT_NE(reference_->SET_ADC_PARS(&expected), 0);
  EXPECT_EQ(std::memcmp(&pars, &expected, sizeof pars), 0);  // the actual rates written back
  EXPECT_NE(pars.AdcRate, 77.7);
}

TEST_P(VendorLibraryTest, CodesConvertToTheModulesVolts) {
  open();
  struct Case {
    std::int16_t code;
    DWORD entry;
    BOOL offset;
    BOOL gain;
  };
  const Case cases[] = {
      {0, 0 * 64 + 0, kModuleTrue, kModuleTrue},        {1000, 1 * 64 + 1, kModuleTrue, kModuleTrue},
      {-1000, 2 * 64 + 2, kModuleTrue, kModuleTrue},    {8000, 3 * 64 + 3, kModuleTrue, kModuleTrue},
      {-8192, 0 * 64 + 7, kModuleTrue, kModuleTrue},    {32767, 3 * 64 + 5, kModuleTrue, kModuleTrue},
      {1234, 1 * 64 + 0, 0, 0},                          {1234, 1 * 64 + 0, kModuleTrue, 0},
      {1234, 1 * 64 + 0, 0, kModuleTrue},
  };
  for (const Case& c : cases) {
    double volts = -99.0;
    double expected = -98.0;
    ASSERT_NE(module_->ProcessOnePoint(c.code, &volts, c.entry, c.offset, c.gain), 0);
    ASSERT_NE(reference_->ProcessOnePoint(c.code, &expected, c.entry, c.offset, c.gain), 0);
    EXPECT_EQ(volts, expected) << "code " << c.code << ", entry " << c.entry << ", " << c.offset << "/" << c.gain;
  }
}

TEST_P(VendorLibraryTest, DigitalOutputsLoopBackToTheInputsWhileEnabled) {
  open();
  WORD in = 0x1111;
  ASSERT_NE(module_->ENABLE_TTL_OUT(kModuleTrue), 0);
  ASSERT_NE(module_->TTL_OUT(0xA5C3), 0);
  ASSERT_NE(module_->TTL_IN(&in), 0);
  EXPECT_EQ(in, 0xA5C3);
  ASSERT_NE(module_->ENABLE_TTL_OUT(0), 0);
  ASSERT_NE(module_->TTL_IN(&in), 0);
  EXPECT_EQ(in, 0);
}

TEST_P(VendorLibraryTest, ReadsCompleteThroughTheCallersOverlappedEventsInOrder) {
  open();
  ASSERT_NE(module_->STOP_ADC(), 0);
  KernelRead first(1312);
  KernelRead second(656);
  ASSERT_NE(module_->ReadData(&first.request), 0);
  ASSERT_NE(module_->ReadData(&second.request), 0);
  EXPECT_EQ(first.request.NumberOfWordsPassed, 0u);
  EXPECT_FALSE(first.event.signalledWithin(100));  // nothing is sampled before START_ADC

  ASSERT_NE(module_->START_ADC(), 0);
  ASSERT_TRUE(first.event.signalledWithin(5000));
  ASSERT_TRUE(second.event.signalledWithin(5000));
  for (KernelRead* read : {&first, &second}) {
    ::DWORD bytes = 0;
    ASSERT_TRUE(GetOverlappedResult(module_->GetDeviceHandle(), reinterpret_cast<OVERLAPPED*>(&read->overlapped),
                                    &bytes, FALSE));
    EXPECT_EQ(bytes, read->buffer.size() * sizeof(std::int16_t));
  }
  ASSERT_NE(module_->STOP_ADC(), 0);

  const std::vector<std::int16_t> expected = referenceBlocks({1312, 656});
  EXPECT_TRUE(std::equal(first.buffer.begin(), first.buffer.end(), expected.begin()));
  EXPECT_TRUE(std::equal(second.buffer.begin(), second.buffer.end(), expected.begin() + 1312));
}

TEST_P(VendorLibraryTest, CancelIoOnTheDeviceHandleEndsTheCallersPendingRead) {
  open();
  KernelRead pending(2000);
  ASSERT_NE(module_->ReadData(&pending.request), 0);
  const DeviceHandle handle = module_->GetDeviceHandle();
  ASSERT_NE(handle, nullptr);
  ASSERT_TRUE(CancelIo(static_cast<HANDLE>(handle)));
  ASSERT_TRUE(pending.event.signalledWithin(5000));
  ::DWORD bytes = 0;
  EXPECT_FALSE(GetOverlappedResult(static_cast<HANDLE>(handle), reinterpret_cast<OVERLAPPED*>(&pending.overlapped),
                                   &bytes, FALSE));
  EXPECT_EQ(GetLastError(), static_cast<::DWORD>(ERROR_OPERATION_ABORTED));
  EXPECT_EQ(pending.buffer.front(), 0x5555);

  // After a stop the next run's first read gets the run's first samples, of its own size.
  ASSERT_NE(module_->STOP_ADC(), 0);
  KernelRead next(500);
  ASSERT_NE(module_->ReadData(&next.request), 0);
  ASSERT_NE(module_->START_ADC(), 0);
  ASSERT_TRUE(next.event.signalledWithin(5000));
  ASSERT_TRUE(GetOverlappedResult(static_cast<HANDLE>(handle), reinterpret_cast<OVERLAPPED*>(&next.overlapped),
                                  &bytes, FALSE));
  EXPECT_EQ(bytes, 1000u);
  const std::vector<std::int16_t> expected = referenceBlocks({500});
  EXPECT_EQ(next.buffer, expected);
  ASSERT_NE(module_->STOP_ADC(), 0);
}

TEST_P(VendorLibraryTest, ReleaseLInstanceEndsTheInterface) {
  open();
  EXPECT_NE(module_->ReleaseLInstance(), 0);
  released_ = true;
  EXPECT_EQ(module_->ReleaseLInstance(), 0);
  KernelRead late(100);
  EXPECT_EQ(module_->ReadData(&late.request), 0);
}

INSTANTIATE_TEST_SUITE_P(Windows, VendorLibraryTest, ::testing::Values("standin", "sim"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

TEST(VendorLibraryLoad, ProblemsAreNamed) {
  struct Case {
    std::string file;
    std::string expected;
  };
  const Case cases[] = {
      {"no_such_module_library.dll", "cannot load the module library \"no_such_module_library.dll\": error 126"},
      {"kernel32.dll", "the module library \"kernel32.dll\" has no entry point GetDllVersion"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_EQ(loadVendorLibrary(c.file, error), nullptr) << c.file;
    EXPECT_EQ(error.rfind(c.expected, 0), 0u) << error;
  }
}

TEST(ModuleLibraryChoice, OnWindowsTheChoiceIsALibraryFileTheVendorsByDefault) {
  setEnvironment("KELMO_SIM", kStandInSettings);
  struct Case {
    const char* choice;
    bool loads;
    std::string error;
  };
  const std::string path = standInPath();
  const Case cases[] = {
      {"", true, ""},  // the vendor's file name, found beside this program
      {path.c_str(), true, ""},
      {"sim", true, ""},  // the simulated module inside the program
      {"missing.dll", false, "cannot load the module library \"missing.dll\""},
  };
  for (const Case& c : cases) {
    setEnvironment("KELMO_MODULE_LIBRARY", c.choice);
    std::string error;
    const std::shared_ptr<ModuleLibrary> library = chooseModuleLibraryFromEnvironment(error);
    EXPECT_EQ(library != nullptr, c.loads) << c.choice << ": " << error;
    if (c.loads) {
      ASSERT_NE(library, nullptr);
      EXPECT_EQ(library->GetDllVersion(), 0x00030004u);
    } else {
      EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
      // The message says how to start without the library.
      EXPECT_NE(error.find("\nTo run kelmo on its simulated module instead, set KELMO_MODULE_LIBRARY=sim"),
                std::string::npos)
          << error;
    }
  }
  setEnvironment("KELMO_MODULE_LIBRARY", "");
}

TEST(ModuleLibraryChoice, ALibraryOfTheOtherArchitectureIsNamedSo) {
  // Any DLL of the other architecture serves: Wine's own are at hand.
#ifdef _WIN64
  const fs::path other = "Z:/usr/lib/i386-linux-gnu/wine/i386-windows/version.dll";
#else
  const fs::path other = "Z:/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/version.dll";
#endif
  if (!fs::exists(other)) GTEST_SKIP() << "no DLL of the other architecture at " << other.string();
  setEnvironment("KELMO_MODULE_LIBRARY", other.string().c_str());
  std::string error;
  EXPECT_EQ(chooseModuleLibraryFromEnvironment(error), nullptr);
  setEnvironment("KELMO_MODULE_LIBRARY", "");
  EXPECT_NE(error.find("is a library for another processor architecture than this kelmo's"), std::string::npos)
      << error;
  EXPECT_NE(error.find("KELMO_MODULE_LIBRARY=sim"), std::string::npos) << error;
}

TEST(ModuleLibraryChoice, OnWindowsTheSimulatedSlotIsOneProgramsAtATime) {
  const fs::path slots = fs::absolute("choice_slots");
  setEnvironment("KELMO_MODULE_LIBRARY", "sim");
  setEnvironment("KELMO_SIM", "latency_us=0");
  setEnvironment("KELMO_SIM_LOCK_DIR", slots.string().c_str());
  std::string error;
  const std::shared_ptr<ModuleLibrary> first = chooseModuleLibraryFromEnvironment(error);
  const std::shared_ptr<ModuleLibrary> second = chooseModuleLibraryFromEnvironment(error);
  setEnvironment("KELMO_MODULE_LIBRARY", "");
  setEnvironment("KELMO_SIM", kStandInSettings);
  ASSERT_NE(first, nullptr) << error;
  ASSERT_NE(second, nullptr) << error;
  ILE154* a = first->CreateLInstance("e154");
  ILE154* b = second->CreateLInstance("e154");
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  // The claim is a file opened without sharing: a second opener, in this process or
  // another, is refused until the first lets go.
  ASSERT_NE(a->OpenLDevice(0), 0);
  EXPECT_TRUE(fs::exists(slots / "kelmo-sim-slot-0.lock"));
  EXPECT_EQ(b->OpenLDevice(0), 0);
  ASSERT_NE(a->CloseLDevice(), 0);
  EXPECT_NE(b->OpenLDevice(0), 0);
  EXPECT_EQ(a->OpenLDevice(0), 0);
  b->ReleaseLInstance();
  EXPECT_NE(a->OpenLDevice(0), 0);
  a->ReleaseLInstance();
}

}  // namespace
}  // namespace kelmo
