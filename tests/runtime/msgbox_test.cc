#include "runtime/msgbox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/ui/backend.h"

namespace {

// Removes the hook whatever a test does.
struct HookGuard {
  ~HookGuard() { vx::ui::set_message_box_hook(nullptr); }
};

TEST(MessageBox, DefaultAnswer) {
  struct Case {
    std::uint32_t buttons, default_button, answer;
  } cases[] = {
      {0, 0, vx::kButtonOk},
      {vx::kButtonYes | vx::kButtonNo, 0, vx::kButtonYes},
      {vx::kButtonYes | vx::kButtonNo, vx::kButtonNo, vx::kButtonNo},
      {vx::kButtonAbort | vx::kButtonIgnore, vx::kButtonCancel, vx::kButtonAbort},  // not offered
      {vx::kButtonRetry | vx::kButtonCancel, vx::kButtonCancel, vx::kButtonCancel},
  };
  for (const Case& c : cases) {
    vx::ui::MessageBoxSpec box{"t", "", 0, c.buttons, c.default_button};
    EXPECT_EQ(vx::ui::default_answer(box), c.answer) << c.buttons << "/" << c.default_button;
  }
}

TEST(MessageBox, HeadlessWritesOneLineAndAnswersTheDefault) {
  testing::internal::CaptureStderr();
  std::uint32_t answer = RT_MessageBox("Disk is full", "Saving", vx::kIconHand,
                                       vx::kButtonRetry | vx::kButtonCancel, vx::kButtonCancel);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(answer, vx::kButtonCancel);
  EXPECT_EQ(err, "[message box] Saving: Disk is full [Retry/Cancel]\n");

  testing::internal::CaptureStderr();
  EXPECT_EQ(RT_MessageBox("Done"), vx::kButtonOk);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "[message box] : Done [OK]\n");
}

TEST(MessageBox, HookSeesTheBoxAndAnswersIt) {
  HookGuard guard;
  std::vector<vx::ui::MessageBoxSpec> seen;
  vx::ui::set_message_box_hook([&](const vx::ui::MessageBoxSpec& box) {
    seen.push_back(box);
    return vx::kButtonNo;
  });
  testing::internal::CaptureStderr();
  EXPECT_EQ(RT_MessageBox("Go on?", "Question", vx::kIconQuestion, vx::kButtonYes | vx::kButtonNo,
                          vx::kButtonYes),
            vx::kButtonNo);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // the back end never saw it
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].text, "Go on?");
  EXPECT_EQ(seen[0].title, "Question");
  EXPECT_EQ(seen[0].icon, vx::kIconQuestion);
  EXPECT_EQ(seen[0].buttons, vx::kButtonYes | vx::kButtonNo);
  EXPECT_EQ(seen[0].default_button, vx::kButtonYes);
}

TEST(MessageBoxDeathTest, HaltShowsItsTextAndExitsWithTheCode) {
  EXPECT_EXIT(RT_HALT(3, "Cannot go on"), testing::ExitedWithCode(3),
              "\\[message box\\] Halt: Cannot go on \\[OK\\]");
  EXPECT_EXIT(RT_HALT(0), testing::ExitedWithCode(0), "");
}

TEST(MessageBoxDeathTest, StopEndsTheProgramWhenTheUserChoosesToEnd) {
  EXPECT_EXIT(
      {
        vx::ui::set_message_box_hook([](const vx::ui::MessageBoxSpec& box) {
          std::fprintf(stderr, "asked: %s / %s\n", box.title.c_str(), box.text.c_str());
          return vx::kButtonAbort;
        });
        RT_STOP("Connection lost");
        std::fprintf(stderr, "went on\n");
        std::_Exit(9);
      },
      testing::ExitedWithCode(0), "asked: Stop / Connection lost");
}

TEST(MessageBox, StopReturnsWhenTheUserGoesOn) {
  {
    HookGuard guard;
    int asked = 0;
    vx::ui::set_message_box_hook([&](const vx::ui::MessageBoxSpec& box) {
      ++asked;
      EXPECT_NE(box.buttons & vx::kButtonAbort, 0u);
      return vx::kButtonIgnore;
    });
    RT_STOP("a");
    EXPECT_EQ(asked, 1);
  }
  // Headless, without a hook: the prompt is written and the program goes on.
  testing::internal::CaptureStderr();
  RT_STOP("a");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "[stop] a [going on]\n");
}

}  // namespace
