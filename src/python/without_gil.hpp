// Runs pure C++ work without the interpreter lock, so that other Python threads run meanwhile.
//
// Only core code may run while the lock is released: no Python object may be touched, created or
// freed. Arguments are converted before and results after. The core's objects are immutable once
// built and share nothing mutable between calls, so several threads may work on one `Augmenter`
// at the same time.
#pragma once

#include <Python.h>

#include <utility>

namespace corvane::python {

class WithoutGil;

namespace without_gil_detail {
// The stretch of the calling thread that released the lock last and has not taken it back: the
// way back to Python from the core's interrupt checks. Null while the thread holds the lock.
inline constinit thread_local WithoutGil* innermost __attribute__((tls_model("initial-exec"))) =
    nullptr;
}  // namespace without_gil_detail

// Releases the lock for its lifetime and takes it back when it goes, also when an exception
// leaves the scope (the caller's `guarded` then sets the Python exception with the lock held).
class WithoutGil {
 public:
  WithoutGil() noexcept
      : state_(PyEval_SaveThread()),
        enclosing_(std::exchange(without_gil_detail::innermost, this)) {}
  ~WithoutGil() {
    without_gil_detail::innermost = enclosing_;
    PyEval_RestoreThread(state_);
  }
  WithoutGil(const WithoutGil&) = delete;
  WithoutGil& operator=(const WithoutGil&) = delete;

  // The stretch of this thread that is running without the lock, if any.
  static WithoutGil* innermost() noexcept { return without_gil_detail::innermost; }

  // Runs `work` with the lock held again and releases it afterwards: the way back to Python from
  // inside the released stretch, e.g. to let it handle a pending signal.
  template <class Work>
  decltype(auto) with_gil(Work&& work) {
    PyEval_RestoreThread(state_);
    without_gil_detail::innermost = nullptr;
    struct Release {
      WithoutGil& stretch;
      ~Release() {
        stretch.state_ = PyEval_SaveThread();
        without_gil_detail::innermost = &stretch;
      }
    } release{*this};
    return std::forward<Work>(work)();
  }

 private:
  PyThreadState* state_;
  WithoutGil* enclosing_;
};

// `work()`, run without the lock.
template <class Work>
decltype(auto) without_gil(Work&& work) {
  WithoutGil released;
  return std::forward<Work>(work)();
}

}  // namespace corvane::python
