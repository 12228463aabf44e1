// The window manager: runs one window through its open step, its event loop and its
// take-down. A window's procedure derives from it and overrides at most the open step
// (Init), the take-down (Kill) and one or two event handlers, each calling the base
// version where the window wants the class library's own handling.
//
// Contract:
//  - Run(): Init(); when it returns kLevelBenign, Ask() (the event loop); Kill()
//    whatever Init returned. Returns RESPONSE.
//  - Init() (the class library's own open step) checks that the manager has a window
//    definition; Open() opens it and marks the manager opened. Kill() closes the window
//    and returns kLevelBenign, or kLevelNotify when the window was never opened (or is
//    already taken down).
//  - TakeEvent() hands accepted events to TakeAccepted(), the window's own events (open,
//    close, focus, size) to TakeWindowEvent(), everything else to TakeFieldEvent().
//  - TakeAccepted(): a toolbar button (2000..2012) goes to the attached toolbar target;
//    a control with a button action ends the loop with that action's response.
//  - TakeWindowEvent(): on the first open event the first-display step
//    (FirstDisplay) runs once, then the first field is selected; a close of the
//    window that no action answered leaves the response "cancelled".
#ifndef VX_CLASSLIB_WINDOWMANAGER_H_
#define VX_CLASSLIB_WINDOWMANAGER_H_

#include <atomic>
#include <cstdint>
#include <utility>
#include <vector>

#include "classlib/errormanager.h"
#include "runtime/window.h"

namespace vx {

// Request codes handed to a window, and the responses a window reports.
constexpr std::uint8_t kRequestNone = 0;
constexpr std::uint8_t kRequestInsert = 1;
constexpr std::uint8_t kRequestChange = 2;
constexpr std::uint8_t kResponseNone = 0;
constexpr std::uint8_t kResponseCompleted = 1;
constexpr std::uint8_t kResponseCancelled = 2;

// The toolbar buttons, as the frame numbers them.
constexpr std::int32_t kToolbarFirst = 2000;
constexpr std::int32_t kToolbarLast = 2012;
constexpr std::int32_t kToolInsert = 2000;
constexpr std::int32_t kToolChange = 2001;
constexpr std::int32_t kToolDelete = 2002;
constexpr std::int32_t kToolSelect = 2003;
constexpr std::int32_t kToolBottom = 2004;
constexpr std::int32_t kToolTop = 2005;
constexpr std::int32_t kToolPageDown = 2006;
constexpr std::int32_t kToolPageUp = 2007;
constexpr std::int32_t kToolDown = 2008;
constexpr std::int32_t kToolUp = 2009;
constexpr std::int32_t kToolLocate = 2010;
constexpr std::int32_t kToolHistory = 2011;
constexpr std::int32_t kToolHelp = 2012;

// What a window does with toolbar buttons. The base class does nothing with them; a
// browse or a form derives from it.
class ToolbarClass {
 public:
  virtual ~ToolbarClass() = default;
  // Returns kLevelBenign when the button was handled.
  virtual std::int32_t TakeToolbar(std::int32_t control) { return kLevelNotify; }
  // The presses this target has seen (for a window that only wants to know).
  int presses() const { return presses_; }

 protected:
  friend class WindowManager;
  int presses_ = 0;
};

class WindowManager {
 public:
  explicit WindowManager(const WindowDef* def = nullptr) : def_(def) {}
  virtual ~WindowManager() = default;
  WindowManager(const WindowManager&) = delete;
  WindowManager& operator=(const WindowManager&) = delete;

  std::uint8_t Run();

  virtual std::int32_t Init();
  virtual void Ask();
  virtual std::int32_t Kill();
  virtual std::int32_t TakeEvent();
  virtual std::int32_t TakeAccepted();
  virtual std::int32_t TakeWindowEvent();
  virtual std::int32_t TakeFieldEvent();
  virtual void FirstDisplay();

  // Opens the window definition; the window belongs to the calling thread.
  void Open();
  // Key alerts have nothing to set on this platform: keys reach windows as events.
  void SetAlerts() {}
  // A button action: accepting `control` ends the window with `response`.
  void AddItem(std::int32_t control, std::uint8_t response);
  // Ends the loop with a response (as a button action does).
  void PostCompleted(std::uint8_t response);

  void set_definition(const WindowDef* def) { def_ = def; }
  Window* window() const { return window_; }
  bool opened() const { return opened_; }

  // Settings a window makes in its open step.
  std::int32_t FirstField = 0;
  std::uint8_t REQUEST = kRequestNone;
  std::uint8_t RESPONSE = kResponseNone;
  std::atomic<std::int32_t>* VCRREQUEST = nullptr;
  ErrorClass* ERRORS = nullptr;
  ToolbarClass* Toolbar = nullptr;

 private:
  const WindowDef* def_;
  Window* window_ = nullptr;
  bool opened_ = false;
  bool first_display_done_ = false;
  std::vector<std::pair<std::int32_t, std::uint8_t>> actions_;
};

}  // namespace vx

#endif  // VX_CLASSLIB_WINDOWMANAGER_H_
