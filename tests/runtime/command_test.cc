#include "runtime/command.h"

#include <gtest/gtest.h>

namespace {

TEST(Command, WholeLineAndSwitches) {
  const char* argv[] = {"/srv/server/vxdemoabc", "/Server", "HOST=10.0.0.1",
                        "/port=10025",           "plain",   "/EMPTY=",
                        "/host=second"};
  RT_set_command_line(7, argv);
  // The program's own path (which holds "/server") is not part of the line.
  EXPECT_EQ(RT_COMMAND(""), "/Server HOST=10.0.0.1 /port=10025 plain /EMPTY= /host=second");
  struct Case {
    const char* name;
    const char* value;
  } cases[] = {
      {"SERVER", "Server"}, {"/server", "Server"}, {"host", "10.0.0.1"},  // first one wins
      {"PORT", "10025"},    {"empty", ""},         {"plain", ""},         // no slash, no '='
      {"serv", ""},         {"missing", ""},       {" /PORT ", "10025"},
  };
  for (const Case& c : cases) EXPECT_EQ(RT_COMMAND(c.name), c.value) << c.name;
  EXPECT_EQ(RT_COMMAND(nullptr), RT_COMMAND(""));

  RT_set_command_line(1, argv);
  EXPECT_EQ(RT_COMMAND(""), "");
  EXPECT_EQ(RT_COMMAND("SERVER"), "");
}

}  // namespace
