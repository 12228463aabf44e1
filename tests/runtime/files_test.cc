#include "runtime/files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "runtime/error.h"

namespace {

// A driver entry for these tests: records every call and answers as the test says.
struct Call {
  std::int32_t op;
  vx::FCB* fcb;
  std::int64_t arg;         // the argument block's number (mode, key, position), or -1
  std::int32_t error_seen;  // the runtime's error code on entry
};
std::vector<Call> g_calls;
std::int32_t g_set_error = 0;  // what the driver sets with RT_seterror
std::int32_t g_return = 0;     // what it returns
bool g_return_only = false;    // fail by the result alone, without RT_seterror

std::int32_t recording_driver(std::int32_t op, vx::FCB* fcb, void* args) {
  std::int64_t arg = -1;
  switch (op) {
    case vx::kOpOpen:
      arg = static_cast<vx::OpenArgs*>(args)->mode;
      break;
    case vx::kOpSetKey:
    case vx::kOpSetKeyValue:
      arg = static_cast<vx::SetKeyArgs*>(args)->key;
      break;
    case vx::kOpGetKey:
      arg = static_cast<vx::GetKeyArgs*>(args)->key;
      break;
    case vx::kOpGetPosition:
    case vx::kOpResetPosition:
      arg = static_cast<vx::PositionArgs*>(args)->position;
      break;
    case vx::kOpPosition:
      static_cast<vx::PositionArgs*>(args)->position = 4711;
      break;
    case vx::kOpRecords:
      static_cast<vx::RecordsArgs*>(args)->count = 123456;
      break;
    case vx::kOpSend: {
      auto* s = static_cast<vx::SendArgs*>(args);
      std::string reply = std::string("got ") + s->text;
      std::strncpy(s->reply, reply.c_str(), static_cast<std::size_t>(s->reply_size));
      break;
    }
    default:
      if (args != nullptr) arg = *static_cast<std::int32_t*>(args);
  }
  g_calls.push_back({op, fcb, arg, RT_ERRCODE()});
  if (!g_return_only) RT_seterror(g_set_error);
  return g_return;
}

class FileCalls : public testing::Test {
 protected:
  void SetUp() override {
    g_calls.clear();
    g_set_error = g_return = 0;
    g_return_only = false;
    std::memset(&fcb_, 0, sizeof fcb_);
    fcb_.PIPE = reinterpret_cast<std::uintptr_t>(&recording_driver);
  }
  vx::FCB fcb_;
};

TEST_F(FileCalls, EachCallReachesTheDriverWithItsOperationAndArguments) {
  struct Case {
    const char* name;
    std::int32_t (*run)(vx::FCB*);
    std::int32_t op;
    std::int64_t arg;
  } cases[] = {
      {"open", [](vx::FCB* f) { return RT_FILE_OPEN(f, vx::kOpenDenyWrite); }, 25, 0x22},
      {"open shared", [](vx::FCB* f) { return RT_FILE_OPEN(f); }, 25, 0x42},
      {"close", [](vx::FCB* f) { return RT_FILE_CLOSE(f); }, 7, -1},
      {"create", [](vx::FCB* f) { return RT_FILE_CREATE(f); }, vx::kOpCreate, -1},
      {"set file", [](vx::FCB* f) { return RT_FILE_SETf(f); }, 41, -1},
      {"set key", [](vx::FCB* f) { return RT_FILE_SETk(f, 3); }, 44, 3},
      {"set key value", [](vx::FCB* f) { return RT_FILE_SETkk(f, 2); }, 45, 2},
      {"next", [](vx::FCB* f) { return RT_FILE_NEXT(f); }, 24, -1},
      {"previous", [](vx::FCB* f) { return RT_FILE_PREVIOUS(f); }, vx::kOpPrevious, -1},
      {"get key", [](vx::FCB* f) { return RT_FILE_GET_KEY(f, 7); }, vx::kOpGetKey, 7},
      {"get position", [](vx::FCB* f) { return RT_FILE_GET_POSITION(f, 1LL << 40); },
       vx::kOpGetPosition, 1LL << 40},
      {"reset", [](vx::FCB* f) { return RT_FILE_RESET(f, 9); }, vx::kOpResetPosition, 9},
      {"add", [](vx::FCB* f) { return RT_FILE_ADD(f); }, vx::kOpAdd, -1},
      {"put", [](vx::FCB* f) { return RT_FILE_PUT(f); }, vx::kOpPut, -1},
      {"delete", [](vx::FCB* f) { return RT_FILE_DELETE(f); }, vx::kOpDelete, -1},
      {"remove", [](vx::FCB* f) { return RT_FILE_REMOVE(f); }, vx::kOpRemove, -1},
      {"any",
       [](vx::FCB* f) {
         std::int32_t v = 77;
         return RT_FILE_CALL(f, 63, &v);
       },
       63, 77},
  };
  for (const Case& c : cases) {
    g_calls.clear();
    RT_seterror(99);  // a stale code must not reach the driver or survive the call
    EXPECT_EQ(c.run(&fcb_), 0) << c.name;
    EXPECT_EQ(RT_ERRCODE(), 0) << c.name;
    ASSERT_EQ(g_calls.size(), 1u) << c.name;
    EXPECT_EQ(g_calls[0].op, c.op) << c.name;
    EXPECT_EQ(g_calls[0].fcb, &fcb_) << c.name;
    EXPECT_EQ(g_calls[0].arg, c.arg) << c.name;
    EXPECT_EQ(g_calls[0].error_seen, 0) << c.name;
  }
}

TEST_F(FileCalls, LeavesTheDriversErrorCode) {
  struct Case {
    std::int32_t set, ret;
    bool return_only;
    std::int32_t expected;
  } cases[] = {
      {vx::kAccessDenied, vx::kAccessDenied, false, vx::kAccessDenied},
      {vx::kRecordNotAvailable, 0, false, vx::kRecordNotAvailable},  // code without result
      {0, vx::kFileNotOpen, true, vx::kFileNotOpen},                 // result without code
      {0, 0, false, 0},
  };
  for (const Case& c : cases) {
    g_set_error = c.set;
    g_return = c.ret;
    g_return_only = c.return_only;
    EXPECT_EQ(RT_FILE_NEXT(&fcb_), c.expected);
    EXPECT_EQ(RT_ERRCODE(), c.expected);
  }
}

TEST_F(FileCalls, OutValuesComeBackOnlyOnSuccess) {
  EXPECT_EQ(RT_FILE_RECORDS(&fcb_), 123456);
  EXPECT_EQ(RT_FILE_POSITION(&fcb_), 4711);
  EXPECT_EQ(RT_FILE_SEND(&fcb_, "Recover=5"), "got Recover=5");
  g_set_error = g_return = vx::kFileNotOpen;
  EXPECT_EQ(RT_FILE_RECORDS(&fcb_), 0);
  EXPECT_EQ(RT_FILE_POSITION(&fcb_), 0);
  EXPECT_EQ(RT_ERRCODE(), vx::kFileNotOpen);
}

TEST_F(FileCalls, NoDriverEntryIsAnErrorNotACrash) {
  fcb_.PIPE = 0;
  EXPECT_EQ(RT_FILE_OPEN(&fcb_), vx::kFileSystemError);
  EXPECT_EQ(RT_ERRCODE(), vx::kFileSystemError);
  EXPECT_TRUE(g_calls.empty());
}

TEST(FileProperty, LabelOfFieldN) {
  static const vx::FieldDesc kFields[] = {
      {"TST:CODE", vx::FieldType::kLong, 0, 4, 0, "@n-14"},
      {"TST:NAME", vx::FieldType::kString, 4, 20, 0, "@s20"},
      {nullptr, vx::FieldType::kByte, 24, 1, 0, "@n3"},
  };
  static const vx::TypeDesc kType{3, kFields};
  vx::FCB f{};
  f.TDESC = reinterpret_cast<std::uintptr_t>(&kType);
  struct Case {
    std::int32_t property, index;
    const char* label;
  } cases[] = {
      {kPropFieldLabel, 1, "TST:CODE"}, {kPropFieldLabel, 2, "TST:NAME"},
      {kPropFieldLabel, 3, ""},  // a field without a label
      {kPropFieldLabel, 0, ""},         {kPropFieldLabel, 4, ""},
      {kPropFieldLabel, -1, ""},        {29464, 1, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RT_FILE_GET_PROPERTY(&f, c.property, c.index), c.label)
        << c.property << "/" << c.index;
  }
  vx::FCB bare{};
  EXPECT_EQ(RT_FILE_GET_PROPERTY(&bare, kPropFieldLabel, 1), "");
}

TEST(FileLock, OnePerFileAndRecursive) {
  vx::FCB a{}, b{};
  EXPECT_EQ(&RT_FILE_LOCK(&a), &RT_FILE_LOCK(&a));
  EXPECT_NE(&RT_FILE_LOCK(&a), &RT_FILE_LOCK(&b));
  std::lock_guard<std::recursive_mutex> outer(RT_FILE_LOCK(&a));
  std::lock_guard<std::recursive_mutex> inner(RT_FILE_LOCK(&a));
  EXPECT_TRUE(RT_FILE_LOCK(&b).try_lock());
  RT_FILE_LOCK(&b).unlock();
}

}  // namespace
