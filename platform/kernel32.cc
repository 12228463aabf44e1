#include "platform/kernel32.h"

#include <dlfcn.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

// Handles are slot numbers offset past 32, not dlopen pointers: on a 32-bit build a
// pointer above 2 GiB would read as negative, and the relay treats a handle of 32 or
// less (signed) as failure.
constexpr HMODULE kHandleBase = 0x100;

struct Module {
  void* dl = nullptr;
  int refs = 0;
};

std::mutex g_mutex;
std::vector<Module> g_modules;
thread_local std::uint32_t t_last_error = ERROR_SUCCESS;

bool ends_with_dll(const char* name, std::size_t len) {
  if (len < 4) return false;
  const char* ext = name + len - 4;
  return ext[0] == '.' && std::tolower(ext[1]) == 'd' && std::tolower(ext[2]) == 'l' &&
         std::tolower(ext[3]) == 'l';
}

Module* module_of(HMODULE handle) {
  auto slot = handle - kHandleBase;
  if (slot < 0 || static_cast<std::size_t>(slot) >= g_modules.size()) return nullptr;
  Module* m = &g_modules[static_cast<std::size_t>(slot)];
  return m->refs > 0 ? m : nullptr;
}

// dlopen searches the caller's RUNPATH, but a sanitizer build intercepts dlopen and
// the search then sees the interceptor's instead. The programs' libraries all sit
// beside this one, so a bare name is also looked for in this library's folder.
void* open_module(const char* name) {
  void* dl = dlopen(name, RTLD_NOW | RTLD_LOCAL);
  if (dl != nullptr || std::strchr(name, '/') != nullptr) return dl;
  Dl_info info;
  if (dladdr(reinterpret_cast<void*>(&open_module), &info) == 0 || info.dli_fname == nullptr) {
    return nullptr;
  }
  const char* slash = std::strrchr(info.dli_fname, '/');
  if (slash == nullptr) return nullptr;
  std::string path(info.dli_fname, static_cast<std::size_t>(slash - info.dli_fname + 1));
  path += name;
  return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

}  // namespace

namespace vx::platform {

const char* linux_library_name(const char* name, char* out, std::size_t out_size) {
  std::size_t len = std::strlen(name);
  if (!ends_with_dll(name, len)) return name;
  const char* slash = std::strrchr(name, '/');
  std::size_t dir_len = slash ? static_cast<std::size_t>(slash - name + 1) : 0;
  std::size_t base_len = len - dir_len - 4;
  if (dir_len + 3 + base_len + 3 + 1 > out_size) return name;
  std::size_t n = 0;
  std::memcpy(out, name, dir_len);
  n += dir_len;
  std::memcpy(out + n, "lib", 3);
  n += 3;
  for (std::size_t i = 0; i < base_len; ++i) {
    out[n++] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[dir_len + i])));
  }
  std::memcpy(out + n, ".so", 4);
  return out;
}

int loaded_module_count() {
  std::lock_guard<std::mutex> lock(g_mutex);
  int count = 0;
  for (const Module& m : g_modules) count += m.refs > 0;
  return count;
}

int module_reference_count(HMODULE module) {
  std::lock_guard<std::mutex> lock(g_mutex);
  Module* m = module_of(module);
  return m ? m->refs : 0;
}

}  // namespace vx::platform

HMODULE LoadLibraryA(const char* name) {
  if (name == nullptr || *name == '\0') {
    t_last_error = ERROR_MOD_NOT_FOUND;
    return 0;
  }
  void* dl = open_module(name);
  if (dl == nullptr) {
    char buf[512];
    const char* alt = vx::platform::linux_library_name(name, buf, sizeof buf);
    if (alt != name) dl = open_module(alt);
  }
  if (dl == nullptr) {
    t_last_error = ERROR_MOD_NOT_FOUND;
    return 0;
  }
  std::lock_guard<std::mutex> lock(g_mutex);
  for (std::size_t i = 0; i < g_modules.size(); ++i) {
    if (g_modules[i].refs > 0 && g_modules[i].dl == dl) {
      // dlopen counted a reference of its own; keep one dlopen reference per module.
      dlclose(dl);
      ++g_modules[i].refs;
      return kHandleBase + static_cast<HMODULE>(i);
    }
  }
  std::size_t slot = 0;
  while (slot < g_modules.size() && g_modules[slot].refs > 0) ++slot;
  if (slot == g_modules.size()) g_modules.emplace_back();
  g_modules[slot] = Module{dl, 1};
  return kHandleBase + static_cast<HMODULE>(slot);
}

FARPROC GetProcAddress(HMODULE module, const char* name_or_ordinal) {
  void* dl = nullptr;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    Module* m = module_of(module);
    if (m == nullptr) {
      t_last_error = ERROR_INVALID_HANDLE;
      return nullptr;
    }
    dl = m->dl;
  }
  char symbol[32];
  const char* name = name_or_ordinal;
  auto value = reinterpret_cast<std::uintptr_t>(name_or_ordinal);
  if (value <= 0xFFFF) {
    std::snprintf(symbol, sizeof symbol, "ordinal_%u", static_cast<unsigned>(value));
    name = symbol;
  }
  void* proc = dlsym(dl, name);
  if (proc == nullptr) t_last_error = ERROR_PROC_NOT_FOUND;
  return proc;
}

bool FreeLibrary(HMODULE module) {
  std::lock_guard<std::mutex> lock(g_mutex);
  Module* m = module_of(module);
  if (m == nullptr) {
    t_last_error = ERROR_INVALID_HANDLE;
    return false;
  }
  if (--m->refs == 0) {
    dlclose(m->dl);
    m->dl = nullptr;
  }
  return true;
}

std::uint32_t GetLastError() { return t_last_error; }
void SetLastError(std::uint32_t code) { t_last_error = code; }
