#!/bin/sh
stat -c %a notes.xml
/usr/bin/python3 "$SRC/tests/e2e/read_back.py" keepass-xml notes.xml "$(dirname "$0")"
