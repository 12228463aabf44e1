// Library loading in the shape the relay expects: modules loaded by name, entries
// found by export ordinal, a per-thread "last error" code.
//
// Contract:
//  - LoadLibraryA tries the name as given, then its Linux form (a ".dll" name
//    "DIR/NAME.DLL" becomes "DIR/libname.so"), through the usual dlopen search.
//    It returns a module handle greater than 32, or 0 with GetLastError() set to
//    ERROR_MOD_NOT_FOUND. Loading a module that is already loaded returns the same
//    handle and counts one more reference.
//  - GetProcAddress takes a symbol name, or an ordinal made with MAKEINTRESOURCEA(n);
//    ordinal n is the exported symbol "ordinal_n". A missing export gives nullptr
//    with GetLastError() == ERROR_PROC_NOT_FOUND.
//  - FreeLibrary drops one reference; the last one unloads the module.
#ifndef VX_PLATFORM_KERNEL32_H_
#define VX_PLATFORM_KERNEL32_H_

#include <cstdint>

using HMODULE = std::intptr_t;
using FARPROC = void*;

constexpr std::uint32_t ERROR_SUCCESS = 0;
constexpr std::uint32_t ERROR_INVALID_HANDLE = 6;
constexpr std::uint32_t ERROR_MOD_NOT_FOUND = 126;
constexpr std::uint32_t ERROR_PROC_NOT_FOUND = 127;

#define MAKEINTRESOURCEA(i) (reinterpret_cast<const char*>(static_cast<std::uintptr_t>(i)))

HMODULE LoadLibraryA(const char* name);
FARPROC GetProcAddress(HMODULE module, const char* name_or_ordinal);
bool FreeLibrary(HMODULE module);
std::uint32_t GetLastError();
void SetLastError(std::uint32_t code);

namespace vx::platform {
// The Linux form of a library name: "C4TPSX.DLL" -> "libc4tpsx.so". Names that do
// not end in ".dll" (any case) come back unchanged.
const char* linux_library_name(const char* name, char* out, std::size_t out_size);
// Number of modules currently loaded through LoadLibraryA (for tests).
int loaded_module_count();
// References LoadLibraryA holds on a module (0 when the handle is not loaded; for tests).
int module_reference_count(HMODULE module);
}  // namespace vx::platform

#endif  // VX_PLATFORM_KERNEL32_H_
