// The frame's window definition: menu bar and toolbar.
#include "app/vxdem001.h"

namespace vx::app {

WindowDef frame_definition(const std::string& resource) {
  WindowDef def;
  def.label = "P1$APPFRAME";
  def.resource = resource;
  def.title = "Application";
  def.frame = true;
  def.font = "MS Sans Serif";
  def.font_size = 8;
  auto menu = [&](std::int32_t n, const char* text, const char* message) {
    def.controls.push_back(
        {.number = n, .kind = ControlKind::kMenu, .text = text, .message = message});
  };
  auto item = [&](std::int32_t menu_n, std::int32_t n, const char* text, const char* message,
                  std::int32_t action) {
    def.controls.push_back({.number = n,
                            .kind = ControlKind::kItem,
                            .text = text,
                            .message = message,
                            .parent = menu_n,
                            .std_action = action});
  };
  auto separator = [&](std::int32_t menu_n) {
    def.controls.push_back({.number = 0, .kind = ControlKind::kSeparator, .parent = menu_n});
  };
  menu(kMenuFile, "&File", "");
  item(kMenuFile, kItemPrintSetup, "&Print Setup ...", "Setup printer", kActionPrintSetup);
  separator(kMenuFile);
  item(kMenuFile, kItemExit, "E&xit", "Exit this application", kActionClose);
  menu(kMenuEdit, "&Edit", "");
  item(kMenuEdit, kItemCut, "Cu&t", "Remove item to Windows Clipboard", kActionCut);
  item(kMenuEdit, kItemCopy, "&Copy", "Copy item to Windows Clipboard", kActionCopy);
  item(kMenuEdit, kItemPaste, "&Paste", "Paste contents of Windows Clipboard", kActionPaste);
  menu(kMenuBrowse, "&Browse", "");
  item(kMenuBrowse, kItemBrowseSubject, "Browse the subject file", "Browse subject", 0);
  item(kMenuBrowse, kItemBrowseRemote, "Browse the subject file (Remote)", "", 0);
  menu(kMenuWindow, "&Window", "Create and Arrange windows");
  item(kMenuWindow, kItemTile, "T&ile", "Make all open windows visible", kActionTile);
  item(kMenuWindow, kItemCascade, "&Cascade", "Stack all open windows", kActionCascade);
  item(kMenuWindow, kItemArrange, "&Arrange Icons", "Align all window icons", kActionArrange);
  menu(kMenuHelp, "&Help", "Windows Help");
  item(kMenuHelp, kItemHelpContents, "&Contents", "View the contents of the help file",
       kActionHelpContents);
  item(kMenuHelp, kItemHelpSearch, "&Search for Help On...", "Search for help on a subject",
       kActionHelpSearch);
  item(kMenuHelp, kItemHelpOnHelp, "&How to Use Help", "How to use Windows Help",
       kActionHelpOnHelp);

  const struct {
    std::int32_t number;
    const char* hint;
    const char* icon;
  } tools[] = {
      {2005, "Go to the First Page", "VCRFIRST_ICO"},
      {2007, "Go to the Prior Page", "VCRPRIOR_ICO"},
      {2009, "Go to the Prior Record", "VCRUP_ICO"},
      {2010, "Locate record", "FIND_ICO"},
      {2008, "Go to the Next Record", "VCRDOWN_ICO"},
      {2006, "Go to the Next Page", "VCRNEXT_ICO"},
      {2004, "Go to the Last Page", "VCRLAST_ICO"},
      {2003, "Select This Record", "MARK_ICO"},
      {2000, "Insert a New Record", "INSERT_ICO"},
      {2001, "Edit This Record", "EDIT_ICO"},
      {2002, "Delete This Record", "DELETE_ICO"},
      {2011, "Previous value", "DITTO_ICO"},
      {2012, "Get Help", "HELP_ICO"},
  };
  for (const auto& t : tools) {
    def.controls.push_back({.number = t.number,
                            .kind = ControlKind::kToolButton,
                            .width = 32,
                            .height = 32,
                            .hint = t.hint,
                            .icon = t.icon});
  }
  return def;
}

}  // namespace vx::app
