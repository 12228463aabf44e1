// The file the record server serves (file number 1 of the wire protocol). The program
// names it once at start-up: the application serves its SUBJECT; tests may serve a
// file of their own declared the same way (first field labelled SUB:MASTERC, the
// memo first in the memo table, SUB:BYMASTERC second in the key table).
#ifndef VX_SERVER_SERVED_FILE_H_
#define VX_SERVER_SERVED_FILE_H_

#include <cstddef>
#include <functional>

#include "runtime/fcb.h"

namespace vx::server {

// `set_driver_string` stores a text in the file's driver string; the server calls it
// with the file's lock held.
void serve_file(FCB* file, std::function<void(const char*)> set_driver_string);

FCB* served_file();
// The file's first memo (SUB:COMMENT); null and 0 when it has none.
char* served_memo();
std::size_t served_memo_size();
void set_served_driver_string(const char* text);

// The driver string the server executes requests under.
constexpr const char* kServerDriverString = "/DRIVER=C4TPSX.DLL /SERVER";

}  // namespace vx::server

#endif  // VX_SERVER_SERVED_FILE_H_
