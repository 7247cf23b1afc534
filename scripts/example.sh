#!/usr/bin/env bash
# Builds corvane and runs the example scenario. Arguments are passed to the example:
#   bash scripts/example.sh ["FORMULA TEXT" KNOWLEDGE.json]
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
install_corvane
cd "$ROOT"
"$PY" examples/overtaking.py "$@"
