// The program's own images, by resource name ("VCRFIRST_ICO"), as XPM data that the
// program draws itself, and a short help page. Back ends look them up; the headless one
// has no use for them. Register before the windows that use them open.
#ifndef VX_RUNTIME_UI_ICONS_H_
#define VX_RUNTIME_UI_ICONS_H_

#include <string>

namespace vx::ui {

void register_icon(const std::string& name, const char* const* xpm);
// The XPM data, or null when no icon has that name.
const char* const* find_icon(const std::string& name);

// The application's help page (HTML) that the help actions show.
void set_help_page(const std::string& title, const std::string& html);
std::string help_title();
std::string help_page();

}  // namespace vx::ui

#endif  // VX_RUNTIME_UI_ICONS_H_
