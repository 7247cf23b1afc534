#!/usr/bin/env bash
# Builds the fuzz targets in fuzz/ and runs each for a fixed time.
#
#   bash scripts/fuzz.sh [--seconds N] [--keep-corpus] [TARGET...] [-- LIBFUZZER_OPTION...]
#   bash scripts/fuzz.sh TARGET --reproduce FILE
#
# Targets: parser, knowledge_graph (libFuzzer) and python_entry_points (atheris); all three when
# none is named. Each runs N seconds (default 60) on a scratch copy of its seed corpus in
# fuzz/corpus, with a one-second limit per input. A crash, sanitizer report, undocumented
# exception, failed check or slow input fails the script; the input that caused it is saved under
# build/fuzz/artifacts/TARGET/ and its path printed.
#
# --keep-corpus continues from the scratch corpus of the previous run instead of the seeds.
# Options after "--" go to every target (e.g. -fork=2 -ignore_timeouts=1 for long runs that
# should go on past slow inputs). --reproduce runs the target once on a saved input, in the same
# environment as fuzzing it.
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
cd "$ROOT"

RUN_SECONDS=60
TARGETS=()
EXTRA=()
REPRODUCE=""
KEEP_CORPUS=0
while [ $# -gt 0 ]; do
  case "$1" in
    --) shift; EXTRA=("$@"); break ;;
    --seconds) RUN_SECONDS="$2"; shift 2 ;;
    --seconds=*) RUN_SECONDS="${1#--seconds=}"; shift ;;
    --keep-corpus) KEEP_CORPUS=1; shift ;;
    --reproduce) REPRODUCE="$(realpath "$2")"; shift 2 ;;
    parser | knowledge_graph | python_entry_points) TARGETS+=("$1"); shift ;;
    *) echo "fuzz.sh: unknown argument: $1 (see the usage at the top of scripts/fuzz.sh)" >&2; exit 2 ;;
  esac
done
if [ -n "$REPRODUCE" ] && [ ${#TARGETS[@]} -ne 1 ]; then
  echo "fuzz.sh: --reproduce needs exactly one target" >&2
  exit 2
fi
[ ${#TARGETS[@]} -eq 0 ] && TARGETS=(parser knowledge_graph python_entry_points)

START=$SECONDS
BUILD="$ROOT/build/fuzz"

# libFuzzer ships with clang's runtime libraries; a link of an empty target shows if they are there.
fuzzer_links() {
  echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
    clang++ -x c++ -fsanitize=fuzzer,address,undefined - -o "$BUILD/probe" >/dev/null 2>&1
}
mkdir -p "$BUILD"
if ! command -v clang++ >/dev/null 2>&1 || ! fuzzer_links; then
  echo "== installing clang and its runtime libraries (libFuzzer, sanitizers)"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq clang libclang-rt-dev >/dev/null
  fuzzer_links || { echo "fuzz.sh: clang cannot link a libFuzzer target" >&2; exit 2; }
fi
rm -f "$BUILD/probe"
if ! "$PY" -c 'import atheris' >/dev/null 2>&1; then
  echo "== installing atheris"
  "$PY" -m pip install --quiet --disable-pip-version-check atheris
fi
# The build tools (CMake and Ninja from PyPI), into the venv.
install_requirements

echo "== building the fuzz targets"
cmake -S fuzz -B "$BUILD" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" \
  -DCORVANE_BUILD_MODULE=ON -DPython_EXECUTABLE="$PY" >/dev/null
cmake --build "$BUILD" -j "$(nproc)"

COMMON_ASAN="detect_stack_use_after_return=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# The interpreter keeps objects alive until exit by design; LeakSanitizer would report them all.
# atheris's runtime bundles ASan, UBSan and libFuzzer; the C++ runtime is preloaded with it so
# that ASan can hook the module's exception throws (the interpreter does not link it).
ATHERIS_RUNTIME="$("$PY" -c 'import atheris; print(atheris.path())')/asan_with_fuzzer.so"
PYTHON_PRELOAD="$ATHERIS_RUNTIME $(clang++ -print-file-name=libstdc++.so)"

# libFuzzer's -fork and -jobs start the target again by its own path: for the atheris target that
# is the script, whose "python3" must then be the venv's.
PATH="$VENV/bin:$PATH"

FAILED=()
for target in "${TARGETS[@]}"; do
  corpus="$BUILD/corpus/$target"
  artifacts="$BUILD/artifacts/$target/"
  mkdir -p "$artifacts"
  options=(-timeout=1 -rss_limit_mb=2560 -artifact_prefix="$artifacts" "${EXTRA[@]}")
  if [ -n "$REPRODUCE" ]; then
    corpus="$REPRODUCE"
    echo "== running $target on $REPRODUCE"
  else
    # A scratch copy: what the run adds never grows the committed seeds.
    [ "$KEEP_CORPUS" -eq 1 ] || rm -rf "$corpus"
    mkdir -p "$corpus"
    cp fuzz/corpus/"$target"/* "$corpus"/
    options+=(-max_total_time="$RUN_SECONDS" -print_final_stats=1)
    echo "== fuzzing $target for $RUN_SECONDS s"
  fi
  log="$BUILD/$target.log"
  touch "$BUILD/started"
  status=0
  case "$target" in
    parser)
      ASAN_OPTIONS="$COMMON_ASAN" "$BUILD/fuzz_parser" "${options[@]}" -dict=fuzz/formula.dict \
        "$corpus" >"$log" 2>&1 || status=$? ;;
    knowledge_graph)
      ASAN_OPTIONS="$COMMON_ASAN" "$BUILD/fuzz_knowledge_graph" "${options[@]}" "$corpus" \
        >"$log" 2>&1 || status=$? ;;
    python_entry_points)
      LD_PRELOAD="$PYTHON_PRELOAD" ASAN_OPTIONS="$COMMON_ASAN:detect_leaks=0" \
        PYTHONPATH="$BUILD/core" "$PY" fuzz/python_entry_points.py "${options[@]}" \
        -dict=fuzz/formula.dict "$corpus" >"$log" 2>&1 || status=$? ;;
  esac
  grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb|^Done [0-9]+ runs" "$log" || true
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$log"
    echo "fuzz.sh: $target failed (exit $status); full log: $log" >&2
    find "$artifacts" -type f -newer "$BUILD/started" -printf "fuzz.sh: reproducer: %p\n" >&2
    FAILED+=("$target")
  fi
done

echo "== fuzzing took $((SECONDS - START)) s"
if [ ${#FAILED[@]} -gt 0 ]; then
  echo "fuzz.sh: failed: ${FAILED[*]}" >&2
  exit 1
fi
echo "== no finding"
