#include "acquisition/vendor_library_windows.h"

#include <windows.h>

#include <cstddef>

#include "acquisition/e154_interface.h"
#include "platform/file_path.h"
#include "platform/utf16.h"

namespace kelmo {

// The records go to the library as they are: its layout and the kernel's.
static_assert(sizeof(OVERLAPPED_BLOCK) == sizeof(OVERLAPPED));
static_assert(offsetof(OVERLAPPED_BLOCK, Offset) == offsetof(OVERLAPPED, Offset));
static_assert(offsetof(OVERLAPPED_BLOCK, OffsetHigh) == offsetof(OVERLAPPED, OffsetHigh));
static_assert(offsetof(OVERLAPPED_BLOCK, hEvent) == offsetof(OVERLAPPED, hEvent));
static_assert(sizeof(DWORD) == sizeof(::DWORD) && sizeof(BOOL) == sizeof(::BOOL));

namespace {

// The entry points use the Windows API convention (stdcall on 32-bit Windows).
using GetDllVersionEntry = DWORD(KELMO_STDCALL*)();
using CreateLInstanceEntry = void*(KELMO_STDCALL*)(const char* deviceName);

template <class Entry>
Entry entryPoint(HMODULE module, const char* name) {
  // Through the generic function pointer type, which any function pointer converts to.
  return reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// The system's text in the wide form: the narrow one is in the ANSI code page, not UTF-8.
std::string systemMessage(::DWORD code) {
  wchar_t* text = nullptr;
  const ::DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message = length != 0 && text != nullptr ? utf16ToUtf8(std::wstring_view(text, length)) : std::string();
  if (text != nullptr) LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
    message.pop_back();
  return "error " + std::to_string(code) + (message.empty() ? "" : " (" + message + ")");
}

class VendorLibrary final : public ModuleLibrary {
 public:
  VendorLibrary(HMODULE module, GetDllVersionEntry getDllVersion, CreateLInstanceEntry createLInstance)
      : module_(module), getDllVersion_(getDllVersion), createLInstance_(createLInstance) {}
  ~VendorLibrary() override { FreeLibrary(module_); }
  VendorLibrary(const VendorLibrary&) = delete;
  VendorLibrary& operator=(const VendorLibrary&) = delete;

  DWORD GetDllVersion() override { return getDllVersion_(); }
  ILE154* CreateLInstance(const char* deviceName) override {
    return static_cast<ILE154*>(createLInstance_(deviceName));
  }

 private:
  HMODULE module_;
  GetDllVersionEntry getDllVersion_;
  CreateLInstanceEntry createLInstance_;
};

}  // namespace

std::shared_ptr<ModuleLibrary> loadVendorLibrary(const std::string& fileName, std::string& error,
                                                 VendorLibraryLoadFailure* failure) {
  if (failure != nullptr) *failure = VendorLibraryLoadFailure::None;
  HMODULE module = LoadLibraryW(filePath(fileName).c_str());
  if (module == nullptr) {
    const ::DWORD code = GetLastError();
    error = "cannot load the module library \"" + fileName + "\": " + systemMessage(code);
    if (failure != nullptr) {
      *failure = code == ERROR_BAD_EXE_FORMAT ? VendorLibraryLoadFailure::OtherArchitecture
                                              : VendorLibraryLoadFailure::NotLoaded;
    }
    return nullptr;
  }
  const auto getDllVersion = entryPoint<GetDllVersionEntry>(module, "GetDllVersion");
  const auto createLInstance = entryPoint<CreateLInstanceEntry>(module, "CreateLInstance");
  if (getDllVersion == nullptr || createLInstance == nullptr) {
    error = "the module library \"" + fileName + "\" has no entry point " +
            (getDllVersion == nullptr ? "GetDllVersion" : "CreateLInstance");
    FreeLibrary(module);
    return nullptr;
  }
  return std::make_shared<VendorLibrary>(module, getDllVersion, createLInstance);
}

}  // namespace kelmo
