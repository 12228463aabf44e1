#include "runtime/error.h"

namespace {
thread_local std::int32_t t_error = 0;
}

std::int32_t RT_ERRCODE() { return t_error; }
void RT_seterror(std::int32_t code) { t_error = code; }

const char* RT_ERROR(std::int32_t code) {
  switch (code) {
    case vx::kNoError: return "";
    case vx::kFileNotFound: return "File Not Found";
    case vx::kAccessDenied: return "Access Denied";
    case vx::kEntryNotFound: return "Entry Not Found";
    case vx::kRecordNotAvailable: return "No Record Available";
    case vx::kRecordNotFound: return "Record Not Found";
    case vx::kFileNotOpen: return "File Not Open";
    case vx::kDuplicateKey: return "Creates Duplicate Key";
    case vx::kInvalidDeclaration: return "Invalid Record Declaration";
    case vx::kFileAlreadyOpen: return "File Already Open";
    case vx::kBadRequest: return "Invalid Request";
    case vx::kFileSystemError: return "File System Error";
    default: return "Unknown Error";
  }
}
