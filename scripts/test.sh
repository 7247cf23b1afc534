#!/usr/bin/env bash
# Builds corvane and runs every test: the C++ unit tests (GoogleTest through CTest) and the
# Python tests (pytest).
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
cd "$ROOT"

bash scripts/check_layers.sh

install_corvane --config-settings=cmake.define.CORVANE_WERROR=ON ".[test]"

if [ ! -f /usr/include/gtest/gtest.h ] && [ ! -f /usr/local/include/gtest/gtest.h ]; then
  echo "== installing GoogleTest (libgtest-dev)"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq libgtest-dev >/dev/null
fi

echo "== C++ unit tests"
GENERATOR=()
command -v ninja >/dev/null 2>&1 && GENERATOR=(-G Ninja)
cmake -S . -B build/tests "${GENERATOR[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCORVANE_BUILD_MODULE=OFF -DCORVANE_BUILD_TESTS=ON -DCORVANE_WERROR=ON >/dev/null
cmake --build build/tests -j "$(nproc)"
(cd build/tests && ctest --output-on-failure -j "$(nproc)")

echo "== Python tests"
cd "$ROOT/tests/python"
"$PY" -m pytest -q -p no:cacheprovider "$@"
