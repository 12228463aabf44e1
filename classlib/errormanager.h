// The error manager: every window and the file manager report errors through it, as
// message boxes on the reporting thread.
#ifndef VX_CLASSLIB_ERRORMANAGER_H_
#define VX_CLASSLIB_ERRORMANAGER_H_

#include <cstdint>
#include <functional>
#include <string>

namespace vx {

// Severity levels, as the window manager's steps return them too.
constexpr std::int32_t kLevelBenign = 0;  // success
constexpr std::int32_t kLevelNotify = 1;  // reported, the caller goes on
constexpr std::int32_t kLevelFatal = 3;   // reported, the caller gives up

class ErrorClass {
 public:
  void Init();
  void Kill();
  bool started() const { return started_; }

  // Shows `text` (with the runtime's text for `code` when not 0) in a box titled
  // "Error" and returns `level`. Works before Init and after Kill as well: an error
  // is never lost for want of set-up.
  std::int32_t Throw(std::int32_t code, const std::string& text, std::int32_t level = kLevelNotify);
  // A plain message box; returns the button pressed.
  std::uint32_t Message(const std::string& text, const std::string& title, std::uint32_t icon = 0,
                        std::uint32_t buttons = 0);
  // What the file manager takes as its error reporter.
  std::function<void(std::int32_t, const std::string&)> reporter();

 private:
  bool started_ = false;
};

}  // namespace vx

#endif  // VX_CLASSLIB_ERRORMANAGER_H_
