#include "server/window_upkeep.h"

#include "runtime/event.h"
#include "runtime/window.h"

namespace vx::server {

bool window_upkeep(std::int32_t event, bool* initialised) {
  switch (event) {
    case vx::kEventOpenWindow:
      if (!*initialised) {
        RT_DISPLAY();
        *initialised = true;
      }
      RT_SELECT(1);
      return true;
    case vx::kEventGainFocus:
      RT_DISPLAY();
      *initialised = true;
      return true;
    case vx::kEventRejected:
      RT_BEEP(150, 16);
      RT_DISPLAY(RT_FIELD());
      RT_SELECT(RT_FIELD());
      return true;
    default:
      return false;
  }
}

}  // namespace vx::server
