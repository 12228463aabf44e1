// The remote client window's definition and the steps both builds share.
#include <cstdio>
#include <cstring>
#include <mutex>

#include "app/subject.h"
#include "app/vxdem004.h"
#include "runtime/error.h"
#include "runtime/files.h"
#include "runtime/ui/backend.h"

namespace vx::app {

WindowDef client_window_definition(const std::string& label, const std::vector<std::string>* rows) {
  WindowDef def;
  def.label = label;
  def.title = "client";
  // Sized so the rows can be read; the one column is wider than the window and scrolls.
  def.width = 260;
  def.height = 124;
  ControlDef list;
  list.number = 1;
  list.x = 4, list.y = 4, list.width = 252, list.height = 96;
  list.kind = ControlKind::kList;
  list.format = "1020L~Results~@s255@";
  list.from = list_of(rows);
  def.controls.push_back(list);
  ControlDef close;
  close.number = 2;
  close.kind = ControlKind::kButton;
  close.text = "Close";
  close.x = 207, close.y = 105, close.width = 45, close.height = 14;
  def.controls.push_back(close);
  return def;
}

void add_client_row(std::vector<std::string>* rows, const std::string& text) {
  std::string row = text.substr(0, kClientLineWidth);
  row.resize(kClientLineWidth, ' ');
  rows->push_back(row);
  RT_SELECT(1, static_cast<std::int32_t>(rows->size()));
  RT_DISPLAY(1);
  if (std::string(vx::ui::backend().name()) == "headless") {
    std::string shown = text.substr(0, kClientLineWidth) + "\n";
    std::fwrite(shown.data(), 1, shown.size(), stdout);
    std::fflush(stdout);
  }
}

void list_first_records(std::vector<std::string>* rows, std::string (*line)()) {
  RT_FILE_OPEN(&SUBJECT, kOpenDenyWrite);  // the result is not tested
  RT_FILE_SETf(&SUBJECT);
  for (int i = 0; i < 5; ++i) {
    std::string text;
    {
      // The read and the use of the record buffer it filled, as one step. Not while
      // the reads go to a server: that server may be this very process, whose worker
      // needs the lock to answer.
      std::unique_lock<std::recursive_mutex> lock(RT_FILE_LOCK(&SUBJECT), std::defer_lock);
      if (std::strstr(SubjectDriverString, "/CLIENT") == nullptr) lock.lock();
      if (RT_FILE_NEXT(&SUBJECT) != kNoError) break;
      text = line();
    }
    add_client_row(rows, text);
  }
  RT_FILE_CLOSE(&SUBJECT);
  add_client_row(rows, "Done.");
}

}  // namespace vx::app
