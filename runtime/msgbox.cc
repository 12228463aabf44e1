#include "runtime/msgbox.h"

#include <unistd.h>

#include <cstdio>
#include <mutex>

#include "runtime/ui/backend.h"

namespace vx::ui {
namespace {

std::mutex g_mutex;
std::unique_ptr<Backend> g_backend;
MessageBoxHook g_hook;

}  // namespace

std::uint32_t default_answer(const MessageBoxSpec& box) {
  if (box.default_button != 0 && (box.buttons & box.default_button) != 0) {
    return box.default_button;
  }
  if (box.buttons == 0) return kButtonOk;
  // The lowest button offered, as a platform box would focus the first one.
  return box.buttons & (~box.buttons + 1);
}

Backend& backend() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!g_backend) g_backend = make_headless_backend();
  return *g_backend;
}

void set_backend(std::unique_ptr<Backend> b) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_backend = std::move(b);
}

void set_message_box_hook(MessageBoxHook hook) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_hook = std::move(hook);
}

static MessageBoxHook current_hook() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_hook;
}

}  // namespace vx::ui

std::uint32_t RT_MessageBox(const char* text, const char* title, std::uint32_t icon,
                            std::uint32_t buttons, std::uint32_t default_button) {
  vx::ui::MessageBoxSpec box{text ? text : "", title ? title : "", icon, buttons,
                             default_button};
  if (auto hook = vx::ui::current_hook()) return hook(box);
  return vx::ui::backend().message_box(box);
}

void RT_HALT(int exit_code, const char* text) {
  if (text != nullptr && *text != '\0') RT_MessageBox(text, "Halt");
  std::fflush(stdout);
  std::fflush(stderr);
  // _exit, not exit: other threads may still be inside the program's objects, and
  // running static destructors under them would crash instead of ending cleanly.
  _exit(exit_code);
}

void RT_STOP(const char* text) {
  vx::ui::MessageBoxSpec box{text ? text : "", "Stop", vx::kIconHand,
                             vx::kButtonAbort | vx::kButtonIgnore, vx::kButtonIgnore};
  bool end = false;
  if (auto hook = vx::ui::current_hook()) {
    end = hook(box) == vx::kButtonAbort;
  } else {
    end = vx::ui::backend().stop_prompt(box.text);
  }
  if (end) RT_HALT(0);
}
