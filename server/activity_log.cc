#include "server/activity_log.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "runtime/queue.h"

namespace vx::server {

namespace {
std::string trimmed(const char* s, std::size_t n) {
  while (n > 0 && s[n - 1] == ' ') --n;
  return std::string(s, n);
}
}  // namespace

struct ActivityLog::Impl {
  mutable std::mutex mu;
  // Kept in ascending DATAORDER, so the newest line is first.
  Queue<DataLine> lines{[](const DataLine& e) { return e.DATAORDER; }};
  std::uint64_t version = 0;
  std::function<void(const std::string&)> listener;
  std::function<void()> notifier;
};

ActivityLog::Impl& ActivityLog::impl() const {
  // One log per process, never destroyed, so workers still running at exit find it.
  static Impl* impl = new Impl;
  return *impl;
}

void ActivityLog::add(const std::string& text) {
  Impl& m = impl();
  std::lock_guard<std::mutex> lock(m.mu);
  Queue<DataLine>& q = m.lines;
  const std::int32_t saved = RT_ERRCODE();  // logging leaves the caller's code alone
  if (q.size() >= kMaxLogLines) {
    // Drop the oldest lines in one go (renumbering is linear, so not once per line)
    // and renumber the rest as if they had never been added.
    std::int16_t dropped = 0;
    while (q.size() > kKeptLogLines) {
      RT_GETqueueptr(q, static_cast<std::int64_t>(q.size()));
      RT_DELETEqueue(q);
      ++dropped;
    }
    // From the last line up, so each line keeps its place in key order.
    for (std::size_t i = q.size(); i >= 1; --i) {
      RT_GETqueueptr(q, static_cast<std::int64_t>(i));
      q.buffer.DATAORDER = static_cast<std::int16_t>(q.buffer.DATAORDER + dropped);
      RT_PUTqueuekey(q);
    }
  }
  std::size_t n = std::min(text.size(), kLogLineWidth);
  std::memset(q.buffer.DATALINE, ' ', kLogLineWidth);
  std::memcpy(q.buffer.DATALINE, text.data(), n);
  q.buffer.DATAORDER = static_cast<std::int16_t>(1024 - static_cast<int>(RT_RECORDSqueue(q)));
  RT_ADDqueuekey(q);
  RT_seterror(saved);
  ++m.version;
  if (m.listener) m.listener(trimmed(q.buffer.DATALINE, kLogLineWidth));
  if (m.notifier) m.notifier();
}

void ActivityLog::clear() {
  Impl& m = impl();
  std::lock_guard<std::mutex> lock(m.mu);
  RT_FREEqueue(m.lines);
  ++m.version;
  if (m.notifier) m.notifier();
}

std::size_t ActivityLog::records() const {
  Impl& m = impl();
  std::lock_guard<std::mutex> lock(m.mu);
  return m.lines.size();
}

DataLine ActivityLog::get(std::size_t n) const {
  Impl& m = impl();
  std::lock_guard<std::mutex> lock(m.mu);
  if (n < 1 || n > m.lines.size()) {
    DataLine blank;
    std::memset(blank.DATALINE, ' ', kLogLineWidth);
    blank.DATAORDER = 0;
    return blank;
  }
  return m.lines.at(n);
}

std::vector<std::string> ActivityLog::lines() const {
  Impl& m = impl();
  std::lock_guard<std::mutex> lock(m.mu);
  std::vector<std::string> out;
  out.reserve(m.lines.size());
  for (const DataLine& l : m.lines) out.push_back(trimmed(l.DATALINE, kLogLineWidth));
  return out;
}

std::uint64_t ActivityLog::version() const {
  Impl& m = impl();
  std::lock_guard<std::mutex> lock(m.mu);
  return m.version;
}

void ActivityLog::set_listener(std::function<void(const std::string&)> listener) {
  Impl& m = impl();
  std::lock_guard<std::mutex> lock(m.mu);
  m.listener = std::move(listener);
}

void ActivityLog::set_notifier(std::function<void()> notifier) {
  Impl& m = impl();
  std::lock_guard<std::mutex> lock(m.mu);
  m.notifier = std::move(notifier);
}

ActivityLog& DataQueue() {
  static ActivityLog log;
  return log;
}

}  // namespace vx::server

void AddLogLine(const std::string& text) {
  vx::server::DataQueue().add(text);
}
