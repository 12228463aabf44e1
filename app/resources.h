// The program's resources: the toolbar icons (drawn for this program, see
// app/icons/draw_icons.py) and the help page.
#ifndef VX_APP_RESOURCES_H_
#define VX_APP_RESOURCES_H_

namespace vx::app {
void register_resources();
}

#endif  // VX_APP_RESOURCES_H_
