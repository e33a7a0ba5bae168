# Reads an export back the way its users' apps do and checks every entry
# against the Palm file's own bytes (the case's db.args and note files),
# decoded by Python's palmos codec. Prints one line when all match.
# Usage: read_back.py FORMAT OUTPUT CASE_FOLDER [KDBX_PASSWORD]
import csv, io, json, os, re, subprocess, sys, tempfile  # noqa: E401

fmt, out, case = sys.argv[1:4]
args = open(f"{case}/db.args", "rb").read().split(b"\n")[1:-1]
palm = lambda b: b.split(b"\0")[0].decode("palmos").translate(dict.fromkeys([0x81, 0x9B, 0x9D, 0x9E], 0xFFFD))  # noqa: E731
xml = lambda s: re.sub("[\x00-\x08\x0b\x0c\x0e-\x1f\x7f]", "\ufffd", s)  # noqa: E731
want = [(palm(args[i]), palm(open(f"{case}/{args[i + 1].decode()}", "rb").read())) for i in range(0, len(args), 2)]
label = "db"  # the database is db.pdb


def keepassxc_rows(database, password):  # as KeePassXC holds them: its own CSV export
    run = subprocess.run(["keepassxc-cli", "export", "-f", "csv", database], input=f"{password}\n".encode(),
                         capture_output=True, check=True)
    return list(csv.reader(io.StringIO(run.stdout.decode(), newline="")))[1:]


if fmt == "kdbx":
    rows = keepassxc_rows(out, sys.argv[4])
    want = [(xml(title), notes) for title, notes in want]
elif fmt == "keepass-xml":
    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run(["keepassxc-cli", "import", "-p", "-t", "100", out, f"{tmp}/x.kdbx"], input="x\nx\n",
                       capture_output=True, text=True, check=True)
        rows = keepassxc_rows(f"{tmp}/x.kdbx", "x")
    # KeePassXC saves an unprotected value's carriage return raw, and reads it back as a line end.
    want = [(xml(title).replace("\r", "\n"), xml(notes)) for title, notes in want]
elif fmt == "keepassxc-csv":
    rows = list(csv.reader(open(out, newline="", encoding="utf-8")))
    assert rows.pop(0) == ["Group", "Title", "Username", "Password", "URL", "Notes"], "header"
if fmt in ("kdbx", "keepass-xml", "keepassxc-csv"):
    assert {row[0] for row in rows} == {label}, "group"
    got = [(row[1], row[5]) for row in rows]
elif fmt == "bitwarden-json":
    doc, got = json.load(open(out, encoding="utf-8")), []
    assert doc["encrypted"] is False and [f["name"] for f in doc["folders"]] == [label], "folders"
    for item in doc["items"]:
        assert item["type"] == 2 and item["secureNote"] == {"type": 0} and item["folderId"] == doc["folders"][0]["id"]
        # Bitwarden takes a note whose encryption, "2." IV "|" data "|" MAC in base64, is 10,000 characters at most.
        assert 72 + 4 * -(-16 * (len(item["notes"].encode()) // 16 + 1) // 3) <= 10000, f"{item['name']} too long"
        part = re.fullmatch(r"(.*) \((\d+)/(\d+)\)", item["name"], re.S)
        if part and part[2] != "1":
            got[-1] = (part[1], got[-1][1] + item["notes"])
        else:
            got.append((part[1] if part else item["name"], item["notes"]))
elif fmt == "markdown":
    import markdown_it, yaml  # noqa: E401
    got, want = [], sorted((t, n.replace("\r\n", "\n").replace("\r", "\n") + "\n") for t, n in want)
    for name in os.listdir(out):
        _, front, body = open(f"{out}/{name}", encoding="utf-8").read().split("---\n", 2)
        blocks = [t.content for t in markdown_it.MarkdownIt("commonmark").parse(body) if t.type == "fence"]
        got.append((yaml.safe_load(front)["title"], *blocks))
    got.sort()
for index, (entry, expected) in enumerate(zip(got, want)):
    assert entry == expected, f"entry {index}: {entry!r} != {expected!r}"
assert len(got) == len(want), f"{len(got)} entries, {len(want)} categories"
print(f"{fmt}: {len(got)} entries as in the Palm file")
