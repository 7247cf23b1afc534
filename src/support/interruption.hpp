// Abandoning a long computation from outside, such as on Ctrl-C.
//
// The loops of the core that can run long (over the nodes of a formula, the change points of a
// signal, the steps of an augmentation, the facts of the knowledge) call `poll_interrupt()` once
// per item, or `poll_interrupt_every` when their items are cheap. Whoever starts a computation may
// install an `InterruptCheck` on its thread for the duration: about every `kCheckInterval` of wall
// time a poll calls it. A check that wants the computation abandoned throws; the exception unwinds
// through the core, which owns everything it builds, so nothing half-built survives. Without a
// check a poll only counts down.
//
// Polls are cheap: most only count down, and the clock is read about once per millisecond (the
// count between two readings adapts to how fast the polls come). The state lives in static
// thread-local storage, which is reserved when a thread starts: using it never allocates. (The
// default model for a library loaded at run time allocates a thread's block on first use, and
// the C library ends the process when that allocation fails.)
#pragma once

#include <chrono>
#include <cstdint>

namespace corvane {

// How often an installed check is called while polls keep coming.
inline constexpr std::chrono::milliseconds kCheckInterval{20};

// Installs `check(context)` as the calling thread's interrupt check for the lifetime of the
// object (a null `check` installs none); the previous one comes back when it goes, so scopes
// nest. `check` returns to go on or throws to abandon the computation.
class InterruptCheck {
 public:
  using Check = void (*)(void* context);

  InterruptCheck(Check check, void* context) noexcept;
  ~InterruptCheck();
  InterruptCheck(const InterruptCheck&) = delete;
  InterruptCheck& operator=(const InterruptCheck&) = delete;

 private:
  Check previous_check_;
  void* previous_context_;
};

namespace interruption_detail {

struct PollState {
  InterruptCheck::Check check;
  void* context;
  std::uint32_t countdown;    // polls left until the clock is read
  std::uint32_t batch;        // polls between two readings of the clock
  std::int64_t last_reading;  // steady-clock nanoseconds; 0 before the first reading of a scope
  std::int64_t check_due;     // when the check is called next; 0 before the first reading
};

extern constinit thread_local PollState poll_state __attribute__((tls_model("initial-exec")));

// Reads the clock, adapts the batch and calls the check when it is due.
void poll_slowly();

}  // namespace interruption_detail

// Counts one item of work; may call the thread's interrupt check, and throws what it throws.
inline void poll_interrupt() {
  if (--interruption_detail::poll_state.countdown == 0) interruption_detail::poll_slowly();
}

// For loops whose items take only a few instructions: polls at every 256th value of the loop's own
// count (an index, or a counter kept for the purpose), which costs less than counting every item
// on the thread.
inline void poll_interrupt_every(std::uint64_t count) {
  if (count % 256 == 0) poll_interrupt();
}

}  // namespace corvane
