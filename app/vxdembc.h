// The SUBJECT file's managers and the application's end of the record server: the
// dictionary set-up and take-down, the module end, and the driver string guarded by
// the file's lock.
#ifndef VX_APP_VXDEMBC_H_
#define VX_APP_VXDEMBC_H_

#include "classlib/filemanager.h"
#include "classlib/relationmanager.h"

extern vx::FileManager SubjectFileManager;
extern vx::RelationManager SubjectRelationManager;

namespace vx::app {

// Configures SubjectFileManager (SUBJECT, ErrorManager, the record buffer, create if
// missing, lock recovery 10, the seven keys with their descriptions) and starts
// SubjectRelationManager over it; names SUBJECT as the file the record server serves.
void dictionary_setup();
// Takes the relation manager down, which takes the file manager down with it.
void dictionary_takedown();
// Module end: empties the record server's registry and activity log.
void module_end();
// Hands the program's modules to the start-up (client window, dictionary set-up and
// take-down, module end). Each program's own client-window module calls it while the
// program loads, so both programs share every other source.
void register_program_modules(void (*client_window)());
// Stores `text` in SubjectDriverString under SUBJECT's lock, so no thread's file
// operation ever reads it half written.
void set_subject_driver_string(const char* text);

}  // namespace vx::app

#endif  // VX_APP_VXDEMBC_H_
