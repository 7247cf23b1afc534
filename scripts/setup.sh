# Shared set-up for the example and test commands (sourced, not run).
# Finds a Python >= 3.12, creates .venv and installs corvane into it.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
VENV="$ROOT/.venv"

python_is_recent() {
  "$1" -c 'import sys; sys.exit(0 if sys.version_info >= (3, 12) else 1)' >/dev/null 2>&1
}

find_python() {
  local candidates=()
  [ -n "${CORVANE_PYTHON:-}" ] && candidates+=("$CORVANE_PYTHON")
  candidates+=(python3.13 python3.12 python3 /usr/bin/python3.13 /usr/bin/python3.12)
  local pyenv_root="${PYENV_ROOT:-$HOME/.pyenv}"
  if command -v pyenv >/dev/null 2>&1; then pyenv_root="$(pyenv root)"; fi
  local found
  for found in $(ls -d "$pyenv_root"/versions/3.1[2-9]*/bin/python3 2>/dev/null | sort -rV); do
    candidates+=("$found")
  done
  local candidate
  for candidate in "${candidates[@]}"; do
    if python_is_recent "$candidate"; then
      command -v "$candidate" 2>/dev/null || echo "$candidate"
      return 0
    fi
  done
  echo "error: corvane needs Python 3.12 or newer, and none was found (set CORVANE_PYTHON)" >&2
  return 1
}

if [ ! -x "$VENV/bin/python" ] || ! python_is_recent "$VENV/bin/python"; then
  PYTHON="$(find_python)"
  echo "== creating $VENV with $PYTHON ($("$PYTHON" --version))"
  rm -rf "$VENV"
  "$PYTHON" -m venv "$VENV"
fi
PY="$VENV/bin/python"
"$PY" -m pip install --quiet --disable-pip-version-check --upgrade pip

# Builds and installs corvane (and the given extras) into the virtual environment.
install_corvane() {
  echo "== building and installing corvane"
  "$PY" -m pip install --quiet --disable-pip-version-check "$@"
}
