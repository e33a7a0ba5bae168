# What an export leaves in its memory at the very end (memory_image.py:
# stopped under gdb at exit_group, dumped with gcore): no copy of the
# password and no 16 bytes in a row of the note, a 210 KiB text
# exported as JSON, which grows the output buffer while it holds the text,
# doubling from 256 bytes to 256 KiB (each block left behind is wiped and
# taken off the live list as it is left; a block still listed once freed is
# a stale entry, and past 128 KiB an unmapped one).
# Usage: export_memory_at_exit.py MOVREL MKMOVREL
import subprocess, sys, tempfile  # noqa: E401
from memory_image import image_at_end, pieces_left, require_gdb

movrel, mkmovrel = sys.argv[1:3]
require_gdb()
password, note = b"palmpilot export", b"".join(b"line %05d of the private note\n" % i for i in range(7000))
search = [password, password.upper()] + [note[i:i + 16] for i in range(0, len(note) - 15, 8)]
with tempfile.TemporaryDirectory() as tmp:
    open(f"{tmp}/note", "wb").write(note)
    open(f"{tmp}/pw", "wb").write(password + b"\n")
    subprocess.run([mkmovrel, f"{tmp}/db", password, "Big", f"{tmp}/note"], check=True)
    err, _, core = image_at_end(movrel, f"export --format json {tmp}/db", tmp)
assert err == "Please enter password: ", f"the export did not end as planned: {err!r}"
left = pieces_left(core, search)
assert not left, f"{len(left)} pieces of secrets left in memory, e.g. {left[:3]}"
print(f"none of {len(search)} secret pieces in {len(core)} bytes of memory at exit")
