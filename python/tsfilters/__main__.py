"""`python3 -m tsfilters ...` runs the command-line tool."""

import sys

from .command import main

sys.exit(main())
