#!/bin/sh
# The run's output equals the expected stdout byte for byte; that file must
# parse as JSON and give back each note: its Palm OS bytes up to a zero byte,
# decoded (Python maps the four unassigned bytes to C1 controls, the tool to
# U+FFFD).
cd "$SRC/tests/e2e/cases/movrel-export-json" && python3 -c '
import json
doc = json.load(open("stdout", encoding="utf-8"))
for entry, note in zip(doc["categories"], ["note1.txt", "note2.txt", "note3.txt"]):
    text = open(note, "rb").read().split(b"\0")[0].decode("palmos")
    text = text.translate(dict.fromkeys([0x81, 0x9B, 0x9D, 0x9E], 0xFFFD))
    print(entry["index"], entry["text"] == text)
'
