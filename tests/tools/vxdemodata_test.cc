// vxdemodata as a program: exit codes, and a listing in a key's order.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

class DemoTool : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vx-demotool-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

struct ToolRun {
  int status;
  std::string out;
};
ToolRun run(const std::string& args) {
  std::string command = std::string(VXDEMODATA_PATH) + " " + args + " 2>/dev/null";
  ToolRun r{-1, ""};
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) return r;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

TEST_F(DemoTool, CreatesAndListsInKeyOrder) {
  std::string dir = (dir_ / "demo").string();
  ASSERT_EQ(run("create " + dir + " 300 --seed 9").status, 0);
  ToolRun listed = run("list " + dir + " --order SUB:BYLASTNAME");
  ASSERT_EQ(listed.status, 0);
  std::istringstream lines(listed.out);
  std::string line;
  std::getline(lines, line);  // header
  std::vector<std::string> names;
  while (std::getline(lines, line)) {
    // Columns: MASTERC(11) SUBJECTC(15) ST(2) LNAME(20) FNAME(15) ...
    std::string last = line.substr(31, 20), first = line.substr(52, 15);
    std::string key = last + "|" + first;
    for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    names.push_back(key);
  }
  ASSERT_EQ(names.size(), 300u);
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));

  ToolRun limited = run("list " + dir + " --order 4 --limit 20");
  EXPECT_EQ(limited.status, 0);
  EXPECT_EQ(std::count(limited.out.begin(), limited.out.end(), '\n'), 21);
  EXPECT_EQ(limited.out, listed.out.substr(0, limited.out.size()));

  EXPECT_EQ(run("list " + dir + " --order BYNOTHING").status, 2);
  EXPECT_EQ(run("create " + dir + " -5").status, 2);
  EXPECT_EQ(run("").status, 2);
  // Listing a folder without a data file fails and creates nothing.
  std::filesystem::create_directories(dir_ / "empty");
  EXPECT_EQ(run("list " + (dir_ / "empty").string()).status, 1);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "empty" / "subject.tps"));
}

}  // namespace
