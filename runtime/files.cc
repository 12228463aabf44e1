#include "runtime/files.h"

#include <map>
#include <memory>

#include "runtime/error.h"

namespace {

std::int32_t call(vx::FCB* f, std::int32_t op, void* args) {
  RT_seterror(vx::kNoError);
  auto entry = reinterpret_cast<vx::DriverEntry>(f->PIPE);
  if (entry == nullptr) {
    RT_seterror(vx::kFileSystemError);
    return RT_ERRCODE();
  }
  std::int32_t result = entry(op, f, args);
  // A driver that reports failure only by its result still reaches the caller.
  if (result != 0 && RT_ERRCODE() == 0) RT_seterror(result);
  return RT_ERRCODE();
}

}  // namespace

std::int32_t RT_FILE_CREATE(vx::FCB* f) { return call(f, vx::kOpCreate, nullptr); }
std::int32_t RT_FILE_OPEN(vx::FCB* f, std::int32_t mode) {
  vx::OpenArgs args{mode};
  return call(f, vx::kOpOpen, &args);
}
std::int32_t RT_FILE_CLOSE(vx::FCB* f) { return call(f, vx::kOpClose, nullptr); }
std::int32_t RT_FILE_REMOVE(vx::FCB* f) { return call(f, vx::kOpRemove, nullptr); }
std::int32_t RT_FILE_SETf(vx::FCB* f) { return call(f, vx::kOpSetFile, nullptr); }
std::int32_t RT_FILE_SETk(vx::FCB* f, std::int32_t key) {
  vx::SetKeyArgs args{key};
  return call(f, vx::kOpSetKey, &args);
}
std::int32_t RT_FILE_SETkk(vx::FCB* f, std::int32_t key) {
  vx::SetKeyArgs args{key};
  return call(f, vx::kOpSetKeyValue, &args);
}
std::int32_t RT_FILE_NEXT(vx::FCB* f) { return call(f, vx::kOpNext, nullptr); }
std::int32_t RT_FILE_PREVIOUS(vx::FCB* f) { return call(f, vx::kOpPrevious, nullptr); }
std::int32_t RT_FILE_GET_KEY(vx::FCB* f, std::int32_t key) {
  vx::GetKeyArgs args{key};
  return call(f, vx::kOpGetKey, &args);
}
std::int32_t RT_FILE_GET_POSITION(vx::FCB* f, std::int64_t position) {
  vx::PositionArgs args{position};
  return call(f, vx::kOpGetPosition, &args);
}
std::int32_t RT_FILE_RESET(vx::FCB* f, std::int64_t position) {
  vx::PositionArgs args{position};
  return call(f, vx::kOpResetPosition, &args);
}
std::int64_t RT_FILE_POSITION(vx::FCB* f) {
  vx::PositionArgs args{0};
  return call(f, vx::kOpPosition, &args) == 0 ? args.position : 0;
}
std::int32_t RT_FILE_ADD(vx::FCB* f) { return call(f, vx::kOpAdd, nullptr); }
std::int32_t RT_FILE_PUT(vx::FCB* f) { return call(f, vx::kOpPut, nullptr); }
std::int32_t RT_FILE_DELETE(vx::FCB* f) { return call(f, vx::kOpDelete, nullptr); }
std::int64_t RT_FILE_RECORDS(vx::FCB* f) {
  vx::RecordsArgs args{0};
  return call(f, vx::kOpRecords, &args) == 0 ? args.count : 0;
}
std::string RT_FILE_SEND(vx::FCB* f, const char* text) {
  char reply[256] = {};
  vx::SendArgs args{text, reply, static_cast<std::int32_t>(sizeof reply)};
  call(f, vx::kOpSend, &args);
  reply[sizeof reply - 1] = '\0';
  return reply;
}
std::int32_t RT_FILE_CALL(vx::FCB* f, std::int32_t op, void* args) { return call(f, op, args); }

std::string RT_FILE_GET_PROPERTY(const vx::FCB* f, std::int32_t property, std::int32_t index) {
  if (property != kPropFieldLabel) return {};
  const vx::TypeDesc* t = vx::type_desc(*f);
  if (t == nullptr || index < 1 || static_cast<std::uint32_t>(index) > t->count) return {};
  const char* label = t->fields[index - 1].label;
  return label ? label : "";
}

std::recursive_mutex& RT_FILE_LOCK(const vx::FCB* f) {
  static std::mutex map_mutex;
  static auto* locks = new std::map<const vx::FCB*, std::unique_ptr<std::recursive_mutex>>;
  std::lock_guard<std::mutex> guard(map_mutex);
  auto& slot = (*locks)[f];
  if (!slot) slot = std::make_unique<std::recursive_mutex>();
  return *slot;
}
