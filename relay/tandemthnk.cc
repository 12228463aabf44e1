#include "relay/tandemthnk.h"

#include "runtime/driver_ops.h"

namespace vx::relay {

std::int32_t CallPipe(std::uintptr_t PIPE, std::int32_t OP, vx::FCB* FCBPTR, void* ARGS) {
  auto entry = reinterpret_cast<vx::DriverEntry>(PIPE);
  return entry(OP, FCBPTR, ARGS);
}

}  // namespace vx::relay
