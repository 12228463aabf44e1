// The frame and child windows on the Qt back end (QT_QPA_PLATFORM=offscreen): real
// widgets on this, the GUI thread; the program's windows on runtime threads.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QThread>
#include <QToolBar>
#include <QTreeWidget>
#include <atomic>
#include <cstring>

#include "app/globals.h"
#include "app/resources.h"
#include "app/vxdem001.h"
#include "runtime/msgbox.h"
#include "runtime/thread.h"
#include "runtime/ui/headless.h"
#include "runtime/ui/qt/qt_backend.h"
#include "tests/runtime/window_fixture.h"

namespace vx::app {
namespace {

using testing::EventSeen;
using testing::WindowThread;
namespace qt = vx::ui::qt;

// Runs the GUI's events until `done` holds (the bound only keeps a broken test from
// hanging).
bool pump_until(const std::function<bool()>& done, int timeout_ms = 20000) {
  for (int waited = 0; waited < timeout_ms; waited += 5) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    if (done()) return true;
    QThread::msleep(5);
  }
  return done();
}

class QtFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    frame_thread_ = start_thread(
        [this] {
          Main();
          done_ = true;
        },
        0);
    ASSERT_TRUE(pump_until([this] {
      frame_ = ui::find_window(frame_thread_);
      return frame_.has_value() && qt::frame_widget() != nullptr && qt::frame_widget()->isVisible();
    }));
  }
  void TearDown() override {
    if (!done_) {
      QAction* exit = qt::control_action(frame_->id, kItemExit);
      if (exit != nullptr) exit->trigger();
    }
    EXPECT_TRUE(pump_until([this] { return done_.load() && qt::frame_widget() == nullptr; }));
  }

  std::int32_t frame_thread_ = 0;
  std::atomic<bool> done_{false};
  std::optional<WindowState> frame_;
};

TEST_F(QtFrame, OpensWithItsMenusAndToolbar) {
  QMainWindow* main = qt::frame_widget();
  EXPECT_EQ(main->windowTitle(), "Application");
  QStringList menus;
  for (QAction* a : main->menuBar()->actions()) menus << a->text();
  EXPECT_EQ(menus, (QStringList{"&File", "&Edit", "&Browse", "&Window", "&Help"}));
  QAction* exit = qt::control_action(frame_->id, kItemExit);
  ASSERT_NE(exit, nullptr);
  EXPECT_EQ(exit->text(), "E&xit");
  EXPECT_EQ(exit->statusTip(), "Exit this application");
  QToolBar* bar = main->findChild<QToolBar*>("toolbar");
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(bar->actions().size(), 13);
  EXPECT_EQ(bar->actions()[0]->toolTip(), "Go to the First Page");
  EXPECT_EQ(bar->actions()[12]->toolTip(), "Get Help");
  for (QAction* a : bar->actions()) EXPECT_FALSE(a->icon().isNull()) << a->toolTip().toStdString();
  ASSERT_NE(qt::mdi_area(), nullptr);
}

WindowDef child_definition() {
  WindowDef def;
  def.title = "Browse the subject File";
  def.width = 200;
  def.height = 120;
  def.controls = {
      {.number = 1,
       .kind = ControlKind::kList,
       .x = 4,
       .y = 4,
       .width = 190,
       .height = 80,
       .format = "64R(2)|M~MASTERC~C(0)@n-14@80L(2)|M~LNAME~L(2)@s20@"},
      {.number = 2,
       .kind = ControlKind::kButton,
       .text = "&Insert",
       .x = 4,
       .y = 96,
       .width = 45,
       .height = 14},
      {.number = 13,
       .kind = ControlKind::kButton,
       .text = "Close",
       .x = 60,
       .y = 96,
       .width = 45,
       .height = 14},
  };
  return def;
}

TEST_F(QtFrame, ChildWindowOnAnotherThreadIsAnMdiChildAndGetsItsButtonsAndToolbar) {
  static std::vector<std::vector<std::string>> rows = {{"1001", "Smith"}, {"1002", "Jones"}};
  WindowThread child(child_definition(), [] {
    RT_FROM(1, ListSource{[] { return rows.size(); }, [](std::size_t i) { return rows[i - 1]; }});
    RT_DISPLAY(1);
  });
  std::uint64_t id = 0;
  ASSERT_TRUE(pump_until([&] {
    auto w = ui::find_window(child.number());
    if (!w) return false;
    id = w->id;
    auto* list = qobject_cast<QTreeWidget*>(qt::control_widget(id, 1));
    return list != nullptr && list->topLevelItemCount() == 2;
  }));
  auto* sub = qobject_cast<QMdiSubWindow*>(qt::window_widget(id));
  ASSERT_NE(sub, nullptr);
  EXPECT_TRUE(qt::mdi_area()->subWindowList().contains(sub));
  EXPECT_EQ(sub->windowTitle(), "Browse the subject File");
  auto* list = qobject_cast<QTreeWidget*>(qt::control_widget(id, 1));
  EXPECT_EQ(list->topLevelItem(0)->text(1), "Smith");
  EXPECT_EQ(list->headerItem()->text(0), "MASTERC");
  // Dialog units follow the font: the list is 190 units wide.
  EXPECT_EQ(list->width(), static_cast<int>(190 * qt::dialog_unit_x(id)));

  auto* insert = qobject_cast<QPushButton*>(qt::control_widget(id, 2));
  ASSERT_NE(insert, nullptr);
  insert->click();
  ASSERT_TRUE(pump_until([&] {
    for (const auto& e : child.events())
      if (e == EventSeen{kEventAccepted, 2}) return true;
    return false;
  }));
  // The frame's toolbar button reaches the active child's thread.
  QAction* tool = qt::control_action(frame_->id, 2000);
  ASSERT_NE(tool, nullptr);
  tool->trigger();
  ASSERT_TRUE(pump_until([&] {
    for (const auto& e : child.events())
      if (e == EventSeen{kEventAccepted, 2000}) return true;
    return false;
  }));

  // A picture of the frame with this child, for people to look at.
  const char* build = std::getenv("VX_BUILD_DIR");
  QString dir =
      QString::fromLocal8Bit(build != nullptr ? build : VX_BUILD_DIR_DEFAULT) + "/screenshots";
  QDir().mkpath(dir);
  sub->move(10, 10);
  pump_until([] { return false; }, 100);
  EXPECT_TRUE(qt::frame_widget()->grab().save(dir + "/frame_with_child.png"));

  sub->close();  // the title bar's close: the window's thread closes it
  ASSERT_TRUE(pump_until([&] { return child.done() && qt::window_widget(id) == nullptr; }));
  EXPECT_EQ(child.events().back(), (EventSeen{kEventCloseWindow, 0}));
}

TEST_F(QtFrame, AMessageBoxOnAThreadBlocksOnlyThatThread) {
  std::atomic<std::uint32_t> answer{0};
  std::atomic<bool> answered{false};
  WindowThread boxing(child_definition(), {}, [&](const EventSeen& e) {
    if (e == EventSeen{kEventAccepted, 2}) {
      answer = RT_MessageBox("Did you run the demo with the /Server command first?",
                             "WinSock Error", kIconExclamation, kButtonYes | kButtonNo);
      answered = true;
    }
  });
  WindowThread other(child_definition());
  ASSERT_TRUE(pump_until(
      [&] { return ui::find_window(boxing.number()) && ui::find_window(other.number()); }));
  ASSERT_TRUE(ui::press(boxing.number(), 2));
  QMessageBox* box = nullptr;
  ASSERT_TRUE(pump_until([&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible()) box = b;
    }
    return box != nullptr;
  }));
  EXPECT_EQ(box->windowTitle(), "WinSock Error");
  // The other window's thread goes on, and so does the GUI.
  std::uint64_t other_id = ui::find_window(other.number())->id;
  qobject_cast<QPushButton*>(qt::control_widget(other_id, 2))->click();
  ASSERT_TRUE(pump_until([&] {
    for (const auto& e : other.events())
      if (e == EventSeen{kEventAccepted, 2}) return true;
    return false;
  }));
  EXPECT_FALSE(answered);
  box->button(QMessageBox::No)->click();
  ASSERT_TRUE(pump_until([&] { return answered.load(); }));
  EXPECT_EQ(answer, kButtonNo);
}

TEST_F(QtFrame, TextsAreOneByteACharacterShownAndTypedAsLatin1) {
  static char name[15];
  std::memset(name, ' ', sizeof name);
  std::memcpy(name, "Fran\xE7ois", 8);  // "François" in Latin-1
  WindowDef def;
  def.title =
      "Stra\xDF"
      "e";  // "Straße"
  def.controls = {{.number = 1,
                   .kind = ControlKind::kEntry,
                   .x = 4,
                   .y = 4,
                   .width = 80,
                   .picture = "@s15",
                   .use = bind_text(name, sizeof name)}};
  std::atomic<bool> accepted{false};
  WindowThread t(def, {}, [&](const EventSeen& e) {
    if (e == EventSeen{kEventAccepted, 1}) accepted = true;
  });
  QLineEdit* entry = nullptr;
  std::uint64_t id = 0;
  ASSERT_TRUE(pump_until([&] {
    auto w = ui::find_window(t.number());
    if (!w) return false;
    id = w->id;
    entry = qobject_cast<QLineEdit*>(qt::control_widget(id, 1));
    return entry != nullptr && !entry->text().isEmpty();
  }));
  EXPECT_EQ(entry->text(), QString::fromUtf8("François"));
  EXPECT_EQ(qt::window_widget(id)->windowTitle(), QString::fromUtf8("Straße"));
  entry->setText(QString::fromUtf8("Müller"));
  entry->setModified(true);
  emit entry->editingFinished();
  ASSERT_TRUE(pump_until([&] { return accepted.load(); }));
  // The bound variable holds one byte per character, blank-padded.
  EXPECT_EQ(std::string(name, sizeof name), std::string("M\xFCller         "));
}

TEST_F(QtFrame, ExitEndsTheFrame) {
  QAction* exit = qt::control_action(frame_->id, kItemExit);
  ASSERT_NE(exit, nullptr);
  exit->trigger();
  ASSERT_TRUE(pump_until([this] { return done_.load(); }));
  EXPECT_EQ(GlobalResponse.load(), 2);
}

}  // namespace
}  // namespace vx::app

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();  // no display needed to list
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  vx::app::register_resources();
  vx::ui::qt::install();
  int rc = RUN_ALL_TESTS();
  vx::ui::qt::uninstall();
  return rc;
}
