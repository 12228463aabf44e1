// ClientWindow: lists the first five SUBJECT records read through the relay from a
// record server, then "Done."; closing it shuts the relay's connection down. The two
// programs differ only here (vxdem004.cc for vxdemoabc, vxabc004.cc for vxabcdem).
//
// With the headless back end each row is also written to standard output as it is
// added, so a run without a display shows what the window lists.
#ifndef VX_APP_VXDEM004_H_
#define VX_APP_VXDEM004_H_

#include <string>
#include <vector>

#include "runtime/window.h"

void ClientWindow();

namespace vx::app {

constexpr std::size_t kClientLineWidth = 200;  // TEMPBUFFER

// The window definition ("VXDEM004_RSC" or "VXABC004_RSC"), list 1 showing `rows`.
WindowDef client_window_definition(const std::string& label, const std::vector<std::string>* rows);
// Appends a row (cut at 200, padded with blanks), selects it and redisplays list 1.
void add_client_row(std::vector<std::string>* rows, const std::string& text);
// The first-display step both builds share: open, file order, up to five records
// (each line built by `line` under the file's lock), close, "Done.".
void list_first_records(std::vector<std::string>* rows, std::string (*line)());

}  // namespace vx::app

#endif  // VX_APP_VXDEM004_H_
