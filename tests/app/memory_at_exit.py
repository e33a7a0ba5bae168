# What a run leaves in its memory at the very end (memory_image.py): at
# exit_group, or as the signal that ends it is delivered. The dump must hold
# neither the password (as typed or upper-cased), nor 16 bytes in a row of
# any note, nor 4 words in a row (or one word broadcast to 8 lanes) of either
# key schedule.
# Runs of "exit": a normal one, a wrong password after 4 notes, a file cut
# inside its last note, output that cannot be written, and a 2.5 MiB
# database (made with MKMOVREL from the notes) that is loaded and decrypted
# on several threads. (Nothing is allocated once the password is read, so no
# allocation can fail there.)
# Runs of "signal": SIGTERM in the middle of decrypting that database, in the
# viewer (on several threads) and in movrel export: a thread is stepped well
# into the ECB kernel this processor runs (subkeys in its registers and frame,
# the other threads wherever they are), and the signal is delivered to it there.
# Usage: memory_at_exit.py exit|signal MOVRELVIEW MOVREL DEMO_DB MKMOVREL NOTE_FILE...
import subprocess, sys, tempfile  # noqa: E401
from memory_image import image_at_end, pieces_left, require_gdb

PASSWORD = b"palmpilot"
words = lambda ws: b"".join(w.to_bytes(2, "little") for w in ws)  # noqa: E731


def schedules(chars):  # the user key folded from 16 characters, then both schedules
    key = [0] * 8
    for i, c in enumerate(chars[:16]):
        key[i % 8] ^= c << 8 | (key[i % 8 - 1] >> 8 if i % 8 else 0)
    bits, z = int.from_bytes(b"".join(w.to_bytes(2, "big") for w in key), "big"), []
    while len(z) < 52:  # encryption: the key rotated left by 25 bits, 8 words at a time
        z += [bits >> (112 - 16 * i) & 0xFFFF for i in range(8)]
        bits = (bits << 25 | bits >> 103) & ((1 << 128) - 1)
    inv, d = (lambda x: pow(x, 65535, 65537) & 0xFFFF if x else 0), []
    for r in range(9):  # decryption: rounds in reverse, inverted
        j, add = 48 - 6 * r, [-z[49 - 6 * r] & 0xFFFF, -z[50 - 6 * r] & 0xFFFF]
        d += [inv(z[j]), *(add if r in (0, 8) else add[::-1]), inv(z[j + 3]), *z[j - 2:j][:4 * (r < 8)]]
    return z[:52], d


runs_wanted, viewer, movrel, demo, mkmovrel = *sys.argv[1:4], open(sys.argv[4], "rb").read(), sys.argv[5]
note_files = sys.argv[6:]
require_gdb()
search = [PASSWORD, PASSWORD.upper()]
for z in schedules(PASSWORD.upper()):
    search += [words(z[i:i + 4]) for i in range(49)] + [words([w] * 8) for w in z if w not in (0, 0xFFFF)]
for text in (open(name, "rb").read() for name in note_files):
    search += [text[i:i + 16] for i in range(0, len(text) - 15, 8)]
with tempfile.TemporaryDirectory() as tmp:
    notes = b"".join(open(name, "rb").read() for name in note_files)
    open(f"{tmp}/text", "wb").write((notes * (65536 // len(notes) + 1))[:65536])
    subprocess.run([mkmovrel, f"{tmp}/db", PASSWORD, *[a for i in range(40) for a in (f"Cat {i}", f"{tmp}/text")]],
                   check=True)
    large = open(f"{tmp}/db", "rb").read()
kernels = ["idea_ecb_avx512", "idea_ecb_avx2", "'(anonymous namespace)::portable_blocks'"]
kernel = ["handle all nostop noprint pass", "handle SIGTERM stop print pass", "set scheduler-locking step",
          *[f"break {name} if blocks > 64" for name in kernels], *[f"ignore {n} 6" for n in (2, 3, 4)]]
mid_kernel = ["stepi 300", "delete", "signal SIGTERM"]
marker = demo.find(b"\xff\x40\x44\x02")
runs = {"exit": [("normal", [viewer], demo, [], "null", "Please enter password: "),
                 ("wrong", [viewer], demo + demo[marker:marker + 25] + bytes([demo[marker + 25] ^ 1]) +
                  demo[marker + 26:], [], "null", "ERROR: Wrong password\n"),
                 ("cut", [viewer], demo[:-10], [], "null", "ERROR: category 3 runs past the end of the file\n"),
                 ("unwritable", [viewer], demo, [], "full", "ERROR: can't write to standard output\n"),
                 ("threads", [viewer], large, [], "null", "Please enter password: ")],
        "signal": [("viewer", [viewer], large, [kernel, mid_kernel], "null", "Please enter password: "),
                   ("export", [movrel, "export"], large, [kernel, mid_kernel], "null", "Please enter password: ")]}
for name, command, image, signal, output, expected in runs[runs_wanted]:
    before, after = signal or [[], []]
    with tempfile.TemporaryDirectory() as tmp:
        open(f"{tmp}/db", "wb").write(image)
        open(f"{tmp}/pw", "wb").write(PASSWORD + b"\n")
        err, shown, core = image_at_end(command[0], f"{' '.join(command[1:])} {tmp}/db", tmp, output, before, after)
    assert expected in err, f"{name}: the run did not end as planned: {err!r}"
    assert not signal or b"hit Breakpoint" in shown and b"received signal SIGTERM" in shown, f"{name}: {shown!r}"
    left = pieces_left(core, search)
    assert not left, f"{name}: {len(left)} pieces of secrets left in memory, e.g. {left[:3]}"
    print(f"{name}: none of {len(search)} secret pieces in {len(core)} bytes of memory at {runs_wanted}")
