// VX_SENDREQUEST as the record server sends it: the reply to a NEXT, built from the
// file itself.
//
// File number 1 (header, and with SENDFILE the record buffer and the file's first
// memo as two values) is sent only when the label of the file's first field,
// upper-cased, is "SUB:MASTERC"; for any other file only the end marker goes out.
// The record buffer is RECORDBUF with RECORDLEN bytes, the memo the first entry of
// the memo table (an empty value when the file has none). Trailing spaces are not
// sent.
//
// With READ_REPLY (the default) a status reply is read afterwards as the shared
// routine always did, and its code is the result. The server passes READ_REPLY false:
// nothing is due from the client after a reply, and a read there could only take the
// client's next request away from the worker. The runtime's error code is never
// changed here.
#ifndef VX_WIRE_SERVER_BUILD_H_
#define VX_WIRE_SERVER_BUILD_H_

#include <cstdint>
#include <string_view>

#include "runtime/fcb.h"

namespace vx::wire::server_build {

std::int32_t VX_SENDREQUEST(std::int32_t PASSEDSOCKET, std::int32_t PASSEDACTION,
                            vx::FCB* PASSEDFILE, std::string_view ADDLINFO, bool SENDFILE = false,
                            bool RECVFILE = false, bool READ_REPLY = true);

// The file number the server puts in the header for `file`: 1 for the file whose
// first field is SUB:MASTERC (any letter case), else 0.
std::int32_t file_id_of(const vx::FCB* file);

}  // namespace vx::wire::server_build

#endif  // VX_WIRE_SERVER_BUILD_H_
