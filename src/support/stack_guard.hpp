// A check that the calling thread has stack left for one more level of a recursive algorithm.
//
// The nesting limit on formulas keeps the recursion of every algorithm within about 1 MB of
// stack, which the threads of a Python process have by default (8 MB). A thread started with a
// smaller `threading.stack_size()` may not; the recursive algorithms call `ensure_stack_space`
// once per level so that such a thread gets `NestingTooDeep` instead of a crash.
#pragma once

namespace corvane {

// Throws `NestingTooDeep` when less than a safety margin of the calling thread's stack is left.
void ensure_stack_space();

}  // namespace corvane
