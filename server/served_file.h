// The file the record server serves: the process's SUBJECT, its memo and its driver
// string. Kept in one place so the server names the application's declaration once.
#ifndef VX_SERVER_SERVED_FILE_H_
#define VX_SERVER_SERVED_FILE_H_

#include <cstddef>

#include "runtime/fcb.h"

namespace vx::server {

FCB* served_file();
char* served_memo();
std::size_t served_memo_size();
// Stores the text in the file's driver string. Callers hold the file's lock.
void set_served_driver_string(const char* text);

// The driver string the server executes requests under.
constexpr const char* kServerDriverString = "/DRIVER=C4TPSX.DLL /SERVER";

}  // namespace vx::server

#endif  // VX_SERVER_SERVED_FILE_H_
