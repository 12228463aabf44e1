// Record-file operations. Each one clears the error code, calls the file's driver
// entry (FCB.PIPE) with its operation number, the FCB and its argument block, and
// leaves the error code the driver set; the return value is that error code.
#ifndef VX_RUNTIME_FILES_H_
#define VX_RUNTIME_FILES_H_

#include <cstdint>
#include <mutex>
#include <string>

#include "runtime/driver_ops.h"
#include "runtime/fcb.h"

std::int32_t RT_FILE_CREATE(vx::FCB* f);
std::int32_t RT_FILE_OPEN(vx::FCB* f, std::int32_t mode = vx::kOpenShared);
std::int32_t RT_FILE_CLOSE(vx::FCB* f);
std::int32_t RT_FILE_REMOVE(vx::FCB* f);
std::int32_t RT_FILE_SETf(vx::FCB* f);                   // file order
std::int32_t RT_FILE_SETk(vx::FCB* f, std::int32_t key);  // key order, from the start
std::int32_t RT_FILE_SETkk(vx::FCB* f, std::int32_t key); // key order, from the buffer's key value
std::int32_t RT_FILE_NEXT(vx::FCB* f);
std::int32_t RT_FILE_PREVIOUS(vx::FCB* f);
std::int32_t RT_FILE_GET_KEY(vx::FCB* f, std::int32_t key);
std::int32_t RT_FILE_GET_POSITION(vx::FCB* f, std::int64_t position);
std::int32_t RT_FILE_RESET(vx::FCB* f, std::int64_t position);  // current order, from a position
std::int64_t RT_FILE_POSITION(vx::FCB* f);  // of the record last read; 0 with an error
std::int32_t RT_FILE_ADD(vx::FCB* f);
std::int32_t RT_FILE_PUT(vx::FCB* f);
std::int32_t RT_FILE_DELETE(vx::FCB* f);
std::int64_t RT_FILE_RECORDS(vx::FCB* f);
// Passes a text to the driver; returns the driver's reply text.
std::string RT_FILE_SEND(vx::FCB* f, const char* text);
// Any operation number, for callers that forward requests unchanged.
std::int32_t RT_FILE_CALL(vx::FCB* f, std::int32_t op, void* args);

// File properties.
constexpr std::int32_t kPropFieldLabel = 29463;  // index n: the label of field n
std::string RT_FILE_GET_PROPERTY(const vx::FCB* f, std::int32_t property, std::int32_t index);

// One lock per file. Threads that share a file hold it across an operation and their
// use of the record buffer and memo that follows, so they never interleave inside one
// record.
std::recursive_mutex& RT_FILE_LOCK(const vx::FCB* f);

#endif  // VX_RUNTIME_FILES_H_
