#include "runtime/thread.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <cstring>
#include <string>

#include "platform/kernel32.h"
#include "platform/user32.h"
#include "runtime/msgbox.h"
#include "tests/runtime/window_fixture.h"

namespace vx {
namespace {

using testing::EventSeen;
using testing::WindowThread;

WindowDef plain_window(const std::string& title) {
  WindowDef def;
  def.title = title;
  def.controls.push_back(ControlDef{.number = 1, .kind = ControlKind::kButton, .text = "&Ok"});
  return def;
}

TEST(Thread, NumbersAreDistinctAndKnownInsideTheThread) {
  std::int32_t me = RT_THREAD();
  EXPECT_GT(me, 0);
  EXPECT_EQ(me, RT_THREAD());
  std::atomic<std::int32_t> seen_a{-1}, seen_b{-1};
  std::int32_t a = start_thread([&] { seen_a = RT_THREAD(); }, 25000);
  std::int32_t b = start_thread([&] { seen_b = RT_THREAD(); }, 50000);
  ASSERT_GT(a, 0);
  EXPECT_GT(b, a);
  EXPECT_NE(a, me);
  ASSERT_TRUE(ui::wait_until([&] { return seen_a != -1 && seen_b != -1; }));
  EXPECT_EQ(seen_a, a);
  EXPECT_EQ(seen_b, b);
}

std::atomic<bool> g_text_ok{false};
std::atomic<bool> g_text_done{false};
void takes_text(const char* text) {
  g_text_ok = std::strcmp(text, "128                             ") == 0;
  g_text_done = true;
}

TEST(Thread, Start1HandsTheProcedureItsOwnCopyOfTheText) {
  char text[33];
  std::snprintf(text, sizeof text, "%-32s", "128");
  std::int32_t n = RT_START1(takes_text, 25000, text);
  std::memset(text, 'x', 32);  // the caller's buffer may change at once
  ASSERT_GT(n, 0);
  ASSERT_TRUE(ui::wait_until([] { return g_text_done.load(); }));
  EXPECT_TRUE(g_text_ok);
}

TEST(Thread, StackSizesAreRoundedUpToASafeMinimum) {
  long page = sysconf(_SC_PAGESIZE);
  const struct {
    std::uint32_t requested;
    std::size_t expected;
  } cases[] = {
      {0, kMinimumStack},
      {25000, kMinimumStack},
      {50000, kMinimumStack},
      {4u << 20, std::size_t{4} << 20},
      {(4u << 20) + 1, (std::size_t{4} << 20) + page},
  };
  for (const auto& c : cases) EXPECT_EQ(thread_stack_size(c.requested), c.expected) << c.requested;

  std::atomic<std::size_t> got{0};
  start_thread(
      [&] {
        pthread_attr_t attr;
        pthread_getattr_np(pthread_self(), &attr);
        std::size_t size = 0;
        pthread_attr_getstacksize(&attr, &size);
        pthread_attr_destroy(&attr);
        got = size;
      },
      25000);
  ASSERT_TRUE(ui::wait_until([&] { return got != 0; }));
  EXPECT_GE(got.load(), kMinimumStack);
}

TEST(Events, PostedEventsReachTheTargetThreadsWindowInOrder) {
  WindowThread worker(plain_window("Skt: 5"), {}, [](const EventSeen& e) {
    if (e.event == 1127) RT_EndEventLoop();
  });
  ASSERT_TRUE(worker.wait_event({kEventOpenWindow, 0}));
  EXPECT_TRUE(RT_POST(1126, 0, worker.number()));
  EXPECT_TRUE(RT_POST(1126, 3, worker.number()));
  EXPECT_TRUE(RT_POST(1127, 0, worker.number()));
  ASSERT_TRUE(worker.wait_closed());
  std::vector<EventSeen> expected = {{kEventOpenWindow, 0}, {1126, 0}, {1126, 3}, {1127, 0}};
  EXPECT_EQ(worker.events(), expected);
  // The thread has no window any more: later posts are dropped.
  EXPECT_FALSE(RT_POST(1126, 0, worker.number()));
}

TEST(Events, PostsToAThreadWithoutAWindowAreDropped) {
  static std::atomic<bool> release{false};
  std::int32_t idle = start_thread([] { ui::wait_until([] { return release.load(); }); }, 0);
  EXPECT_FALSE(RT_POST(1126, 0, idle));
  EXPECT_FALSE(RT_POST(1126, 0, 999999));
  EXPECT_FALSE(RT_POST(1126, 0, 0));
  release = true;
}

// Two procedures put in front of a window's own, each handing messages on.
std::atomic<WNDPROC> g_prev_outer{nullptr}, g_prev_inner{nullptr};
std::mutex g_seen_mutex;
std::vector<std::string> g_seen;
std::atomic<std::int32_t> g_proc_thread{0};

void seen(const std::string& s) {
  std::lock_guard<std::mutex> lock(g_seen_mutex);
  g_seen.push_back(s);
}

LRESULT CALLBACK inner_proc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_USER + 101) seen("inner " + std::to_string(w) + " " + std::to_string(LOWORD(l)));
  return CallWindowProcA(g_prev_inner, h, m, w, l);
}

LRESULT CALLBACK outer_proc(HWND h, UINT m, WPARAM w, LPARAM l) {
  g_proc_thread = RT_THREAD();
  if (m == WM_USER + 101) seen("outer " + std::to_string(w) + " " + std::to_string(LOWORD(l)));
  if (m == WM_CLOSE) seen("close");
  return CallWindowProcA(g_prev_outer, h, m, w, l);
}

TEST(User32, InstalledProcedureSeesPostedMessagesFirstOnTheOwningThread) {
  std::atomic<HWND> handle{nullptr};
  WindowThread server(plain_window("Server TCP Socket"), [&] {
    HWND h = reinterpret_cast<HWND>(std::stoul(RT_GetPropS(0, kPropHandle)));
    g_prev_inner = reinterpret_cast<WNDPROC>(
        SetWindowLongA(h, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(inner_proc)));
    g_prev_outer = reinterpret_cast<WNDPROC>(
        SetWindowLongA(h, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(outer_proc)));
    handle = h;
  });
  ASSERT_TRUE(ui::wait_until([&] { return handle.load() != nullptr; }));
  EXPECT_NE(g_prev_inner.load(), nullptr);
  EXPECT_EQ(g_prev_outer.load(), &inner_proc);
  EXPECT_EQ(GetWindowLongA(handle, GWL_WNDPROC), reinterpret_cast<LONG_PTR>(&outer_proc));

  // From this thread, as the socket layer's poller would.
  EXPECT_TRUE(PostMessageA(handle, WM_USER + 101, 7, 8));
  ASSERT_TRUE(ui::wait_until([] {
    std::lock_guard<std::mutex> lock(g_seen_mutex);
    return g_seen.size() >= 2;
  }));
  EXPECT_EQ(g_proc_thread.load(), server.number());
  // A close message handed on down the chain reaches the window's own procedure,
  // which closes the window.
  EXPECT_TRUE(PostMessageA(handle, WM_CLOSE, 0, 0));
  ASSERT_TRUE(server.wait_closed());
  {
    std::lock_guard<std::mutex> lock(g_seen_mutex);
    std::vector<std::string> expected = {"outer 7 8", "inner 7 8", "close"};
    EXPECT_EQ(g_seen, expected);
  }
  EXPECT_EQ(server.events().back(), (EventSeen{kEventCloseWindow, 0}));
  // The window is gone: posting fails and its handle no longer takes a procedure.
  EXPECT_FALSE(IsWindow(handle));
  EXPECT_FALSE(PostMessageA(handle, WM_USER + 101, 7, 1));
  EXPECT_EQ(SetWindowLongA(handle, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(inner_proc)), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

std::atomic<int> g_box_messages{0};
LRESULT CALLBACK counting_proc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_USER + 101) ++g_box_messages;
  return DefWindowProcA(h, m, w, l);
}

TEST(MessageBoxWait, WindowMessagesAreDispatchedWhileEventsWait) {
  ui::hold_message_boxes(true);
  std::atomic<HWND> handle{nullptr};
  std::atomic<std::uint32_t> answer{0};
  WindowThread t(
      plain_window("Server"),
      [&] {
        handle = window_handle();
        SetWindowLongA(handle, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(counting_proc));
      },
      [&](const EventSeen& e) {
        if (e.event == kEventOpenWindow) {
          answer = RT_MessageBox("Going on?", "WinSock Error", kIconHand, kButtonYes | kButtonNo);
        }
      });
  ASSERT_TRUE(ui::wait_until([] { return !ui::pending_boxes().empty(); }));
  EXPECT_EQ(ui::pending_boxes()[0].thread, t.number());
  EXPECT_EQ(ui::pending_boxes()[0].box.title, "WinSock Error");

  EXPECT_TRUE(RT_POST(1126, 0, t.number()));
  EXPECT_TRUE(PostMessageA(handle, WM_USER + 101, 1, 1));
  EXPECT_TRUE(PostMessageA(handle, WM_USER + 101, 1, 1));
  ASSERT_TRUE(ui::wait_until([] { return g_box_messages == 2; }));
  // The posted event waits for the box.
  EXPECT_EQ(t.events().size(), 1u);

  ui::hold_message_boxes(false);
  ASSERT_TRUE(ui::answer_box(t.number(), kButtonNo));
  ASSERT_TRUE(t.wait_event({1126, 0}));
  EXPECT_EQ(answer.load(), kButtonNo);
  EXPECT_FALSE(ui::answer_box(t.number(), kButtonNo));  // nothing pending any more
}

}  // namespace
}  // namespace vx
