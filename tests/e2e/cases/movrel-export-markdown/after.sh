#!/bin/sh
/usr/bin/python3 "$SRC/tests/e2e/read_back.py" markdown vault "$(dirname "$0")"
