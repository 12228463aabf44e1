#include "classlib/windowmanager.h"

namespace vx {

std::uint8_t WindowManager::Run() {
  if (Init() == kLevelBenign) Ask();
  Kill();
  return RESPONSE;
}

std::int32_t WindowManager::Init() {
  if (def_ == nullptr) {
    if (ERRORS != nullptr) ERRORS->Throw(0, "The window has no definition.", kLevelFatal);
    return kLevelFatal;
  }
  RESPONSE = kResponseNone;
  first_display_done_ = false;
  actions_.clear();
  return kLevelBenign;
}

void WindowManager::Open() {
  if (opened_ || def_ == nullptr) return;
  window_ = RT_OPENwindow(*def_);
  opened_ = true;
}

void WindowManager::Ask() {
  if (!opened_) return;
  while (RT_ACCEPT()) TakeEvent();
}

std::int32_t WindowManager::Kill() {
  if (!opened_) return kLevelNotify;
  RT_CLOSEwindow(window_);
  window_ = nullptr;
  opened_ = false;
  return kLevelBenign;
}

std::int32_t WindowManager::TakeEvent() {
  std::int32_t event = RT_EVENT();
  if (event == kEventAccepted) return TakeAccepted();
  if (event >= 0x200) return TakeWindowEvent();
  return TakeFieldEvent();
}

std::int32_t WindowManager::TakeAccepted() {
  std::int32_t control = RT_ACCEPTED();
  if (control >= kToolbarFirst && control <= kToolbarLast) {
    if (Toolbar != nullptr) {
      ++Toolbar->presses_;
      return Toolbar->TakeToolbar(control);
    }
    return kLevelNotify;
  }
  for (const auto& [c, response] : actions_) {
    if (c == control) {
      PostCompleted(response);
      return kLevelBenign;
    }
  }
  return kLevelBenign;
}

std::int32_t WindowManager::TakeWindowEvent() {
  switch (RT_EVENT()) {
    case kEventOpenWindow:
      if (!first_display_done_) {
        first_display_done_ = true;
        FirstDisplay();
      }
      if (FirstField != 0) RT_SELECT(FirstField);
      break;
    case kEventCloseWindow:
      if (RESPONSE == kResponseNone) RESPONSE = kResponseCancelled;
      break;
    case kEventGainFocus:
    case kEventSized:
      RT_DISPLAY();
      break;
    default:
      break;
  }
  return kLevelBenign;
}

std::int32_t WindowManager::TakeFieldEvent() {
  return kLevelBenign;
}

void WindowManager::FirstDisplay() {
  RT_DISPLAY();
}

void WindowManager::AddItem(std::int32_t control, std::uint8_t response) {
  actions_.emplace_back(control, response);
}

void WindowManager::PostCompleted(std::uint8_t response) {
  RESPONSE = response;
  RT_EndEventLoop();
}

}  // namespace vx
