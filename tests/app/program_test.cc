// The two programs as real processes: they start, show the frame, close on "E&xit"
// and exit with code 0, creating nothing in their folder.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Case {
  const char* program;
  const char* backend;
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.program << " " << c.backend;
}

class Program : public ::testing::TestWithParam<Case> {};

TEST_P(Program, StartsAndClosesCleanlyOnExit) {
  const Case& c = GetParam();
  const char* build = std::getenv("VX_BUILD_DIR");
  ASSERT_NE(build, nullptr);
  fs::path dir = fs::temp_directory_path() / ("vx_program_" + std::string(c.program) + "_" +
                                              c.backend + "_" + std::to_string(getpid()));
  fs::create_directories(dir);
  fs::path log = dir.parent_path() / (dir.filename().string() + ".log");
  // The script waits for the frame (thread 1), then chooses "E&xit" (-3).
  std::string command =
      "cd '" + dir.string() + "' && printf 'wait 1 Application\\npress 1 -3\\n' | " +
      "VX_UI=" + c.backend + " VX_UI_SCRIPT=- QT_QPA_PLATFORM=offscreen timeout 60 '" +
      std::string(build) + "/bin/" + c.program + "' >'" + log.string() + "' 2>&1";
  int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << command;
  EXPECT_TRUE(fs::is_empty(dir)) << "the program created files in its folder";
  fs::remove_all(dir);
  fs::remove(log);
}

INSTANTIATE_TEST_SUITE_P(Builds, Program,
                         ::testing::Values(Case{"vxdemoabc", "headless"},
                                           Case{"vxabcdem", "headless"}
#ifdef VX_WITH_QT
                                           ,
                                           Case{"vxdemoabc", "qt"}, Case{"vxabcdem", "qt"}
#endif
                                           ),
                         [](const auto& info) {
                           return std::string(info.param.program) + "_" + info.param.backend;
                         });

}  // namespace
