#!/bin/sh
stat -c "%a %F" notes.json && cat victim
/usr/bin/python3 -c "import json; print(json.load(open(\"notes.json\"))[\"categories\"][0][\"name\"])"
