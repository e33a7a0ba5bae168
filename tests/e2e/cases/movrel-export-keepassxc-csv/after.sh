#!/bin/sh
stat -c %a notes.csv
/usr/bin/python3 "$SRC/tests/e2e/read_back.py" keepassxc-csv notes.csv "$(dirname "$0")"
