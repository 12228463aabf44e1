// VX_SENDREQUEST as the relay sends it: one request for the file, then its answer.
//
// The request carries the operation, file number 1 and ADDLINFO (no values in this
// system). Without RECVFILE the answer is a status reply and its code is the result.
// With RECVFILE it is a record reply and the status reply after it: code 0 copies the
// record into the file's record buffer (RECORDLEN bytes, spaces after the bytes
// received); a non-zero code becomes VX_LASTERRORCODE and the runtime's error code
// (its low 16 bits) and leaves the buffer alone; the result is 0.
//
// An exchange that does not finish (a failed send, a closed connection, a read error,
// a reply cut off, malformed or over the size limit) changes no buffer and sets the
// runtime's error code to kFileSystemError: the file could not be reached; the
// connection is then shut down, so nothing left of it is read as a later answer. A failed
// end-marker send and a status read that finds the connection closed are also shown
// with SocketError.
#ifndef VX_WIRE_RELAY_BUILD_H_
#define VX_WIRE_RELAY_BUILD_H_

#include <cstdint>
#include <string_view>

#include "runtime/fcb.h"

namespace vx::wire::relay_build {

std::int32_t VX_SENDREQUEST(const vx::FCB& FCB, std::int32_t PASSEDSOCKET,
                            std::int32_t PASSEDACTION, std::string_view ADDLINFO,
                            const char* PASSEDFILE = nullptr, bool SENDFILE = false,
                            bool RECVFILE = false);

}  // namespace vx::wire::relay_build

#endif  // VX_WIRE_RELAY_BUILD_H_
