#include "server/request.h"

#include <algorithm>
#include <cstring>

namespace vx::server {

namespace {

std::int32_t long_at(std::string_view s, std::size_t pos) {
  unsigned char b[4] = {' ', ' ', ' ', ' '};
  for (std::size_t i = 0; i < 4; ++i) {
    if (pos + i < s.size()) b[i] = static_cast<unsigned char>(s[pos + i]);
  }
  return static_cast<std::int32_t>(
      static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
      static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24);
}

}  // namespace

RequestGatherer::RequestGatherer() : buffer_(kRequestBufferSize, ' ') {}

RequestGatherer::State RequestGatherer::append(const char* data, std::size_t n) {
  if (n > kRequestBufferSize - length_) return State::kOverflow;
  std::memcpy(buffer_.data() + length_, data, n);
  // The marker may straddle the previous read, so look a little before the new bytes.
  std::size_t from = length_ >= kEndMarkerSize - 1 ? length_ - (kEndMarkerSize - 1) : 0;
  length_ += n;
  auto begin = buffer_.begin() + static_cast<std::ptrdiff_t>(from);
  auto end = buffer_.begin() + static_cast<std::ptrdiff_t>(length_);
  if (std::search(begin, end, kEndMarker, kEndMarker + kEndMarkerSize) == end) {
    return State::kPartial;
  }
  // The marker's last byte is not a blank, so the last non-blank byte lies at or after
  // the marker's end and the cut below keeps at least the bytes before the marker.
  std::size_t last = length_;
  while (last > 0 && buffer_[last - 1] == ' ') --last;
  request_.assign(buffer_.data(), last - kEndMarkerSize);
  return State::kComplete;
}

void RequestGatherer::reset() {
  std::fill(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(length_), ' ');
  length_ = 0;
  request_.clear();
}

std::int32_t request_action(std::string_view request) {
  return long_at(request, 0);
}
std::int32_t request_file(std::string_view request) {
  return long_at(request, 4);
}
std::int32_t request_key(std::string_view request) {
  return long_at(request, 8);
}

std::size_t request_trimmed_length(std::string_view request) {
  std::size_t n = request.size();
  while (n > 0 && request[n - 1] == ' ') --n;
  return n;
}

bool parse_request_values(std::string_view request, std::vector<std::string>* values) {
  values->clear();
  std::size_t last = request_trimmed_length(request);
  std::size_t pos = kHeaderSize;
  while (pos < last) {
    if (last - pos < 4) {
      values->clear();
      return false;
    }
    std::int32_t n = long_at(request, pos);
    pos += 4;
    if (n < 0 || static_cast<std::size_t>(n) > last - pos) {
      values->clear();
      return false;
    }
    values->emplace_back(request.substr(pos, static_cast<std::size_t>(n)));
    pos += static_cast<std::size_t>(n);
  }
  return true;
}

std::string request_log_line(std::uint16_t socket, std::string_view request) {
  return std::to_string(socket) + "-(" + std::to_string(request_trimmed_length(request)) + ") " +
         std::to_string(request_action(request));
}

}  // namespace vx::server
