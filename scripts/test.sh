#!/usr/bin/env bash
# Builds corvane and runs every test and check: the C++ unit tests (GoogleTest through CTest),
# the wheel's platform tag (auditwheel), the type stubs against the module (stubtest) and against
# the example and the README's snippets (mypy --strict), then the Python tests and the README's
# examples (pytest). Arguments are passed to pytest.
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
cd "$ROOT"
bash scripts/check_layers.sh

if [ ! -f /usr/include/gtest/gtest.h ] && [ ! -f /usr/local/include/gtest/gtest.h ]; then
  echo "== installing GoogleTest (libgtest-dev)"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq libgtest-dev >/dev/null
fi

install_corvane test
cd "$ROOT"

echo "== building the C++ unit tests"
# The tests join the wheel's build directory: same compiler flags, so the core is compiled once.
if ! grep -q '^CORVANE_BUILD_TESTS:BOOL=ON$' "$BUILD/wheel/CMakeCache.txt" 2>/dev/null; then
  cmake -S . -B "$BUILD/wheel" -DCORVANE_BUILD_TESTS=ON >/dev/null
fi
cmake --build "$BUILD/wheel" --target corvane_tests

echo "== C++ unit tests"
ctest --test-dir "$BUILD/wheel" --output-on-failure -j "$(nproc)"

echo "== wheel platform tag"
"$PY" -m auditwheel show "$WHEEL" | tee "$BUILD/auditwheel-show.txt"
# auditwheel wraps its lines; join them before looking for the verdict.
tr -s ' \n' '  ' <"$BUILD/auditwheel-show.txt" |
  grep -q 'consistent with the following platform tag: "manylinux_' ||
  die "$(basename "$WHEEL") does not meet a manylinux policy"
case "$(basename "$WHEEL")" in
  *-cp312-abi3-manylinux_*.whl) ;;
  *) die "$(basename "$WHEEL") is not tagged cp312-abi3-manylinux" ;;
esac

echo "== type stubs: stubtest against the module, mypy --strict on the example and the README"
"$PY" -m mypy.stubtest corvane
"$PY" scripts/readme_snippets.py README.md >"$BUILD/readme_snippets.py"
"$PY" -m mypy --strict --cache-dir "$BUILD/mypy-cache" examples/overtaking.py \
  "$BUILD/readme_snippets.py"

echo "== Python tests and the README's examples"
"$PY" -m pytest -q -p no:cacheprovider --doctest-glob=README.md tests/python README.md "$@"
