// VEX32: a record-file driver that stacks on a real one.
//
// The runtime calls VEXGATE for every operation on a file declared with this driver.
// Without "/CLIENT" in the file's driver string every call goes unchanged to the real
// driver named by "/DRIVER=" (default "C4TPSX.DLL"), loaded once per FCB; its result
// comes back unchanged. Configuration failures show a "Tandem Driver Error" box and
// end the program with exit code 0.
//
// VX_SHUTDOWN drops every control entry, releasing the relay's hold on each real
// driver library once, and suspends client service until the next entry is made.
#ifndef VX_RELAY_VEX32_H_
#define VX_RELAY_VEX32_H_

#include <cstdint>

#include "runtime/fcb.h"

extern "C" std::int32_t VEXGATE(std::int32_t OP, vx::FCB* FCBPTR, void* ARGS);
extern "C" void VX_SHUTDOWN();

#endif  // VX_RELAY_VEX32_H_
