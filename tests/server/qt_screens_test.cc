// The server window and the client window on the Qt back end (QT_QPA_PLATFORM=offscreen),
// with real widgets: the server's list fills as clients are served, the client window
// lists its rows; pictures of both go to <build>/screenshots for people to look at.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QThread>
#include <QTreeWidget>
#include <QWidget>
#include <cstring>

#include "app/subject.h"
#include "app/vxdem004.h"
#include "relay/vex32.h"
#include "runtime/thread.h"
#include "runtime/ui/headless.h"
#include "runtime/ui/qt/qt_backend.h"
#include "server/activity_log.h"
#include "server/server_window.h"
#include "tests/server/served_fixture.h"

namespace {

using namespace vx::testing;
namespace qt = vx::ui::qt;

bool pump_until(const std::function<bool()>& done, int timeout_ms = 20000) {
  for (int waited = 0; waited < timeout_ms; waited += 5) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    if (done()) return true;
    QThread::msleep(5);
  }
  return done();
}

// Runs `work` on a plain thread while the GUI keeps going.
void beside_gui(const std::function<void()>& work) {
  std::atomic<bool> done{false};
  std::thread t([&] {
    work();
    done = true;
  });
  pump_until([&] { return done.load(); }, 60000);
  t.join();
}

QString screenshot_dir() {
  const char* build = std::getenv("VX_BUILD_DIR");
  QString dir =
      (build ? QString::fromLocal8Bit(build) : QCoreApplication::applicationDirPath() + "/..") +
      "/screenshots";
  QDir().mkpath(dir);
  return dir;
}

std::size_t list_rows(std::uint64_t window, std::int32_t control) {
  auto* list = qobject_cast<QTreeWidget*>(qt::control_widget(window, control));
  return list ? static_cast<std::size_t>(list->topLevelItemCount()) : 0;
}

TEST(QtScreens, ServerWindowAndClientWindow) {
  WorkFolder folder;
  std::strcpy(SubjectDriverString, "/DRIVER=C4TPSX.DLL");
  subject_module_setup();
  ASSERT_EQ(RT_FILE_CREATE(&SUBJECT), 0);
  ASSERT_EQ(RT_FILE_OPEN(&SUBJECT, vx::kOpenShared), 0);
  const char* last[] = {"Smith", "Jones", "Brown", "Miller", "Davis", "Wilson", "Moore"};
  for (int i = 0; i < 7; ++i) {
    subject_module_setup();
    SUB.MASTERC = 100 + i;
    vx::app::set_subject_code(SUB, 1000 + i);
    vx::app::set_text(SUB.LNAME, last[i]);
    std::string note = "on probation since " + std::to_string(2019 + i) + ", reports weekly";
    std::memcpy(subject_comment(), note.data(), note.size());
    ASSERT_EQ(RT_FILE_ADD(&SUBJECT), 0);
  }
  RT_FILE_CLOSE(&SUBJECT);
  vx::server::serve_file(&SUBJECT, [](const char* t) { std::strcpy(SubjectDriverString, t); });

  std::int32_t server = RT_START(ServerWindow, 25000);
  ASSERT_TRUE(pump_until([] { return RawClient().connected(); }));
  beside_gui([] {
    for (int c = 0; c < 3; ++c) {
      RawClient client;
      for (int op : {25, 41, 24, 24, 24, 7}) {
        client.send(request(op));
        if (op == 24) client.message();
        client.status();
      }
    }
  });
  auto w = vx::ui::find_window(server);
  ASSERT_TRUE(w.has_value());
  // The list shows the log once the window has redrawn it (a few times a second).
  ASSERT_TRUE(pump_until([&] {
    return vx::server::DataQueue().records() >= 24 &&
           list_rows(w->id, 6) == vx::server::DataQueue().records();
  }));
  auto* list = qobject_cast<QTreeWidget*>(qt::control_widget(w->id, 6));
  EXPECT_NE(list->topLevelItem(0)->text(0).indexOf("-disconnected-"), -1);
  QWidget* server_widget = qt::window_widget(w->id);
  ASSERT_NE(server_widget, nullptr);
  EXPECT_TRUE(server_widget->grab().save(screenshot_dir() + "/server_window.png"));

  std::int32_t client = RT_START(ClientWindow, 25000);
  std::optional<vx::WindowState> cw;
  ASSERT_TRUE(pump_until([&] {
    cw = vx::ui::find_window(client);
    return cw && list_rows(cw->id, 1) == 6;
  }));
  auto* rows = qobject_cast<QTreeWidget*>(qt::control_widget(cw->id, 1));
  EXPECT_EQ(rows->topLevelItem(0)->text(0).trimmed(),
            "Smith-on probation since 2019, reports weekly");
  EXPECT_EQ(rows->topLevelItem(5)->text(0).trimmed(), "Done.");
  QWidget* client_widget = qt::window_widget(cw->id);
  ASSERT_NE(client_widget, nullptr);
  EXPECT_TRUE(client_widget->grab().save(screenshot_dir() + "/client_window.png"));

  vx::ui::close_window(client);
  vx::ui::press(server, 8);
  ASSERT_TRUE(pump_until([&] { return !vx::thread_alive(client) && !vx::thread_alive(server); }));
  VX_SHUTDOWN();
}

}  // namespace

// Qt and fontconfig keep some allocations for the process's life; only those libraries
// are named, a leak of our own is still reported.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libQt6Gui.so\nleak:libQt6Core.so\n";
}

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  vx::ui::qt::install();
  int rc = RUN_ALL_TESTS();
  vx::ui::qt::uninstall();
  return rc;
}
