#include "classlib/errormanager.h"

#include "runtime/error.h"
#include "runtime/msgbox.h"

namespace vx {

void ErrorClass::Init() {
  started_ = true;
}
void ErrorClass::Kill() {
  started_ = false;
}

std::int32_t ErrorClass::Throw(std::int32_t code, const std::string& text, std::int32_t level) {
  std::string shown = text;
  if (code != 0) shown += " (" + std::string(RT_ERROR(code)) + ")";
  RT_MessageBox(shown.c_str(), "Error", level >= kLevelFatal ? kIconHand : kIconExclamation);
  return level;
}

std::uint32_t ErrorClass::Message(const std::string& text, const std::string& title,
                                  std::uint32_t icon, std::uint32_t buttons) {
  return RT_MessageBox(text.c_str(), title.c_str(), icon, buttons);
}

std::function<void(std::int32_t, const std::string&)> ErrorClass::reporter() {
  return [this](std::int32_t code, const std::string& text) { Throw(code, text); };
}

}  // namespace vx
