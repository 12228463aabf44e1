#include "runtime/window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include "runtime/ui/headless.h"
#include "runtime/ui/start.h"
#include "runtime/window_format.h"
#include "tests/runtime/window_fixture.h"

namespace vx {
namespace {

using testing::EventSeen;
using testing::WindowThread;

TEST(ListFormat, ParsesColumns) {
  const struct {
    const char* format;
    std::vector<ListColumn> columns;
  } cases[] = {
      {"277L(1)~Data Line~L(0)@s199@",
       {{277, Align::kLeft, 1, false, false, "Data Line", Align::kLeft, 0, "s199"}}},
      {"1020L~Results~@s255@",
       {{1020, Align::kLeft, 0, false, false, "Results", Align::kLeft, 0, "s255"}}},
      {"64R(2)|M~MASTERC~C(0)@n-14@68D(24)|M~SUBJECTC~C(0)@n-15.2@20L(2)|M~SITE~L(2)@s2@",
       {{64, Align::kRight, 2, true, true, "MASTERC", Align::kCenter, 0, "n-14"},
        {68, Align::kDecimal, 24, true, true, "SUBJECTC", Align::kCenter, 0, "n-15.2"},
        {20, Align::kLeft, 2, true, true, "SITE", Align::kLeft, 2, "s2"}}},
      {"36R(2)|M~INACTIVE~C(0)@n3@",
       {{36, Align::kRight, 2, true, true, "INACTIVE", Align::kCenter, 0, "n3"}}},
  };
  for (const auto& c : cases) {
    auto got = parse_list_format(c.format);
    ASSERT_TRUE(got.has_value()) << c.format;
    ASSERT_EQ(got->size(), c.columns.size()) << c.format;
    for (std::size_t i = 0; i < got->size(); ++i) {
      const ListColumn& g = (*got)[i];
      const ListColumn& e = c.columns[i];
      EXPECT_EQ(g.width, e.width) << c.format << " #" << i;
      EXPECT_EQ(g.align, e.align) << c.format << " #" << i;
      EXPECT_EQ(g.indent, e.indent) << c.format << " #" << i;
      EXPECT_EQ(g.divider, e.divider) << c.format << " #" << i;
      EXPECT_EQ(g.resizable, e.resizable) << c.format << " #" << i;
      EXPECT_EQ(g.header, e.header) << c.format << " #" << i;
      EXPECT_EQ(g.header_align, e.header_align) << c.format << " #" << i;
      EXPECT_EQ(g.header_indent, e.header_indent) << c.format << " #" << i;
      EXPECT_EQ(g.picture, e.picture) << c.format << " #" << i;
    }
  }
}

TEST(ListFormat, RejectsWhatIsNoFormat) {
  for (const char* bad : {"", "L(1)@s5@", "20X@s5@", "20L(1@s5@", "20L~open@s5@", "20L~h~@s5",
                          "20L@@", "20L(x)@s5@", "20L%@s5@"}) {
    EXPECT_FALSE(parse_list_format(bad).has_value()) << bad;
  }
}

// The server window's fields and list, bound to variables of its thread.
struct ServerVars {
  char status[20];
  std::int16_t step = 1;
  std::vector<std::string> log{"128-(8) 25", "-connected-"};
};

WindowDef server_def(ServerVars* v) {
  WindowDef def;
  def.title = "Server TCP Socket";
  def.width = 289;
  def.height = 182;
  def.controls = {
      {.number = 1, .kind = ControlKind::kPrompt, .text = "Current Status:", .x = 28, .y = 10},
      {.number = 2,
       .kind = ControlKind::kString,
       .x = 78,
       .y = 9,
       .picture = "@s20",
       .hint = "Current Status of Connectio",
       .use = bind_text(v->status, sizeof v->status)},
      {.number = 4,
       .kind = ControlKind::kEntry,
       .x = 78,
       .y = 26,
       .picture = "@n3",
       .use = bind_number(&v->step)},
      {.number = 6,
       .kind = ControlKind::kList,
       .x = 33,
       .y = 59,
       .width = 249,
       .height = 91,
       .format = "277L(1)~Data Line~L(0)@s199@",
       .from = list_of(&v->log)},
      {.number = 7, .kind = ControlKind::kButton, .text = "Cl&ose"},
      {.number = 8, .kind = ControlKind::kButton, .text = "&Close Socket", .disabled = true},
      {.number = 9, .kind = ControlKind::kSheet},
      {.number = 10, .kind = ControlKind::kTab, .text = "first", .parent = 9},
      {.number = 11, .kind = ControlKind::kTab, .text = "second", .parent = 9},
      {.number = 12, .kind = ControlKind::kList, .format = "20R(2)|M~N~C(0)@n-7.2@"},
      {.number = -2,
       .kind = ControlKind::kItem,
       .text = "&Print Setup ...",
       .std_action = kActionPrintSetup},
      {.number = -3, .kind = ControlKind::kItem, .text = "E&xit", .std_action = kActionClose},
  };
  std::memset(v->status, ' ', sizeof v->status);
  std::memcpy(v->status, "Listening", 9);
  return def;
}

const ControlState& control(const WindowState& w, std::int32_t n) {
  const ControlState* c = w.control(n);
  EXPECT_NE(c, nullptr) << n;
  static ControlState none;
  return c != nullptr ? *c : none;
}

TEST(Window, ShowsBoundVariablesAndListRowsThroughTheirPictures) {
  ServerVars v;
  std::vector<std::vector<std::string>> numbers = {{"1234.5"}, {"-3"}, {"oops"}};
  WindowThread t(server_def(&v), [&] {
    RT_FROM(12, ListSource{[&] { return numbers.size(); },
                           [&](std::size_t i) { return numbers[i - 1]; }});
    RT_DISPLAY(12);
  });
  auto w = ui::wait_window(t.number(), "Server TCP Socket");
  ASSERT_TRUE(w.has_value());
  ASSERT_TRUE(
      ui::wait_until([&] { return !ui::find_window(t.number())->control(12)->rows.empty(); }));
  w = ui::find_window(t.number());
  EXPECT_EQ(control(*w, 2).text, "Listening");
  EXPECT_EQ(control(*w, 4).text, "  1");
  ASSERT_EQ(control(*w, 6).columns.size(), 1u);
  std::vector<std::vector<std::string>> log_rows = {{"128-(8) 25"}, {"-connected-"}};
  EXPECT_EQ(control(*w, 6).rows, log_rows);
  std::vector<std::vector<std::string>> number_rows = {{"1234.50"}, {"  -3.00"}, {"#######"}};
  EXPECT_EQ(control(*w, 12).rows, number_rows);
  EXPECT_EQ(control(*w, 9).selected, 10);  // a sheet starts on its first tab
  EXPECT_FALSE(control(*w, 8).enabled);
}

TEST(Window, TypedTextIsParsedByThePictureOnTheOwningThread) {
  ServerVars v;
  std::atomic<std::int16_t> step_seen{0};
  WindowThread t(server_def(&v), {}, [&](const EventSeen& e) { step_seen = v.step; });
  ASSERT_TRUE(t.wait_event({kEventOpenWindow, 0}));

  ASSERT_TRUE(ui::type(t.number(), 4, "42"));
  ASSERT_TRUE(t.wait_event({kEventAccepted, 4}));
  EXPECT_EQ(step_seen.load(), 42);
  EXPECT_EQ(ui::find_window(t.number())->control(4)->text, " 42");

  const char* rejected[] = {"abc", "1000", "-1", "4.5"};
  for (const char* text : rejected) {
    std::size_t before = t.events().size();
    ASSERT_TRUE(ui::type(t.number(), 4, text));
    ASSERT_TRUE(ui::wait_until([&] { return t.events().size() > before; })) << text;
    EXPECT_EQ(t.events().back(), (EventSeen{kEventRejected, 4})) << text;
    EXPECT_EQ(step_seen.load(), 42) << text;
  }
}

TEST(Window, UserActionsBecomeEvents) {
  ServerVars v;
  WindowThread t(server_def(&v));
  ASSERT_TRUE(t.wait_event({kEventOpenWindow, 0}));
  std::int32_t n = t.number();

  EXPECT_TRUE(ui::press(n, 8));  // disabled: nothing happens
  EXPECT_TRUE(ui::press(n, 7));
  ASSERT_TRUE(t.wait_event({kEventAccepted, 7}));
  EXPECT_TRUE(ui::select(n, 6, 2));
  ASSERT_TRUE(t.wait_event({kEventNewSelection, 6}));
  EXPECT_EQ(ui::find_window(n)->control(6)->selected, 2);
  EXPECT_TRUE(ui::select(n, 6, 3));   // no such row: nothing happens
  EXPECT_TRUE(ui::select(n, 11, 0));  // a tab: its sheet changes
  ASSERT_TRUE(t.wait_event({kEventNewSelection, 9}));
  EXPECT_EQ(ui::find_window(n)->control(9)->selected, 11);
  EXPECT_TRUE(ui::press(n, -2));  // a standard action: carried out, no event
  ASSERT_TRUE(ui::wait_until([&] {
    for (auto [thread, action] : ui::standard_actions())
      if (thread == n && action == kActionPrintSetup) return true;
    return false;
  }));
  EXPECT_TRUE(ui::press(n, -3));  // "E&xit": closes the window
  ASSERT_TRUE(t.wait_closed());
  std::vector<EventSeen> expected = {{kEventOpenWindow, 0},
                                     {kEventAccepted, 7},
                                     {kEventNewSelection, 6},
                                     {kEventNewSelection, 9},
                                     {kEventCloseWindow, 0}};
  EXPECT_EQ(t.events(), expected);
  EXPECT_FALSE(ui::find_window(n).has_value());
  EXPECT_FALSE(ui::press(n, 7));
}

TEST(Window, PropertiesEnableAndDisable) {
  ServerVars v;
  std::atomic<bool> ready{false};
  std::string handle_text;
  HWND handle = nullptr;
  WindowThread t(server_def(&v), [&] {
    RT_SetPropS(0, kPropText, "Server TCP Socket #3");
    RT_DISABLE(7);
    RT_ENABLE(8);
    handle_text = RT_GetPropS(0, kPropHandle);
    handle = window_handle();
    RT_BEEP(150, 16);
    ready = true;
  });
  ASSERT_TRUE(ui::wait_until([&] { return ready.load(); }));
  auto w = ui::find_window(t.number());
  EXPECT_EQ(w->title, "Server TCP Socket #3");
  EXPECT_FALSE(w->control(7)->enabled);
  EXPECT_TRUE(w->control(8)->enabled);
  EXPECT_EQ(handle_text, std::to_string(user32::handle_value(handle)));
  EXPECT_EQ(w->handle, handle);
  EXPECT_TRUE(IsWindow(handle));
  EXPECT_GE(ui::beeps(), 1);
}

TEST(Window, TheActiveChildDecidesTheActiveThread) {
  WindowDef frame_def;
  frame_def.title = "Application";
  frame_def.frame = true;
  WindowDef child;
  child.title = "child";
  WindowThread frame(frame_def);
  ASSERT_TRUE(frame.wait_event({kEventOpenWindow, 0}));
  EXPECT_EQ(RT_ACTIVETHREAD(), 0);  // the frame is never the active child
  WindowThread a(child);
  ASSERT_TRUE(a.wait_event({kEventOpenWindow, 0}));
  WindowThread b(child);
  ASSERT_TRUE(b.wait_event({kEventOpenWindow, 0}));
  EXPECT_EQ(RT_ACTIVETHREAD(), b.number());  // the newest child
  ASSERT_TRUE(ui::activate(a.number()));
  EXPECT_EQ(RT_ACTIVETHREAD(), a.number());
  ASSERT_TRUE(a.wait_event({kEventGainFocus, 0}));
  ASSERT_TRUE(ui::close_window(a.number()));
  ASSERT_TRUE(a.wait_closed());
  EXPECT_EQ(RT_ACTIVETHREAD(), b.number());
  ASSERT_TRUE(ui::close_window(b.number()));
  ASSERT_TRUE(b.wait_closed());
  EXPECT_EQ(RT_ACTIVETHREAD(), 0);
}

TEST(Window, AModalWindowOnTopTakesTheThreadsActions) {
  WindowDef browse;
  browse.title = "Browse";
  browse.controls.push_back({.number = 2, .kind = ControlKind::kButton, .text = "&Insert"});
  std::atomic<int> form_result{0};
  WindowThread t(browse, {}, [&](const EventSeen& e) {
    if (e.event != kEventAccepted || e.field != 2) return;
    WindowDef form;
    form.title = "Form";
    form.controls.push_back({.number = 1, .kind = ControlKind::kButton, .text = "OK"});
    RT_OPENwindow(form);
    while (RT_ACCEPT()) {
      if (RT_ACCEPTED() == 1) {
        form_result = 1;
        RT_EndEventLoop();
      }
    }
    RT_CLOSEwindow();
  });
  ASSERT_TRUE(t.wait_event({kEventOpenWindow, 0}));
  ASSERT_TRUE(ui::press(t.number(), 2));
  ASSERT_TRUE(ui::wait_window(t.number(), "Form").has_value());
  ASSERT_TRUE(ui::press(t.number(), 1));
  ASSERT_TRUE(ui::wait_until([&] { return form_result == 1; }));
  ASSERT_TRUE(ui::wait_window(t.number(), "Browse").has_value());
  EXPECT_EQ(ui::windows().size(), 1u);
}

}  // namespace
}  // namespace vx

namespace vx::ui {
namespace {

TEST(BackendChoice, OptionThenEnvironmentThenDisplay) {
  const struct {
    const char* option;
    const char* env;
    bool display;
    bool qt;
    BackendKind expected;
  } cases[] = {
      {"", nullptr, true, true, BackendKind::kQt},
      {"", nullptr, false, true, BackendKind::kHeadless},
      {"", nullptr, true, false, BackendKind::kHeadless},
      {"headless", "qt", true, true, BackendKind::kHeadless},
      {"qt", "headless", true, true, BackendKind::kQt},
      {"", "headless", true, true, BackendKind::kHeadless},
      {"", "qt", true, true, BackendKind::kQt},
      {"", "qt", false, true, BackendKind::kHeadless},  // no display: Qt cannot run
      {"qt", nullptr, true, false, BackendKind::kHeadless},
      {"bogus", "bogus", true, true, BackendKind::kQt},  // unknown names are ignored
  };
  for (const auto& c : cases) {
    EXPECT_EQ(choose_backend(c.option, c.env, c.display, c.qt), c.expected)
        << c.option << "/" << (c.env ? c.env : "-") << "/" << c.display << c.qt;
  }
}

TEST(Script, LinesActAsAUserWould) {
  WindowDef def;
  def.title = "scripted";
  def.controls = {{.number = 1, .kind = ControlKind::kEntry, .picture = "@s10"},
                  {.number = 2, .kind = ControlKind::kButton, .text = "OK"}};
  std::string typed;
  vx::testing::WindowThread t(def, [&] { RT_USE(1, bind_string(&typed)); });
  std::string n = std::to_string(t.number());
  EXPECT_TRUE(run_script_line("wait " + n + " scripted"));
  EXPECT_TRUE(run_script_line("type " + n + " 1 hello world"));
  EXPECT_TRUE(run_script_line("press " + n + " 2"));
  ASSERT_TRUE(t.wait_event({kEventAccepted, 2}));
  EXPECT_EQ(t.events()[1], (vx::testing::EventSeen{kEventAccepted, 1}));
  EXPECT_EQ(find_window(t.number())->control(1)->text, "hello worl");
  for (const char* bad : {"", "press", "press x 2", "jump 1 2", "press 1"}) {
    EXPECT_FALSE(run_script_line(bad)) << bad;
  }
  EXPECT_TRUE(run_script_line("close " + n));
  ASSERT_TRUE(t.wait_closed());
}

}  // namespace
}  // namespace vx::ui
