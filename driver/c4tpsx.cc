// The real record-file driver: the entry the runtime (through the relay) calls for
// every operation on a file, exported as ordinal 2. Generic over the FCB's
// descriptors; each open FCB keeps its RecordFile behind FCB.RBLOCK.
#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "driver/record_file.h"
#include "runtime/driver_ops.h"
#include "runtime/error.h"

namespace vx::driver {
namespace {

RecordFile* state_of(const FCB* fcb) {
  return reinterpret_cast<RecordFile*>(fcb->RBLOCK);
}

// "Recover=N" sent to a file makes its next open wait up to N seconds for an opener
// that denies it access to close. Kept by FCB until that open, since the text comes
// while the file is closed (after an open refused with 5).
std::mutex recover_mu;
std::map<const FCB*, int>& pending_recover() {
  static auto* table = new std::map<const FCB*, int>;
  return *table;
}

int take_recover_ms(const FCB* fcb) {
  std::lock_guard<std::mutex> guard(recover_mu);
  auto it = pending_recover().find(fcb);
  if (it == pending_recover().end()) return 0;
  int ms = it->second * 1000;
  pending_recover().erase(it);
  return ms;
}

void reply(SendArgs* a, const std::string& text) {
  if (a->reply == nullptr || a->reply_size <= 0) return;
  std::size_t n = std::min<std::size_t>(text.size(), static_cast<std::size_t>(a->reply_size) - 1);
  std::memcpy(a->reply, text.data(), n);
  a->reply[n] = '\0';
}

// Texts understood: "Recover=N" (N seconds, 0 to 3600; blanks around are ignored,
// the name in any case). The reply repeats the setting taken.
std::int32_t send(const FCB* fcb, SendArgs* a) {
  if (a == nullptr || a->text == nullptr) return kBadRequest;
  std::string text = a->text;
  std::size_t b = text.find_first_not_of(' '), e = text.find_last_not_of(' ');
  text = b == std::string::npos ? "" : text.substr(b, e - b + 1);
  reply(a, "");
  if (text.size() > 8 && strncasecmp(text.c_str(), "Recover=", 8) == 0) {
    const char* digits = text.c_str() + 8;
    char* end = nullptr;
    errno = 0;
    long n = std::strtol(digits, &end, 10);
    if (end == digits || *end != '\0' || errno != 0 || n < 0 || n > 3600 || *digits == '-' ||
        *digits == '+') {
      return kBadRequest;
    }
    {
      std::lock_guard<std::mutex> guard(recover_mu);
      if (n == 0) {
        pending_recover().erase(fcb);
      } else {
        pending_recover()[fcb] = static_cast<int>(n);
      }
    }
    reply(a, "Recover=" + std::to_string(n));
    return kNoError;
  }
  return kBadRequest;
}

std::int32_t open(FCB* fcb, const OpenArgs* a) {
  if (state_of(fcb) != nullptr) return kFileAlreadyOpen;
  auto* file = new RecordFile;
  std::int32_t rc = file->open(*fcb, a ? a->mode : kOpenShared, take_recover_ms(fcb));
  if (rc != kNoError) {
    delete file;
    return rc;
  }
  fcb->RBLOCK = reinterpret_cast<std::uintptr_t>(file);
  return kNoError;
}

std::int32_t dispatch(std::int32_t op, FCB* fcb, void* args) {
  if (fcb == nullptr) return kBadRequest;
  switch (op) {
    case kOpCreate:
      return state_of(fcb) ? kFileAlreadyOpen : create_file(*fcb);
    case kOpRemove:
      return state_of(fcb) ? kFileAlreadyOpen : remove_file(*fcb);
    case kOpOpen:
      return open(fcb, static_cast<const OpenArgs*>(args));
    case kOpSend:
      return send(fcb, static_cast<SendArgs*>(args));
    case kOpClose:
    case kOpAdd:
    case kOpPut:
    case kOpDelete:
    case kOpGetKey:
    case kOpGetPosition:
    case kOpPrevious:
    case kOpRecords:
    case kOpPosition:
    case kOpResetPosition:
    case kOpNext:
    case kOpSetFile:
    case kOpSetKey:
    case kOpSetKeyValue:
      break;
    default:
      return kBadRequest;
  }
  RecordFile* f = state_of(fcb);
  if (f == nullptr) return kFileNotOpen;
  switch (op) {
    case kOpClose:
      delete f;
      fcb->RBLOCK = 0;
      return kNoError;
    case kOpNext:
      return f->read(+1, *fcb);
    case kOpPrevious:
      return f->read(-1, *fcb);
    case kOpAdd:
      return f->add(*fcb);
    case kOpPut:
      return f->put(*fcb);
    case kOpDelete:
      return f->erase();
    case kOpSetFile:
      return f->set_order(0);
    case kOpSetKey: {
      std::int32_t key = args ? static_cast<SetKeyArgs*>(args)->key : 0;
      return key >= 1 ? f->set_order(key) : kBadRequest;  // 0 would be file order
    }
    case kOpSetKeyValue:
      return args ? f->set_order_from(static_cast<SetKeyArgs*>(args)->key, *fcb) : kBadRequest;
    case kOpGetKey:
      return args ? f->get_key(static_cast<GetKeyArgs*>(args)->key, *fcb) : kBadRequest;
    case kOpGetPosition:
      return args ? f->get_position(static_cast<PositionArgs*>(args)->position, *fcb) : kBadRequest;
    case kOpPosition:
      return args ? f->position(&static_cast<PositionArgs*>(args)->position) : kBadRequest;
    case kOpResetPosition:
      return args ? f->reset_to(static_cast<PositionArgs*>(args)->position) : kBadRequest;
    case kOpRecords:
      return args ? f->records(&static_cast<RecordsArgs*>(args)->count) : kBadRequest;
  }
  return kBadRequest;
}

}  // namespace
}  // namespace vx::driver

extern "C" __attribute__((visibility("default"))) std::int32_t ordinal_2(std::int32_t op,
                                                                         vx::FCB* fcb, void* args) {
  std::int32_t rc = vx::driver::dispatch(op, fcb, args);
  RT_seterror(rc);
  return rc;
}
