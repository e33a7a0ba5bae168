# What an export leaves in its memory at the very end, by the technique of
# memory_at_exit.py (stopped under gdb at exit_group, dumped with gcore): no
# copy of the password and no 16 bytes in a row of the note, a 210 KiB text
# exported as JSON, which grows the output buffer while it holds the text,
# doubling from 256 bytes to 256 KiB (each block left behind is wiped and
# taken off the live list as it is left; a block still listed once freed is
# a stale entry, and past 128 KiB an unmapped one).
# Usage: export_memory_at_exit.py MOVREL MKMOVREL
import os, shutil, subprocess, sys, tempfile  # noqa: E401

movrel, mkmovrel = sys.argv[1:3]
if not shutil.which("gdb"):
    print("skipped: needs gdb")
    sys.exit(77)
password, note = b"palmpilot export", b"".join(b"line %05d of the private note\n" % i for i in range(7000))
search = [password, password.upper()] + [note[i:i + 16] for i in range(0, len(note) - 15, 8)]
with tempfile.TemporaryDirectory() as tmp:
    open(f"{tmp}/note", "wb").write(note)
    open(f"{tmp}/pw", "wb").write(password + b"\n")
    subprocess.run([mkmovrel, f"{tmp}/db", password, "Big", f"{tmp}/note"], check=True)
    lines = ["set pagination off", "set confirm off", "catch syscall exit_group",
             f"run export --format json {tmp}/db < {tmp}/pw > /dev/null 2> {tmp}/err", f"gcore {tmp}/core", "kill"]
    subprocess.run(["gdb", "-q", "-batch", "-nx", *[a for line in lines for a in ("-ex", line)], movrel],
                   start_new_session=True, capture_output=True, check=False)
    err, core = open(f"{tmp}/err").read(), os.path.exists(f"{tmp}/core") and open(f"{tmp}/core", "rb").read()
assert err == "Please enter password: ", f"the export did not end as planned: {err!r}"
if not core:
    print("skipped: gdb could not dump the process (a non-dumpable process needs CAP_SYS_PTRACE)")
    sys.exit(77)
left = [piece for piece in search if piece in core]
assert not left, f"{len(left)} pieces of secrets left in memory, e.g. {left[:3]}"
print(f"none of {len(search)} secret pieces in {len(core)} bytes of memory at exit")
