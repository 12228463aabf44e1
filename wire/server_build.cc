#include "wire/server_build.h"

#include <cctype>
#include <string>

#include "runtime/files.h"
#include "wire/transfer.h"
#include "wire/wire.h"

namespace vx::wire::server_build {

namespace {

std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

std::int32_t file_id_of(const vx::FCB* file) {
  if (file == nullptr) return 0;
  return upper(RT_FILE_GET_PROPERTY(file, kPropFieldLabel, 1)) == upper(SUB_MASTERC)
             ? kSubjectFileId
             : 0;
}

std::int32_t VX_SENDREQUEST(std::int32_t PASSEDSOCKET, std::int32_t PASSEDACTION,
                            vx::FCB* PASSEDFILE, std::string_view ADDLINFO, bool SENDFILE,
                            bool RECVFILE, bool READ_REPLY) {
  Message m;
  m.action = PASSEDACTION;
  m.file_id = file_id_of(PASSEDFILE);
  m.addl_info = ADDLINFO;
  m.send_values = SENDFILE;
  if (m.file_id == kSubjectFileId && SENDFILE) {
    const char* record = vx::record_buffer(*PASSEDFILE);
    std::int32_t record_len = PASSEDFILE->RECORDLEN;
    m.values.emplace_back(record ? record : "",
                          record && record_len > 0 ? static_cast<std::size_t>(record_len) : 0);
    const vx::MemoTable* memos = vx::memo_table(*PASSEDFILE);
    if (memos != nullptr && memos->count > 0 && memos->memos[0].buffer != nullptr) {
      m.values.emplace_back(memos->memos[0].buffer, memos->memos[0].size);
    } else {
      m.values.emplace_back();
    }
  }
  auto socket = static_cast<SOCKET>(static_cast<std::uint32_t>(PASSEDSOCKET) & 0xFFFF);
  // Record mode has no caller in the server; it reads as status mode would.
  (void)RECVFILE;
  ExchangeResult r = exchange(socket, m, READ_REPLY ? ReplyMode::kStatus : ReplyMode::kNone);
  return r.complete ? r.code : 0;
}

}  // namespace vx::wire::server_build
