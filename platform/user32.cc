#include "platform/user32.h"

#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/kernel32.h"

namespace vx::user32 {
namespace {

struct WindowEntry {
  WNDPROC proc;
  std::shared_ptr<MessageSink> sink;
};

std::mutex g_mutex;
std::unordered_map<std::uintptr_t, WindowEntry>& windows() {
  static auto* table = new std::unordered_map<std::uintptr_t, WindowEntry>();
  return *table;
}
// Handles start well above the small numbers a program might mistake for "no window".
std::uintptr_t g_next_handle = 0x10000;

}  // namespace

HWND create_window(WNDPROC proc, MessageSink sink) {
  std::lock_guard<std::mutex> lock(g_mutex);
  std::uintptr_t h = g_next_handle;
  g_next_handle += 4;
  windows()[h] = WindowEntry{proc, std::make_shared<MessageSink>(std::move(sink))};
  return reinterpret_cast<HWND>(h);
}

void destroy_window(HWND window) {
  std::lock_guard<std::mutex> lock(g_mutex);
  windows().erase(reinterpret_cast<std::uintptr_t>(window));
}

LRESULT dispatch_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  WNDPROC proc = nullptr;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = windows().find(reinterpret_cast<std::uintptr_t>(window));
    if (it == windows().end()) return 0;
    proc = it->second.proc;
  }
  return proc != nullptr ? proc(window, message, wparam, lparam) : 0;
}

}  // namespace vx::user32

using vx::user32::windows;

LONG_PTR SetWindowLongA(HWND window, int index, LONG_PTR value) {
  std::lock_guard<std::mutex> lock(vx::user32::g_mutex);
  auto it = windows().find(reinterpret_cast<std::uintptr_t>(window));
  if (it == windows().end() || index != GWL_WNDPROC) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  WNDPROC previous = it->second.proc;
  it->second.proc = reinterpret_cast<WNDPROC>(value);
  return reinterpret_cast<LONG_PTR>(previous);
}

LONG_PTR GetWindowLongA(HWND window, int index) {
  std::lock_guard<std::mutex> lock(vx::user32::g_mutex);
  auto it = windows().find(reinterpret_cast<std::uintptr_t>(window));
  if (it == windows().end() || index != GWL_WNDPROC) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return reinterpret_cast<LONG_PTR>(it->second.proc);
}

LRESULT CallWindowProcA(WNDPROC proc, HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return proc != nullptr ? proc(window, message, wparam, lparam) : 0;
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  std::shared_ptr<vx::user32::MessageSink> sink;
  {
    std::lock_guard<std::mutex> lock(vx::user32::g_mutex);
    auto it = windows().find(reinterpret_cast<std::uintptr_t>(window));
    if (it == windows().end()) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    sink = it->second.sink;
  }
  // Outside the lock: the sink takes the owner's queue lock.
  (*sink)(window, message, wparam, lparam);
  return TRUE;
}

BOOL IsWindow(HWND window) {
  std::lock_guard<std::mutex> lock(vx::user32::g_mutex);
  return windows().count(reinterpret_cast<std::uintptr_t>(window)) != 0 ? TRUE : FALSE;
}

LRESULT DefWindowProcA(HWND, UINT, WPARAM, LPARAM) {
  return 0;
}
