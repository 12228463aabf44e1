// Operation numbers and argument blocks of the record-file driver interface.
//
// The runtime calls a file's driver entry (FCB.PIPE) as entry(op, fcb, args) for every
// file operation. A driver sets the runtime's error code (RT_seterror) and returns 0
// on success or the same error code on failure. The numbers 7, 24, 25, 30, 41, 44
// and 45 are fixed by the wire protocol; the others are this runtime's own.
#ifndef VX_RUNTIME_DRIVER_OPS_H_
#define VX_RUNTIME_DRIVER_OPS_H_

#include <cstdint>

#include "runtime/fcb.h"

namespace vx {

using DriverEntry = std::int32_t (*)(std::int32_t op, FCB* fcb, void* args);

enum DriverOp : std::int32_t {
  kOpCreate = 1,       // CreateArgs (may be null): create the data file, empty
  kOpAdd = 2,          // add the record buffer (+ memos) as a new record
  kOpPut = 3,          // rewrite the record last read
  kOpDelete = 4,       // delete the record last read
  kOpGetKey = 5,       // GetKeyArgs: read the record whose key equals the buffer's key value
  kOpGetPosition = 6,  // PositionArgs: read the record at a position
  kOpClose = 7,        // close the file
  kOpPrevious = 8,     // read the previous record in the current order
  kOpRecords = 9,      // RecordsArgs: number of records
  kOpSend = 10,        // SendArgs: a text for the driver ("Recover=N", ...)
  kOpPosition = 11,    // PositionArgs (out): position of the record last read
  kOpResetPosition = 12,  // PositionArgs: current order, start at a position
  kOpRemove = 13,      // delete the data file (must not be open)
  kOpNext = 24,        // read the next record in the current order
  kOpOpen = 25,        // OpenArgs: open with an access mode
  kOpLoadValues = 30,  // server-side request only; a driver answers it as unknown
  kOpSetFile = 41,     // process in file (physical) order
  kOpSetKey = 44,      // SetKeyArgs: process in a key's order, from the start
  kOpSetKeyValue = 45, // SetKeyArgs: a key's order, from the buffer's key value
};

// Access modes of kOpOpen.
constexpr std::int32_t kAccessReadWrite = 0x02;
constexpr std::int32_t kDenyWrite = 0x20;
constexpr std::int32_t kDenyNone = 0x40;
constexpr std::int32_t kOpenDenyWrite = 0x22;  // 34
constexpr std::int32_t kOpenShared = 0x42;     // 66

struct OpenArgs {
  std::int32_t mode;
};

struct SetKeyArgs {
  std::int32_t key;  // key number, from 1
};

struct GetKeyArgs {
  std::int32_t key;
};

// A record's position: stable while other records are added, changed or deleted.
struct PositionArgs {
  std::int64_t position;
};

struct RecordsArgs {
  std::int64_t count;  // out
};

struct SendArgs {
  const char* text;  // NUL-terminated
  char* reply;       // may be null
  std::int32_t reply_size;
};

}  // namespace vx

#endif  // VX_RUNTIME_DRIVER_OPS_H_
