#include "app/resources.h"

#include "runtime/ui/icons.h"

// The XPM sources are C arrays.
#include "app/icons/delete.xpm"
#include "app/icons/ditto.xpm"
#include "app/icons/edit.xpm"
#include "app/icons/find.xpm"
#include "app/icons/help.xpm"
#include "app/icons/insert.xpm"
#include "app/icons/mark.xpm"
#include "app/icons/vcrdown.xpm"
#include "app/icons/vcrfirst.xpm"
#include "app/icons/vcrlast.xpm"
#include "app/icons/vcrnext.xpm"
#include "app/icons/vcrprior.xpm"
#include "app/icons/vcrup.xpm"

namespace vx::app {

void register_resources() {
  ui::register_icon("VCRFIRST_ICO", vcrfirst_xpm);
  ui::register_icon("VCRPRIOR_ICO", vcrprior_xpm);
  ui::register_icon("VCRUP_ICO", vcrup_xpm);
  ui::register_icon("FIND_ICO", find_xpm);
  ui::register_icon("VCRDOWN_ICO", vcrdown_xpm);
  ui::register_icon("VCRNEXT_ICO", vcrnext_xpm);
  ui::register_icon("VCRLAST_ICO", vcrlast_xpm);
  ui::register_icon("MARK_ICO", mark_xpm);
  ui::register_icon("INSERT_ICO", insert_xpm);
  ui::register_icon("EDIT_ICO", edit_xpm);
  ui::register_icon("DELETE_ICO", delete_xpm);
  ui::register_icon("DITTO_ICO", ditto_xpm);
  ui::register_icon("HELP_ICO", help_xpm);
  ui::set_help_page(
      "Application Help",
      "<h2>Probation subjects</h2>"
      "<p>This application keeps the register of probation subjects in the file "
      "<i>subject.tps</i>, and can read it from another copy of the application over "
      "the network.</p>"
      "<h3>Menus</h3>"
      "<ul>"
      "<li><b>File</b>: <i>Print Setup</i> chooses the printer; <i>Exit</i> ends the "
      "application.</li>"
      "<li><b>Edit</b>: cut, copy and paste in the field that has the focus.</li>"
      "<li><b>Browse</b>: <i>Browse the subject file</i> lists the subjects in seven "
      "orders, one per tab, and adds, changes and deletes them; <i>(Remote)</i> lists "
      "the first five subjects read from a server.</li>"
      "<li><b>Window</b>: tile or cascade the open windows, arrange minimised ones.</li>"
      "</ul>"
      "<h3>Toolbar</h3>"
      "<p>The buttons page and move through the list of the active window, locate, "
      "select, insert, change and delete a record, copy a field's previous value and "
      "show help.</p>"
      "<h3>Server</h3>"
      "<p>Started with <tt>/SERVER</tt> on its command line, the application also "
      "serves its subject file to other copies on TCP port 10025.</p>");
}

}  // namespace vx::app
