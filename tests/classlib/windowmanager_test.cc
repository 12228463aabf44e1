#include "classlib/windowmanager.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "classlib/errormanager.h"
#include "classlib/inimanager.h"
#include "runtime/error.h"
#include "runtime/msgbox.h"
#include "runtime/thread.h"
#include "runtime/ui/headless.h"

namespace vx {
namespace {

WindowDef small_window() {
  WindowDef def;
  def.title = "client";
  def.controls = {
      {.number = 1, .kind = ControlKind::kList, .format = "1020L~Results~@s255@"},
      {.number = 2, .kind = ControlKind::kButton, .text = "Close"},
      {.number = 3, .kind = ControlKind::kButton, .text = "Other"},
  };
  return def;
}

class RecordingToolbar : public ToolbarClass {
 public:
  std::int32_t TakeToolbar(std::int32_t control) override {
    last = control;
    return kLevelBenign;
  }
  std::atomic<std::int32_t> last{0};
};

// A window as the application's windows use the manager: settings in the open step,
// one button action, a first-display step and a toolbar target.
class ClientManager : public WindowManager {
 public:
  using WindowManager::WindowManager;
  std::int32_t Init() override {
    std::int32_t level = WindowManager::Init();
    if (level != kLevelBenign) return level;
    FirstField = 1;
    Toolbar = &toolbar;
    AddItem(2, kResponseCancelled);
    Open();
    SetAlerts();
    return kLevelBenign;
  }
  void FirstDisplay() override {
    ++first_displays;
    WindowManager::FirstDisplay();
  }
  RecordingToolbar toolbar;
  std::atomic<int> first_displays{0};
};

struct RunState {
  std::atomic<bool> done{false};
  std::atomic<int> response{-1};
  std::atomic<int> kill_level{-1};
  std::int32_t thread = 0;
};

TEST(WindowManager, ButtonActionEndsTheWindowWithItsResponse) {
  auto run = std::make_shared<RunState>();
  auto manager = std::make_shared<ClientManager>();
  WindowDef def = small_window();
  manager->set_definition(&def);
  run->thread = start_thread(
      [run, manager] {
        run->response = manager->Run();
        run->done = true;
      },
      25000);
  auto w = ui::wait_window(run->thread, "client");
  ASSERT_TRUE(w.has_value());
  ASSERT_TRUE(ui::wait_until([&] { return ui::find_window(run->thread)->focus == 1; }));
  ASSERT_TRUE(RT_POST(kEventAccepted, kToolInsert, run->thread));  // as the frame forwards
  ASSERT_TRUE(ui::wait_until([&] { return manager->toolbar.last == kToolInsert; }));
  EXPECT_TRUE(ui::press(run->thread, 3));  // no action: the window stays
  EXPECT_TRUE(ui::press(run->thread, 2));
  ASSERT_TRUE(ui::wait_until([&] { return run->done.load(); }));
  EXPECT_EQ(run->response, kResponseCancelled);
  EXPECT_EQ(manager->first_displays, 1);
  EXPECT_EQ(manager->toolbar.presses(), 1);
  EXPECT_FALSE(ui::find_window(run->thread).has_value());
}

TEST(WindowManager, ClosingTheWindowCancelsAndTakeDownReportsSuccessOnce) {
  auto run = std::make_shared<RunState>();
  auto manager = std::make_shared<ClientManager>();
  WindowDef def = small_window();
  manager->set_definition(&def);
  run->thread = start_thread(
      [run, manager] {
        if (manager->Init() == kLevelBenign) manager->Ask();
        run->kill_level = manager->Kill();
        run->response = manager->Kill();  // a second take-down has nothing to do
        run->done = true;
      },
      25000);
  ASSERT_TRUE(ui::wait_window(run->thread, "client").has_value());
  ASSERT_TRUE(ui::close_window(run->thread));
  ASSERT_TRUE(ui::wait_until([&] { return run->done.load(); }));
  EXPECT_EQ(run->kill_level, kLevelBenign);
  EXPECT_EQ(run->response, kLevelNotify);
  EXPECT_EQ(manager->RESPONSE, kResponseCancelled);
}

TEST(WindowManager, WithoutADefinitionNothingOpensAndTheErrorIsReported) {
  std::vector<std::string> boxes;
  ui::set_message_box_hook([&](const ui::MessageBoxSpec& box) {
    boxes.push_back(box.title + ": " + box.text);
    return kButtonOk;
  });
  ErrorClass errors;
  errors.Init();
  WindowManager manager;
  manager.ERRORS = &errors;
  EXPECT_EQ(manager.Run(), kResponseNone);
  EXPECT_FALSE(manager.opened());
  EXPECT_EQ(manager.Kill(), kLevelNotify);
  ui::set_message_box_hook(nullptr);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "Error: The window has no definition.");
}

TEST(ErrorManager, ShowsTheCodesTextAndReturnsTheLevel) {
  std::vector<ui::MessageBoxSpec> boxes;
  ui::set_message_box_hook([&](const ui::MessageBoxSpec& box) {
    boxes.push_back(box);
    return kButtonOk;
  });
  ErrorClass errors;
  errors.Init();
  EXPECT_EQ(errors.Throw(kAccessDenied, "Cannot open subject.tps", kLevelFatal), kLevelFatal);
  errors.reporter()(0, "Plain");
  ui::set_message_box_hook(nullptr);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "Cannot open subject.tps (Access Denied)");
  EXPECT_EQ(boxes[0].icon, kIconHand);
  EXPECT_EQ(boxes[1].text, "Plain");
}

TEST(IniManager, ReadsSectionsCaseBlindAndCreatesNothing) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("vx_ini_" + std::to_string(getpid()));
  fs::create_directories(dir);
  fs::path file = dir / "vxdemoabc.INI";
  IniClass ini;
  EXPECT_FALSE(ini.Init(file.string()));
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(ini.TryFetch("Main", "Width", "none"), "none");
  {
    std::ofstream out(file);
    out << "; settings\n[Main]\n Width = 640 \nheight=480\n[Other]\nwidth=1\nbroken line\n";
  }
  EXPECT_TRUE(ini.Init(file.string()));
  EXPECT_EQ(ini.TryFetch("MAIN", "width"), "640");
  EXPECT_EQ(ini.TryFetch("main", "HEIGHT"), "480");
  EXPECT_EQ(ini.TryFetch("other", "width"), "1");
  EXPECT_EQ(ini.TryFetch("other", "height", "-"), "-");
  fs::remove_all(dir);
}

}  // namespace
}  // namespace vx
