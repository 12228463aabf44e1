// Message boxes, the stop prompt and halting the program.
//
// A box goes to the process's window back end (runtime/ui/backend.h): the headless
// back end writes it to standard error and answers with the default button, or lets
// a test's hook answer it.
#ifndef VX_RUNTIME_MSGBOX_H_
#define VX_RUNTIME_MSGBOX_H_

#include <cstdint>

namespace vx {

// Buttons (a box's `buttons` is a sum of these; 0 means one OK button). The value a
// box returns is the button pressed.
constexpr std::uint32_t kButtonOk = 1;
constexpr std::uint32_t kButtonYes = 2;
constexpr std::uint32_t kButtonNo = 4;
constexpr std::uint32_t kButtonAbort = 8;
constexpr std::uint32_t kButtonRetry = 16;
constexpr std::uint32_t kButtonIgnore = 32;
constexpr std::uint32_t kButtonCancel = 64;

// Icons, by the system's standard icon resource numbers; 0 is none.
constexpr std::uint32_t kIconNone = 0;
constexpr std::uint32_t kIconHand = 0x7F01;
constexpr std::uint32_t kIconQuestion = 0x7F02;
constexpr std::uint32_t kIconExclamation = 0x7F03;
constexpr std::uint32_t kIconAsterisk = 0x7F04;  // information

}  // namespace vx

// Shows a modal box on the calling thread and returns the button pressed.
std::uint32_t RT_MessageBox(const char* text, const char* title = "",
                            std::uint32_t icon = vx::kIconNone, std::uint32_t buttons = 0,
                            std::uint32_t default_button = 0);

// Ends the program with `exit_code`, after showing `text` when it is not empty.
// Standard output and error are flushed; nothing else runs. Does not return.
[[noreturn]] void RT_HALT(int exit_code, const char* text = "");

// Shows `text` and asks whether to end the program. Returns if the user goes on;
// ends the program (exit code 0) otherwise.
void RT_STOP(const char* text);

#endif  // VX_RUNTIME_MSGBOX_H_
