#include "app/vxdembc.h"

#include <cstring>
#include <mutex>

#include "app/globals.h"
#include "app/subject.h"
#include "runtime/files.h"
#include "server/activity_log.h"
#include "server/connection_queue.h"
#include "server/served_file.h"

vx::FileManager SubjectFileManager;
vx::RelationManager SubjectRelationManager;

namespace vx::app {

void set_subject_driver_string(const char* text) {
  std::lock_guard<std::recursive_mutex> lock(RT_FILE_LOCK(&SUBJECT));
  std::strncpy(SubjectDriverString, text, sizeof SubjectDriverString - 1);
  SubjectDriverString[sizeof SubjectDriverString - 1] = '\0';
}

void dictionary_setup() {
  SubjectFileManager.Init(&SUBJECT, ErrorManager.reporter());
  SubjectFileManager.UseFile(&kSubjectTypeDesc, kSubjectRecordLen, reinterpret_cast<char*>(&SUB));
  SubjectFileManager.SetCreate(true);
  SubjectFileManager.SetLockRecover(10);
  for (std::int32_t key = 1; key <= kSubjectKeys; ++key) {
    SubjectFileManager.AddKey(key, subject_key_description(key), false);
  }
  SubjectRelationManager.Init(&SubjectFileManager, 1);
  vx::server::serve_file(&SUBJECT, &set_subject_driver_string);
}

void dictionary_takedown() {
  SubjectRelationManager.Kill();
}

void register_program_modules(void (*client_window)()) {
  modules.client_window = client_window;
  modules.dictionary_setup = &dictionary_setup;
  modules.dictionary_takedown = &dictionary_takedown;
  modules.module_end = &module_end;
}

void module_end() {
  vx::server::free_connections();
  vx::server::DataQueue().clear();
}

}  // namespace vx::app
