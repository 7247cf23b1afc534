#!/usr/bin/env bash
# Builds the C++ unit tests and the Python module with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs both test suites against them. Any sanitizer report ends
# the run with a failure (UBSan does not recover; ASan stops at its first error).
#
# Everything goes to build/sanitize; the normal install in .venv is left alone: the sanitized
# module is put first on PYTHONPATH for the Python tests only.
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
cd "$ROOT"

START=$SECONDS
BUILD="$ROOT/build/sanitize"
CXX="${CXX:-g++}"
SANITIZE="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all"

# The build tools (CMake and Ninja from PyPI) and the Python test dependencies, into the venv.
install_requirements test

echo "== building the C++ tests and the module with $SANITIZE ($CXX)"
# -O1 keeps the instrumented property tests fast enough while leaving stack traces readable.
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_CXX_COMPILER="$CXX" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" \
  -DCMAKE_CXX_FLAGS="$SANITIZE" -DCMAKE_EXE_LINKER_FLAGS="$SANITIZE" \
  -DCMAKE_SHARED_LINKER_FLAGS="$SANITIZE" -DCMAKE_MODULE_LINKER_FLAGS="$SANITIZE" \
  -DCORVANE_BUILD_MODULE=ON -DCORVANE_BUILD_TESTS=ON -DCORVANE_WERROR=ON \
  -DPython_EXECUTABLE="$PY" >/dev/null
cmake --build "$BUILD" -j "$(nproc)"

# detect_stack_use_after_return moves locals into fake frames on the heap: the stack guard must
# still read the real stack under it, so it stays on for both suites.
COMMON_ASAN="detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1"
COMMON_ASAN+=":detect_invalid_pointer_pairs=1:abort_on_error=0:exitcode=86"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:exitcode=87"

echo "== C++ unit tests (sanitized)"
ASAN_OPTIONS="$COMMON_ASAN:detect_leaks=1" "$BUILD/corvane_tests" --gtest_brief=1

echo "== Python tests (sanitized module)"
MODULE="$(ls "$BUILD"/corvane*.so)"
# The interpreter is not instrumented, so the ASan runtime must be loaded before anything else.
# The C++ runtime comes right after it: the interpreter does not link it, and ASan can only hook
# the throwing of C++ exceptions if it is there when ASan starts (otherwise the module's first
# throw stops the process with a failed ASan check).
PRELOAD="$("$CXX" -print-file-name=libasan.so) $("$CXX" -print-file-name=libstdc++.so)"
# Leak detection is off for Python: the interpreter keeps interned strings, type objects and
# module state alive until exit by design, which LeakSanitizer would report as thousands of leaks.
# Reference leaks of the module are caught by the Python tests themselves (refcount checks).
# pytest captures only sys.stderr (--capture=sys), so a sanitizer report, written straight to
# file descriptor 2 just before the process exits, reaches the terminal.
# PYTHONMALLOC=malloc routes every Python object through malloc, so ASan also sees the objects
# the module creates and releases.
(
  cd "$ROOT/tests/python"
  LD_PRELOAD="$PRELOAD" ASAN_OPTIONS="$COMMON_ASAN:detect_leaks=0" PYTHONMALLOC=malloc \
    PYTHONPATH="$BUILD${PYTHONPATH:+:$PYTHONPATH}" \
    "$PY" -c 'import corvane, sys; sys.exit(0 if corvane.__file__ == sys.argv[1] else
              f"the sanitized module was not imported: {corvane.__file__}")' "$MODULE"
  LD_PRELOAD="$PRELOAD" ASAN_OPTIONS="$COMMON_ASAN:detect_leaks=0" PYTHONMALLOC=malloc \
    PYTHONPATH="$BUILD${PYTHONPATH:+:$PYTHONPATH}" \
    "$PY" -m pytest -q -p no:cacheprovider --capture=sys "$@"
)

echo "== sanitized runs clean ($((SECONDS - START)) s)"
