// Runtime threads: numbered from 1 in the order the runtime first sees them (the
// program's main procedure runs on thread 1), each with a queue of window messages,
// user actions and posted runtime events, and the windows it opened.
//
// Contract:
//  - RT_START/RT_START1 start the procedure on a new thread and return its number at
//    once (0 when no thread could be started). The stack is the requested size rounded
//    up to kMinimumStack: the sizes programs ask for were chosen for another platform
//    and are too small for this one's libraries.
//  - RT_START1 copies the text; the procedure's argument stays valid while it runs.
//  - A thread ends when its procedure returns; its windows are closed then and
//    anything still queued for it is dropped. Nothing waits for threads at exit.
#ifndef VX_RUNTIME_THREAD_H_
#define VX_RUNTIME_THREAD_H_

#include <cstddef>
#include <cstdint>
#include <functional>

std::int32_t RT_START(void (*proc)(), std::uint32_t stack_size);
std::int32_t RT_START1(void (*proc)(const char*), std::uint32_t stack_size, const char* text);
// The calling thread's number (a thread the runtime has not seen yet gets one now).
std::int32_t RT_THREAD();

namespace vx {

constexpr std::size_t kMinimumStack = std::size_t{1} << 20;

// The stack a thread started with `requested` bytes gets.
std::size_t thread_stack_size(std::uint32_t requested);

// RT_START for any callable.
std::int32_t start_thread(std::function<void()> body, std::uint32_t stack_size);

// True while thread `number` runs.
bool thread_alive(std::int32_t number);

// Waits on the calling thread until done() holds, dispatching the thread's window
// messages meanwhile; posted events and user actions stay queued. Whoever makes
// done() true calls wake_thread for this thread. Used while a modal box is up.
void modal_wait(const std::function<bool()>& done);
void wake_thread(std::int32_t number);

}  // namespace vx

#endif  // VX_RUNTIME_THREAD_H_
