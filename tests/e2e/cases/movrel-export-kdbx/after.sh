#!/bin/sh
stat -c '%a %n' notes.kdbx
/usr/bin/python3 "$SRC/tests/e2e/read_back.py" kdbx notes.kdbx "$(dirname "$0")" "new pässword"
