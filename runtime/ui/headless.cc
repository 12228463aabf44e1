// The headless back end: for tests and for a server on a machine without a display.
#include <cstdio>
#include <string>

#include "runtime/msgbox.h"
#include "runtime/ui/backend.h"

namespace vx::ui {

bool wait_held_box(const MessageBoxSpec& box, std::uint32_t* answer);  // headless_access.cc

namespace {

std::string button_names(std::uint32_t buttons) {
  if (buttons == 0) return "OK";
  static const struct {
    std::uint32_t bit;
    const char* name;
  } kNames[] = {{kButtonOk, "OK"},        {kButtonYes, "Yes"},     {kButtonNo, "No"},
                {kButtonAbort, "Abort"},  {kButtonRetry, "Retry"}, {kButtonIgnore, "Ignore"},
                {kButtonCancel, "Cancel"}};
  std::string out;
  for (const auto& n : kNames) {
    if (buttons & n.bit) {
      if (!out.empty()) out += "/";
      out += n.name;
    }
  }
  return out;
}

class HeadlessBackend final : public Backend {
 public:
  const char* name() const override { return "headless"; }

  std::uint32_t message_box(const MessageBoxSpec& box) override {
    std::uint32_t answer = 0;
    if (wait_held_box(box, &answer)) return answer;
    // One write per box so that boxes from several threads never interleave.
    std::string line =
        "[message box] " + box.title + ": " + box.text + " [" + button_names(box.buttons) + "]\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return default_answer(box);
  }

  bool stop_prompt(const std::string& text) override {
    std::string line = "[stop] " + text + " [going on]\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return false;
  }
};

}  // namespace

std::unique_ptr<Backend> make_headless_backend() {
  return std::make_unique<HeadlessBackend>();
}

}  // namespace vx::ui
