// In-memory tables ("queues"): a list of entries of one type, worked through the
// table's one entry buffer.
//
//   vx::Queue<Conn> q([](const Conn& e) { return e.SOCKETID; });  // keyed table
//   q.buffer.SOCKETID = 5;
//   if (RT_GETqueuekey(q) == 0) ...   // found: q.buffer holds the entry
//   q.buffer.THREADID = 9;
//   RT_ERRCODE() ? RT_ADDqueuekey(q) : RT_PUTqueuekey(q);
//
// Contract:
//  - `buffer` is public. Adding stores a copy of it; a successful get copies the entry
//    into it. A failed operation leaves the buffer as it was.
//  - The entry "last got" is the one a get found or an add stored. Put and delete act on it;
//    with none (nothing got yet, or it was deleted, or the table was freed) they set
//    code 30 and change nothing.
//  - A key is given at construction: a key extractor (key(entry), compared with <=>)
//    or a three-way comparator (cmp(a, b) < 0, == 0, > 0). Key operations on a table
//    without a key set code 75 (invalid request) and change nothing.
//  - Add appends. Add-by-key inserts after every entry whose key is less or equal,
//    so entries with equal keys stay in the order they were added. Get-by-key finds
//    the first entry (lowest position) whose key equals the buffer's.
//  - Put over a keyed entry whose key the buffer changed moves the entry to its key
//    position, so lookups stay correct; the moved entry stays the one last got.
//  - Positions count from 1. Get by a position outside 1..records() sets 30.
//  - Every operation sets the runtime's error code: 0 on success, else its code
//    (30 entry not found, 75 invalid request); records() sets 0.
//  - Entries appended out of key order (plain add on a keyed table) are allowed; key
//    lookups then scan instead of bisecting, with the same results.
//
// Thread safety: a table is not locked internally. Threads that share one (and its
// buffer) must guard every operation together with their use of the buffer.
#ifndef VX_RUNTIME_QUEUE_H_
#define VX_RUNTIME_QUEUE_H_

#include <compare>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <type_traits>
#include <utility>

#include "runtime/error.h"

namespace vx {

template <typename Entry>
class Queue {
 public:
  // Three-way comparison of two entries' keys: <0, 0, >0.
  using Compare = std::function<int(const Entry&, const Entry&)>;

  // A table without a key: append, get by position, put, delete, count, free.
  Queue() = default;

  // A keyed table. `key` is either a key extractor, callable as key(entry) with a
  // result ordered by <=>, or a three-way comparator callable as key(a, b) -> int.
  template <typename Key>
  requires(!std::is_same_v<std::remove_cvref_t<Key>, Queue>) explicit Queue(Key key)
      : compare_(make_compare(std::move(key))) {}

  // The one entry buffer: the entry last got, or the one to be added.
  Entry buffer{};

  // Appends the buffer. Returns the error code (always 0).
  std::int32_t add() {
    if (sorted_ && compare_ && !entries_.empty() && compare_(entries_.back(), buffer) > 0) {
      sorted_ = false;
    }
    entries_.push_back(buffer);
    current_ = entries_.size();
    RT_seterror(kNoError);
    return kNoError;
  }

  // Inserts the buffer in key order, after entries with an equal key. Returns the
  // error code.
  std::int32_t add_key() {
    if (!compare_) return fail(kBadRequest);
    std::size_t at = upper_bound(buffer);
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(at), buffer);
    current_ = at + 1;
    RT_seterror(kNoError);
    return kNoError;
  }

  // Gets the first entry whose key equals the buffer's. Returns the error code.
  std::int32_t get_key() {
    if (!compare_) return fail(kBadRequest);
    std::size_t at = lower_bound(buffer);
    if (at >= entries_.size() || compare_(entries_[at], buffer) != 0) {
      return fail(kEntryNotFound);
    }
    return take(at);
  }

  // Gets the entry at `position` (from 1). Returns the error code.
  std::int32_t get_position(std::int64_t position) {
    if (position < 1 || static_cast<std::uint64_t>(position) > entries_.size()) {
      return fail(kEntryNotFound);
    }
    return take(static_cast<std::size_t>(position - 1));
  }

  // Stores the buffer over the entry last got. Returns the error code.
  std::int32_t put() {
    if (current_ == 0) return fail(kEntryNotFound);
    std::size_t at = current_ - 1;
    if (compare_ && sorted_ && !fits_at(at, buffer)) {
      entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(at));
      std::size_t to = upper_bound(buffer);
      entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(to), buffer);
      current_ = to + 1;
    } else {
      entries_[at] = buffer;
    }
    RT_seterror(kNoError);
    return kNoError;
  }

  // Deletes the entry last got; the buffer keeps its copy. Returns the error code.
  std::int32_t remove() {
    if (current_ == 0) return fail(kEntryNotFound);
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(current_ - 1));
    current_ = 0;
    if (entries_.empty()) sorted_ = true;
    RT_seterror(kNoError);
    return kNoError;
  }

  std::size_t records() const {
    RT_seterror(kNoError);
    return entries_.size();
  }

  // Empties the table; the buffer keeps its contents.
  void free() {
    entries_.clear();
    current_ = 0;
    sorted_ = true;
    RT_seterror(kNoError);
  }

  // Position (from 1) of the entry last got; 0 for none.
  std::size_t pointer() const { return current_; }

  // Reading without the buffer, for views that list the table (e.g. a list control).
  // `at` counts from 1 and must be within 1..size(). Does not touch the error code.
  const Entry& at(std::size_t position) const { return entries_.at(position - 1); }
  std::size_t size() const { return entries_.size(); }
  auto begin() const { return entries_.cbegin(); }
  auto end() const { return entries_.cend(); }

 private:
  template <typename Key>
  static Compare make_compare(Key key) {
    if constexpr (std::is_invocable_v<const Key&, const Entry&, const Entry&>) {
      return [key = std::move(key)](const Entry& a, const Entry& b) {
        return static_cast<int>(key(a, b));
      };
    } else {
      static_assert(std::is_invocable_v<const Key&, const Entry&>,
                    "a key is key(entry) or a comparator cmp(a, b)");
      return [key = std::move(key)](const Entry& a, const Entry& b) {
        auto order = key(a) <=> key(b);
        return order < 0 ? -1 : (order > 0 ? 1 : 0);
      };
    }
  }

  std::int32_t fail(std::int32_t code) {
    RT_seterror(code);
    return code;
  }

  std::int32_t take(std::size_t at) {
    buffer = entries_[at];
    current_ = at + 1;
    RT_seterror(kNoError);
    return kNoError;
  }

  // First index whose key is not less than e's.
  std::size_t lower_bound(const Entry& e) const {
    if (!sorted_) {
      for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (compare_(entries_[i], e) == 0) return i;
      }
      return entries_.size();
    }
    std::size_t lo = 0, hi = entries_.size();
    while (lo < hi) {
      std::size_t mid = lo + (hi - lo) / 2;
      if (compare_(entries_[mid], e) < 0) {
        lo = mid + 1;
      } else {
        hi = mid;
      }
    }
    return lo;
  }

  // Where a new entry with e's key goes: after every entry not greater than it. In an
  // unsorted table, before the first greater entry.
  std::size_t upper_bound(const Entry& e) const {
    if (!sorted_) {
      for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (compare_(entries_[i], e) > 0) return i;
      }
      return entries_.size();
    }
    std::size_t lo = 0, hi = entries_.size();
    while (lo < hi) {
      std::size_t mid = lo + (hi - lo) / 2;
      if (compare_(entries_[mid], e) <= 0) {
        lo = mid + 1;
      } else {
        hi = mid;
      }
    }
    return lo;
  }

  // Whether e may replace the entry at `at` without breaking key order.
  bool fits_at(std::size_t at, const Entry& e) const {
    if (at > 0 && compare_(entries_[at - 1], e) > 0) return false;
    if (at + 1 < entries_.size() && compare_(e, entries_[at + 1]) > 0) return false;
    return true;
  }

  Compare compare_;
  std::deque<Entry> entries_;
  std::size_t current_ = 0;  // entry last got, from 1; 0 for none
  bool sorted_ = true;       // entries are in key order (always true without a key)
};

}  // namespace vx

// The runtime's table calls, in the names the programs use.
template <typename E>
std::int32_t RT_ADDqueue(vx::Queue<E>& q) {
  return q.add();
}
template <typename E>
std::int32_t RT_ADDqueuekey(vx::Queue<E>& q) {
  return q.add_key();
}
template <typename E>
std::int32_t RT_GETqueuekey(vx::Queue<E>& q) {
  return q.get_key();
}
template <typename E>
std::int32_t RT_GETqueueptr(vx::Queue<E>& q, std::int64_t position) {
  return q.get_position(position);
}
template <typename E>
std::int32_t RT_PUTqueuekey(vx::Queue<E>& q) {
  return q.put();
}
template <typename E>
std::int32_t RT_DELETEqueue(vx::Queue<E>& q) {
  return q.remove();
}
template <typename E>
std::int64_t RT_RECORDSqueue(const vx::Queue<E>& q) {
  return static_cast<std::int64_t>(q.records());
}
template <typename E>
void RT_FREEqueue(vx::Queue<E>& q) {
  q.free();
}

#endif  // VX_RUNTIME_QUEUE_H_
