#include "platform/kernel32.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(LinuxLibraryName, MapsDllNames) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"C4TPSX.DLL", "libc4tpsx.so"},
      {"c4tpsx.dll", "libc4tpsx.so"},
      {"dir/sub/Ord.Dll", "dir/sub/libord.so"},
      {"libplain.so", "libplain.so"},
      {".dll", "lib.so"},
  };
  for (const Case& c : cases) {
    char buf[64];
    EXPECT_EQ(std::string(vx::platform::linux_library_name(c.in, buf, sizeof buf)), c.out) << c.in;
  }
}

TEST(LoadLibrary, FindsDllNameAndOrdinal) {
  HMODULE h = LoadLibraryA("ORDFIX.DLL");
  ASSERT_GT(h, 32);
  auto ord2 = reinterpret_cast<int (*)()>(GetProcAddress(h, MAKEINTRESOURCEA(2)));
  ASSERT_NE(ord2, nullptr);
  EXPECT_EQ(ord2(), 42);
  auto named = reinterpret_cast<int (*)()>(GetProcAddress(h, "named_entry"));
  ASSERT_NE(named, nullptr);
  EXPECT_EQ(named(), 7);

  EXPECT_EQ(GetProcAddress(h, MAKEINTRESOURCEA(3)), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
  EXPECT_TRUE(FreeLibrary(h));
}

TEST(LoadLibrary, SameModuleTwiceSharesHandleAndCountsReferences) {
  int before = vx::platform::loaded_module_count();
  HMODULE a = LoadLibraryA("ORDFIX.DLL");
  HMODULE b = LoadLibraryA("libordfix.so");
  EXPECT_EQ(a, b);
  EXPECT_EQ(vx::platform::loaded_module_count(), before + 1);
  EXPECT_TRUE(FreeLibrary(a));
  EXPECT_EQ(vx::platform::loaded_module_count(), before + 1);
  EXPECT_TRUE(FreeLibrary(b));
  EXPECT_EQ(vx::platform::loaded_module_count(), before);
  EXPECT_FALSE(FreeLibrary(b));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(LoadLibrary, MissingLibraryFailsWithSmallHandle) {
  SetLastError(0);
  EXPECT_LE(LoadLibraryA("NOSUCHLIB.DLL"), 32);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  EXPECT_LE(LoadLibraryA(""), 32);
}

}  // namespace
