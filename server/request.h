// The server side of one request: gathering its bytes, reading its header and values.
//
// A request is a 20-byte header (action, file number, 12 bytes of additional
// information whose first four are the key number of 44 and 45), optional
// length-prefixed values, and the 7-byte end marker. The worker gathers the bytes in a
// blank-filled buffer of kRequestBufferSize and takes the request to be everything up
// to the last non-blank byte, less the seven bytes of the marker.
#ifndef VX_SERVER_REQUEST_H_
#define VX_SERVER_REQUEST_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vx::server {

constexpr std::size_t kRequestBufferSize = 100000;
constexpr int kReadSize = 1024;
constexpr std::size_t kHeaderSize = 20;
constexpr char kEndMarker[7] = {9, 9, 5, 9, 2, 2, 7};
constexpr std::size_t kEndMarkerSize = sizeof kEndMarker;

// Gathers the bytes of one request across reads. The buffer is allocated once.
class RequestGatherer {
 public:
  enum class State {
    kPartial,   // no end marker yet; the bytes stay for the next read
    kComplete,  // request() holds the request
    kOverflow,  // the bytes would not fit: nothing was appended
  };

  RequestGatherer();
  State append(const char* data, std::size_t n);
  // After kComplete: the request, cut as the worker cuts it.
  std::string_view request() const { return request_; }
  std::size_t length() const { return length_; }
  // Empties the buffer (blank-filled) for the next request.
  void reset();

 private:
  std::vector<char> buffer_;
  std::size_t length_ = 0;
  std::string request_;
};

// Header fields of a request; bytes past its end count as blanks.
std::int32_t request_action(std::string_view request);
std::int32_t request_file(std::string_view request);
std::int32_t request_key(std::string_view request);
// The request's length without its trailing blanks (what the log line shows).
std::size_t request_trimmed_length(std::string_view request);

// The values of a request, from byte 21 up to its last non-blank byte. False, with
// `values` empty, when a length is negative or runs past the request: such a request
// is refused whole rather than partly applied.
bool parse_request_values(std::string_view request, std::vector<std::string>* values);

// The log line of a request: "128-(8) 25".
std::string request_log_line(std::uint16_t socket, std::string_view request);

}  // namespace vx::server

#endif  // VX_SERVER_REQUEST_H_
