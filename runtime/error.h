// The runtime's error code: 0 or the code of the last failed file or table
// operation. Kept per thread, so that one thread's failure is never read by another.
#ifndef VX_RUNTIME_ERROR_H_
#define VX_RUNTIME_ERROR_H_

#include <cstdint>

namespace vx {

enum ErrorCode : std::int32_t {
  kNoError = 0,
  kFileNotFound = 2,
  kAccessDenied = 5,
  kEntryNotFound = 30,      // no in-memory table entry matched
  kRecordNotAvailable = 33, // end (or start) of file reached
  kRecordNotFound = 35,
  kFileNotOpen = 37,
  kDuplicateKey = 40,
  kInvalidDeclaration = 47,  // data file declared differently
  kFileAlreadyOpen = 52,
  kBadRequest = 75,          // malformed argument or operation not supported
  kFileSystemError = 90,     // the file could not be reached (disk or network)
};

}  // namespace vx

std::int32_t RT_ERRCODE();
void RT_seterror(std::int32_t code);
// Text for an error code ("File Not Found", ...).
const char* RT_ERROR(std::int32_t code);

#endif  // VX_RUNTIME_ERROR_H_
