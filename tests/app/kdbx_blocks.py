# A KeePass database whose payload spans several 1 MiB blocks (the cipher
# runs on across them, each block has its own HMAC key) opens in
# keepassxc-cli with every note whole.
# Usage: kdbx_blocks.py MOVREL MKMOVREL
import csv, io, subprocess, sys, tempfile  # noqa: E401

movrel, mkmovrel = sys.argv[1:3]
notes = [b"".join(b"note %d line %06d\n" % (n, i) for i in range(40000)) for n in range(3)]
with tempfile.TemporaryDirectory() as tmp:
    for n, note in enumerate(notes):
        open(f"{tmp}/{n}", "wb").write(note)
    subprocess.run([mkmovrel, f"{tmp}/db", "pw", *[a for n in range(3) for a in (f"N{n}", f"{tmp}/{n}")]], check=True)
    subprocess.run([movrel, "export", "--format", "kdbx", "-o", f"{tmp}/x.kdbx", f"{tmp}/db"], input=b"pw\nk\nk\n",
                   capture_output=True, check=True, start_new_session=True)
    out = subprocess.run(["keepassxc-cli", "export", "-f", "csv", f"{tmp}/x.kdbx"], input=b"k\n",
                         capture_output=True, check=True).stdout
csv.field_size_limit(1 << 24)
rows = list(csv.reader(io.StringIO(out.decode(), newline="")))[1:]
assert [(r[1], r[5].encode()) for r in rows] == [(f"N{n}", note) for n, note in enumerate(notes)], "notes differ"
print(f"{len(rows)} notes of {len(notes[0])} bytes each read back whole")
