// Window handles and window procedures in the shape the server expects: a window
// procedure can be put in front of a window's own one with SetWindowLongA(GWL_WNDPROC)
// and hands messages on with CallWindowProcA; PostMessageA queues a message for a
// window from any thread.
//
// Contract:
//  - Every window belongs to one thread, whose message sink the window was created
//    with. PostMessageA hands the message to that sink and returns at once; the owner
//    later calls dispatch_message on its own thread, which runs the window's current
//    procedure. So a window's procedures only ever run on its owning thread.
//  - Handles are small non-zero numbers that fit in 32 bits and are never reused while
//    the process lives; a message posted to a destroyed window is dropped (FALSE).
//  - SetWindowLongA(h, GWL_WNDPROC, p) installs p and returns the procedure it replaces;
//    0 (with GetLastError() == ERROR_INVALID_WINDOW_HANDLE) when h is not a window.
#ifndef VX_PLATFORM_USER32_H_
#define VX_PLATFORM_USER32_H_

#include <cstdint>
#include <functional>

struct HWND__;
using HWND = HWND__*;
using UINT = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using LONG_PTR = std::intptr_t;
using BOOL = int;
using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

#ifndef CALLBACK
#define CALLBACK
#endif
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

constexpr int GWL_WNDPROC = -4;
constexpr std::uint32_t ERROR_INVALID_WINDOW_HANDLE = 1400;

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_USER = 0x0400;

inline std::uint16_t LOWORD(LPARAM v) {
  return static_cast<std::uint16_t>(v & 0xFFFF);
}
inline std::uint16_t HIWORD(LPARAM v) {
  return static_cast<std::uint16_t>((v >> 16) & 0xFFFF);
}

LONG_PTR SetWindowLongA(HWND window, int index, LONG_PTR value);
LONG_PTR GetWindowLongA(HWND window, int index);
LRESULT CallWindowProcA(WNDPROC proc, HWND window, UINT message, WPARAM wparam, LPARAM lparam);
BOOL PostMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
BOOL IsWindow(HWND window);
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

namespace vx::user32 {

// Receives a posted message for a window; runs on the posting thread and must only
// queue it for the owner.
using MessageSink = std::function<void(HWND, UINT, WPARAM, LPARAM)>;

// Creates a window whose first procedure is `proc` and whose posted messages go to
// `sink`. Never returns null.
HWND create_window(WNDPROC proc, MessageSink sink);
// Destroys the window: later posts to it fail and queued messages are dropped at
// dispatch.
void destroy_window(HWND window);
// Runs the window's current procedure on the calling thread (the owner's). Returns 0
// without calling anything when the window has been destroyed.
LRESULT dispatch_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Handle as a number, and back (handles fit in 32 bits).
inline std::uint32_t handle_value(HWND window) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window));
}
inline HWND handle_from_value(std::uint32_t value) {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(value));
}

}  // namespace vx::user32

#endif  // VX_PLATFORM_USER32_H_
