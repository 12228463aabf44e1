// The program's start-up and shutdown, shared by both builds: module set-up, the main
// program (global objects, driver string, the frame) and module take-down.
#ifndef VX_APP_VXDEMOABC_H_
#define VX_APP_VXDEMOABC_H_

namespace vx::app {

// Module set-up steps, in order, with the starting flag (true) or the ending one.
void module_steps(bool starting);
// The main program: runs on the process's first runtime thread until the frame closes.
void main_program();
// The whole process after the back end is chosen: module set-up, the main program,
// module take-down.
void run_application();

}  // namespace vx::app

#endif  // VX_APP_VXDEMOABC_H_
