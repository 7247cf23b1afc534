"""``python -m corvane_tools`` runs the ``corvane`` command."""

import sys

from .cli import main

sys.exit(main())
