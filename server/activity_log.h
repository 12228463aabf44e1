// The server's activity log, DataQueue: one line per accepted connection, closed
// connection and executed request, newest first, shown in the server window's list.
//
// Contract:
//  - AddLogLine cuts or blank-pads the text to 200 characters (DATALINE) and gives it
//    DATAORDER = 1024 - (lines held before it); the log is kept in ascending DATAORDER,
//    so the newest line is always first.
//  - The log holds at most kMaxLogLines lines. A line added to a full log first drops
//    the oldest lines down to the newest kKeptLogLines, renumbered as if the dropped
//    ones had never been added, so DATAORDER stays within 16 bits (1024 - 9999 at
//    worst) and never wraps, and a long-running server's log stays bounded.
//  - Every call is guarded by one lock: the server window's thread and all workers
//    add lines while the window's list reads them.
//  - A listener, when set, sees each line (without trailing blanks) as it is added,
//    on the adding thread, in the order the lines enter the log.
#ifndef VX_SERVER_ACTIVITY_LOG_H_
#define VX_SERVER_ACTIVITY_LOG_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vx::server {

constexpr std::size_t kLogLineWidth = 200;
constexpr std::size_t kMaxLogLines = 10000;
constexpr std::size_t kKeptLogLines = 9000;

struct DataLine {
  char DATALINE[kLogLineWidth];  // blank-padded
  std::int16_t DATAORDER;
};

class ActivityLog {
 public:
  void add(const std::string& text);
  void clear();
  std::size_t records() const;
  // Entry n (from 1) in log order, newest first; a blank line with order 0 past the end.
  DataLine get(std::size_t n) const;
  // All lines in log order, trailing blanks removed.
  std::vector<std::string> lines() const;
  // Goes up by one with every change, so a view knows when to redraw.
  std::uint64_t version() const;
  void set_listener(std::function<void(const std::string&)> listener);
  // Told (on the changing thread) after each change, e.g. to have a view redrawn.
  void set_notifier(std::function<void()> notifier);

 private:
  struct Impl;
  Impl& impl() const;
};

// The process's one log.
ActivityLog& DataQueue();

}  // namespace vx::server

// Adds one line to the process's activity log.
void AddLogLine(const std::string& text);

#endif  // VX_SERVER_ACTIVITY_LOG_H_
