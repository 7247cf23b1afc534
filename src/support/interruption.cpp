#include "support/interruption.hpp"

namespace corvane {

namespace {

using interruption_detail::poll_state;

// The clock is read about this often; the batch doubles when readings come faster than half of
// it and halves when they come slower than twice of it.
constexpr std::int64_t kReadingInterval = 1'000'000;  // nanoseconds
constexpr std::uint32_t kFirstBatch = 8;
constexpr std::uint32_t kMaxBatch = std::uint32_t{1} << 16;
// Without a check nothing is due: the clock is not read at all.
constexpr std::uint32_t kIdleBatch = std::uint32_t{1} << 30;

std::int64_t now() noexcept {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Starts the pacing afresh: a new check is first called a whole interval after the first
// reading, and the batch is learnt again for the work at hand.
void restart(InterruptCheck::Check check, void* context) noexcept {
  poll_state.check = check;
  poll_state.context = context;
  poll_state.batch = check == nullptr ? kIdleBatch : kFirstBatch;
  poll_state.countdown = poll_state.batch;
  poll_state.last_reading = 0;
  poll_state.check_due = 0;
}

}  // namespace

namespace interruption_detail {

constinit thread_local PollState poll_state
    __attribute__((tls_model("initial-exec"))) = {nullptr, nullptr, kIdleBatch, kIdleBatch, 0, 0};

void poll_slowly() {
  if (poll_state.check == nullptr) {
    poll_state.countdown = kIdleBatch;
    return;
  }
  const std::int64_t reading = now();
  if (poll_state.last_reading != 0) {
    const std::int64_t elapsed = reading - poll_state.last_reading;
    if (elapsed < kReadingInterval / 2 && poll_state.batch < kMaxBatch) {
      poll_state.batch *= 2;
    } else if (elapsed > 2 * kReadingInterval && poll_state.batch > 1) {
      poll_state.batch /= 2;
    }
  }
  poll_state.last_reading = reading;
  poll_state.countdown = poll_state.batch;
  const std::int64_t interval =
      std::chrono::duration_cast<std::chrono::nanoseconds>(kCheckInterval).count();
  if (poll_state.check_due == 0) {
    poll_state.check_due = reading + interval;
  } else if (reading >= poll_state.check_due) {
    poll_state.check_due = reading + interval;
    poll_state.check(poll_state.context);
  }
}

}  // namespace interruption_detail

InterruptCheck::InterruptCheck(Check check, void* context) noexcept
    : previous_check_(poll_state.check), previous_context_(poll_state.context) {
  restart(check, context);
}

InterruptCheck::~InterruptCheck() {
  restart(previous_check_, previous_context_);
}

}  // namespace corvane
