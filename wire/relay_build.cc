#include "wire/relay_build.h"

#include "platform/winsock.h"
#include "runtime/error.h"
#include "wire/transfer.h"
#include "wire/wire.h"

namespace vx::wire::relay_build {

namespace {

// What is left of an exchange that did not finish (the rest of a reply, a reply still
// on its way) must never be read as the answer to the next request: the connection
// is shut down, and later exchanges on it fail as on any dead connection.
std::int32_t broken(SOCKET socket) {
  winsock::shutdown(socket, winsock::kSdBoth);
  RT_seterror(vx::kFileSystemError);
  return 0;
}

}  // namespace

std::int32_t VX_SENDREQUEST(const vx::FCB& FCB, std::int32_t PASSEDSOCKET,
                            std::int32_t PASSEDACTION, std::string_view ADDLINFO,
                            const char* PASSEDFILE, bool SENDFILE, bool RECVFILE) {
  (void)PASSEDFILE;  // the relay serves one remote file; its name does not travel
  Message m;
  m.action = PASSEDACTION;
  m.file_id = kSubjectFileId;
  m.addl_info = ADDLINFO;
  m.send_values = SENDFILE;  // the relay's value list is always empty
  auto socket = static_cast<SOCKET>(static_cast<std::uint32_t>(PASSEDSOCKET) & 0xFFFF);

  if (!RECVFILE) {
    ExchangeResult r = exchange(socket, m, ReplyMode::kStatus);
    if (!r.complete) return broken(socket);
    return r.code;
  }

  ReplyParser reply(ReplyParser::Mode::kRecord);
  ExchangeResult r = exchange(socket, m, ReplyMode::kRecord, &reply);
  // Only a whole exchange, status reply included, changes anything: a half-read one
  // would leave the next request's answer behind the missing bytes.
  if (!r.complete) return broken(socket);
  switch (apply_record_reply(reply, FCB)) {
    case RecordOutcome::kCopied:
      VX_LASTERRORCODE = 0;
      break;
    case RecordOutcome::kServerCode:
      VX_LASTERRORCODE = reply.code();
      RT_seterror(static_cast<std::uint16_t>(static_cast<std::uint32_t>(reply.code()) & 0xFFFF));
      break;
    case RecordOutcome::kNoRecord:
      RT_seterror(vx::kFileSystemError);
      break;
  }
  return 0;
}

}  // namespace vx::wire::relay_build
