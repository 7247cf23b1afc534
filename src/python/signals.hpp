// Signals during long calls: Ctrl-C ends a call that runs for seconds with KeyboardInterrupt.
//
// `guarded` installs a `SignalCheck` around every entry point. The core's loops poll for an
// interrupt (support/interruption.hpp), and about every 20 ms a poll asks the interpreter to run
// the handlers of pending signals. A handler that raises (the default one for SIGINT raises
// KeyboardInterrupt) abandons the call: `PythonErrorSet` unwinds through the core, which frees
// what it built, and the exception reaches the caller.
//
// Only the main thread runs signal handlers, so a stretch that runs without the interpreter lock
// takes the lock back for the check on the main thread only; other threads are not slowed down.
// A call that holds the lock releases it for a moment at each check, so that other Python threads
// run meanwhile, as they would between the bytecodes of Python code.
#pragma once

#include "support/interruption.hpp"

namespace corvane::python {

class SignalCheck {
 public:
  SignalCheck() noexcept;

 private:
  InterruptCheck check_;
};

// Notes which thread is the interpreter's main thread; called with the lock held at import.
void remember_main_thread() noexcept;

}  // namespace corvane::python
