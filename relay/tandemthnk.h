// The thunk through which the relay calls a real driver's entry.
#ifndef VX_RELAY_TANDEMTHNK_H_
#define VX_RELAY_TANDEMTHNK_H_

#include <cstdint>

#include "runtime/fcb.h"

namespace vx::relay {

// Calls the driver entry at PIPE with OP, FCBPTR and ARGS exactly as VEXGATE received
// them and returns the entry's result unchanged.
std::int32_t CallPipe(std::uintptr_t PIPE, std::int32_t OP, vx::FCB* FCBPTR, void* ARGS);

}  // namespace vx::relay

#endif  // VX_RELAY_TANDEMTHNK_H_
