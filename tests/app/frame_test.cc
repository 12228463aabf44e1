#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>

#include "app/globals.h"
#include "app/vxdem001.h"
#include "classlib/windowmanager.h"
#include "platform/winsock.h"
#include "runtime/command.h"
#include "runtime/thread.h"
#include "runtime/ui/headless.h"
#include "server/server_window.h"
#include "tests/runtime/window_fixture.h"

namespace vx::app {
namespace {

using testing::EventSeen;
using testing::WindowThread;

// Runs Main on a runtime thread of its own, as the main program does on thread 1.
class FrameRun {
 public:
  FrameRun() {
    thread_ = start_thread(
        [this] {
          Main();
          done_ = true;
        },
        0);
    frame_ = ui::wait_window(thread_, "Application");
  }
  ~FrameRun() {
    if (!done_) ui::press(thread_, kItemExit);
    ui::wait_until([this] { return done_.load(); });
  }
  std::int32_t thread() const { return thread_; }
  const std::optional<WindowState>& frame() const { return frame_; }
  bool exit() {
    ui::press(thread_, kItemExit);
    return ui::wait_until([this] { return done_.load(); });
  }

 private:
  std::int32_t thread_ = 0;
  std::atomic<bool> done_{false};
  std::optional<WindowState> frame_;
};

TEST(Frame, MenuBarAsTabled) {
  FrameRun run;
  ASSERT_TRUE(run.frame().has_value());
  const WindowState& w = *run.frame();
  EXPECT_TRUE(w.frame);
  EXPECT_EQ(w.label, "P1$APPFRAME");
  EXPECT_EQ(w.resource, "VXDEM001_RSC");
  EXPECT_EQ(w.font, "MS Sans Serif");
  EXPECT_EQ(w.font_size, 8);
  const struct {
    std::int32_t number;
    ControlKind kind;
    std::int32_t parent;
    const char* text;
    const char* message;
    std::int32_t action;
  } rows[] = {
      {-1, ControlKind::kMenu, 0, "&File", "", 0},
      {-2, ControlKind::kItem, -1, "&Print Setup ...", "Setup printer", 16},
      {0, ControlKind::kSeparator, -1, "", "", 0},
      {-3, ControlKind::kItem, -1, "E&xit", "Exit this application", 15},
      {-4, ControlKind::kMenu, 0, "&Edit", "", 0},
      {-5, ControlKind::kItem, -4, "Cu&t", "Remove item to Windows Clipboard", 10},
      {-6, ControlKind::kItem, -4, "&Copy", "Copy item to Windows Clipboard", 11},
      {-7, ControlKind::kItem, -4, "&Paste", "Paste contents of Windows Clipboard", 12},
      {-8, ControlKind::kMenu, 0, "&Browse", "", 0},
      {-9, ControlKind::kItem, -8, "Browse the subject file", "Browse subject", 0},
      {-10, ControlKind::kItem, -8, "Browse the subject file (Remote)", "", 0},
      {-11, ControlKind::kMenu, 0, "&Window", "Create and Arrange windows", 0},
      {-12, ControlKind::kItem, -11, "T&ile", "Make all open windows visible", 2},
      {-13, ControlKind::kItem, -11, "&Cascade", "Stack all open windows", 3},
      {-14, ControlKind::kItem, -11, "&Arrange Icons", "Align all window icons", 4},
      {-15, ControlKind::kMenu, 0, "&Help", "Windows Help", 0},
      {-16, ControlKind::kItem, -15, "&Contents", "View the contents of the help file", 5},
      {-17, ControlKind::kItem, -15, "&Search for Help On...", "Search for help on a subject", 7},
      {-18, ControlKind::kItem, -15, "&How to Use Help", "How to use Windows Help", 6},
  };
  std::vector<const ControlState*> menu;
  for (const auto& c : w.controls)
    if (c.kind != ControlKind::kToolButton) menu.push_back(&c);
  ASSERT_EQ(menu.size(), std::size(rows));
  for (std::size_t i = 0; i < menu.size(); ++i) {
    const ControlState& c = *menu[i];
    EXPECT_EQ(c.number, rows[i].number) << i;
    EXPECT_EQ(c.kind, rows[i].kind) << i;
    EXPECT_EQ(c.parent, rows[i].parent) << i;
    EXPECT_EQ(c.text, rows[i].text) << i;
    EXPECT_EQ(c.message, rows[i].message) << i;
    EXPECT_EQ(c.std_action, rows[i].action) << i;
  }
}

TEST(Frame, ToolbarAsTabled) {
  FrameRun run;
  ASSERT_TRUE(run.frame().has_value());
  const struct {
    std::int32_t number;
    const char* hint;
    const char* icon;
  } rows[] = {
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
  std::vector<const ControlState*> tools;
  for (const auto& c : run.frame()->controls)
    if (c.kind == ControlKind::kToolButton) tools.push_back(&c);
  ASSERT_EQ(tools.size(), std::size(rows));
  for (std::size_t i = 0; i < tools.size(); ++i) {
    EXPECT_EQ(tools[i]->number, rows[i].number) << i;
    EXPECT_EQ(tools[i]->hint, rows[i].hint) << i;
    EXPECT_EQ(tools[i]->icon, rows[i].icon) << i;
    EXPECT_TRUE(tools[i]->enabled) << i;
  }
}

WindowDef child_window() {
  WindowDef def;
  def.title = "Browse the subject File";
  return def;
}

TEST(Frame, ToolbarPressesGoToTheActiveChildsThreadOnly) {
  FrameRun run;
  ASSERT_TRUE(run.frame().has_value());
  WindowThread other(child_window());
  ASSERT_TRUE(other.wait_event({kEventOpenWindow, 0}));
  WindowThread child(child_window());
  ASSERT_TRUE(child.wait_event({kEventOpenWindow, 0}));
  ASSERT_EQ(RT_ACTIVETHREAD(), child.number());

  // Numbers just outside the toolbar's range go to the frame's own handling.
  EXPECT_TRUE(RT_POST(kEventAccepted, 1999, run.thread()));
  EXPECT_TRUE(RT_POST(kEventAccepted, 2013, run.thread()));
  std::vector<EventSeen> expected = {{kEventOpenWindow, 0}};
  for (std::int32_t tool = kToolbarFirst; tool <= kToolbarLast; ++tool) {
    ASSERT_TRUE(ui::press(run.thread(), tool));
    ASSERT_TRUE(child.wait_event({kEventAccepted, tool})) << tool;
    expected.push_back({kEventAccepted, tool});
  }
  EXPECT_EQ(child.events(), expected);
  // The other child saw none of them.
  EXPECT_EQ(other.events(), (std::vector<EventSeen>{{kEventOpenWindow, 0}}));
}

TEST(Frame, ToolbarPressWithNoActiveChildIsDropped) {
  FrameRun run;
  ASSERT_TRUE(run.frame().has_value());
  ASSERT_EQ(RT_ACTIVETHREAD(), 0);
  ASSERT_TRUE(ui::press(run.thread(), kToolInsert));
  // The frame handles its actions in order: once the cascade after it is done, the
  // press has been handled.
  std::size_t actions = ui::standard_actions().size();
  ASSERT_TRUE(ui::press(run.thread(), kItemCascade));
  ASSERT_TRUE(ui::wait_until([&] { return ui::standard_actions().size() > actions; }));
  // A child opened afterwards gets only what is pressed while it is active.
  WindowThread child(child_window());
  ASSERT_TRUE(child.wait_event({kEventOpenWindow, 0}));
  ASSERT_TRUE(ui::press(run.thread(), kToolDelete));
  ASSERT_TRUE(child.wait_event({kEventAccepted, kToolDelete}));
  EXPECT_EQ(child.events(),
            (std::vector<EventSeen>{{kEventOpenWindow, 0}, {kEventAccepted, kToolDelete}}));
  EXPECT_TRUE(ui::find_window(run.thread()).has_value());  // the frame goes on
}

std::mutex g_started_mutex;
std::vector<std::pair<std::string, std::int32_t>> g_started;
void record_start(const char* what) {
  std::lock_guard<std::mutex> lock(g_started_mutex);
  g_started.emplace_back(what, RT_THREAD());
}
void fake_browse() {
  record_start("browse");
}
void fake_client() {
  record_start("client");
}
void fake_server() {
  record_start("server");
}
std::size_t started_count() {
  std::lock_guard<std::mutex> lock(g_started_mutex);
  return g_started.size();
}

TEST(Frame, BrowseItemsStartANewThreadEachTime) {
  modules.browse_subject = fake_browse;
  modules.client_window = fake_client;
  g_started.clear();
  {
    FrameRun run;
    ASSERT_TRUE(run.frame().has_value());
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(ui::press(run.thread(), kItemBrowseSubject));
    ASSERT_TRUE(ui::press(run.thread(), kItemBrowseRemote));
    ASSERT_TRUE(ui::wait_until([] { return started_count() == 4; }));
    std::lock_guard<std::mutex> lock(g_started_mutex);
    std::set<std::int32_t> threads;
    int browses = 0;
    for (const auto& [what, thread] : g_started) {
      threads.insert(thread);
      browses += what == "browse";
      EXPECT_NE(thread, run.thread());
    }
    EXPECT_EQ(threads.size(), 4u);
    EXPECT_EQ(browses, 3);
  }
  modules.browse_subject = nullptr;
  modules.client_window = nullptr;
}

TEST(Frame, CommandLineTestIsACaseBlindSubstringSearch) {
  const struct {
    const char* line;
    bool server;
  } cases[] = {
      {"/SERVER", true}, {"/server", true}, {"-x/SERVERX", true}, {"a b /Server c", true},
      {"/SRV", false},   {"SERVER", false}, {"", false},          {"/ SERVER", false},
  };
  for (const auto& c : cases) EXPECT_EQ(command_line_wants_server(c.line), c.server) << c.line;
}

TEST(Frame, ServerStartsOnceWhenTheFrameOpensWithTheSwitch) {
  modules.server_window = fake_server;
  g_started.clear();
  const char* argv[] = {"vxdemoabc", "/server"};
  RT_set_command_line(2, argv);
  {
    FrameRun run;
    ASSERT_TRUE(ui::wait_until([] { return started_count() == 1; }));
    // Menus still work beside it.
    ASSERT_TRUE(ui::press(run.thread(), kItemTile));
    ASSERT_TRUE(ui::wait_until([&] {
      for (auto [thread, action] : ui::standard_actions())
        if (thread == run.thread() && action == kActionTile) return true;
      return false;
    }));
  }
  const char* plain[] = {"vxdemoabc", "/SRV"};
  RT_set_command_line(2, plain);
  { FrameRun run; }
  EXPECT_EQ(started_count(), 1u);
  EXPECT_EQ(g_started[0].first, "server");
  modules.server_window = nullptr;
  RT_set_command_line(1, argv);
}

TEST(Frame, TakeDownCleansWinSockUpOnceWhenTheServerStartedIt) {
  WSADATA data;
  for (bool started : {true, false}) {
    ASSERT_EQ(WSAStartup(0x0101, &data), 0);
    WinSockStarted = started ? 1 : 0;
    {
      FrameRun run;
      ASSERT_TRUE(run.frame().has_value());
      ASSERT_TRUE(run.exit());
    }
    EXPECT_EQ(GlobalResponse.load(), kResponseCancelled);
    if (started) {
      // The frame's cleanup took the one start-up: nothing is left to clean.
      EXPECT_NE(WSACleanup(), 0);
    } else {
      EXPECT_EQ(WSACleanup(), 0);
    }
  }
  WinSockStarted = 0;
}

}  // namespace
}  // namespace vx::app
