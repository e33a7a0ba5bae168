#!/bin/sh
stat -c %a notes.json
/usr/bin/python3 "$SRC/tests/e2e/read_back.py" bitwarden-json notes.json "$(dirname "$0")"
