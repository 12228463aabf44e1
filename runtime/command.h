// The process's command line.
//
// The program hands main's arguments over once at start-up with
// RT_set_command_line(argc, argv). The line is the arguments after the program's
// name, joined by single blanks; the program's own path is left out, so that a
// folder name can never look like a switch.
//
// RT_COMMAND("") returns that whole line. RT_COMMAND(name) looks the arguments
// through from the first and returns, for the first that matches, case-blind:
//   "name=value" or "/name=value"  ->  "value" (may be empty)
//   "/name"                        ->  "name", as written on the command line
// and "" when none matches. A name given with a leading '/' means the same.
#ifndef VX_RUNTIME_COMMAND_H_
#define VX_RUNTIME_COMMAND_H_

#include <string>

void RT_set_command_line(int argc, const char* const* argv);
std::string RT_COMMAND(const char* name);

#endif  // VX_RUNTIME_COMMAND_H_
