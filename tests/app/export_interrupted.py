# An export interrupted by Ctrl-C (SIGINT), SIGTERM or SIGHUP while it writes
# -o FILE dies of that signal and leaves neither the file nor its temporary:
# the ending-signal handler unlinks the temporary being written.
# Usage: export_interrupted.py MOVREL MKMOVREL
import os, signal, subprocess, sys, tempfile, time  # noqa: E401

movrel, mkmovrel = sys.argv[1:3]
with tempfile.TemporaryDirectory() as tmp:
    open(f"{tmp}/note", "wb").write(b"interrupted export " * 4000)
    subprocess.run([mkmovrel, f"{tmp}/db", "pw", *[a for i in range(400) for a in (f"C{i}", f"{tmp}/note")]], check=True)
    for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        out = tempfile.mkdtemp(dir=tmp)
        run = subprocess.Popen([movrel, "export", "-o", f"{out}/notes.txt", f"{tmp}/db"], stdin=subprocess.PIPE,
                               stderr=subprocess.DEVNULL, start_new_session=True)
        run.stdin.write(b"pw\n")
        run.stdin.close()
        deadline = time.monotonic() + 20
        while not os.listdir(out) and time.monotonic() < deadline:
            pass  # the temporary appears before the first byte is written
        run.send_signal(sig)
        assert run.wait() == -sig, f"{sig.name}: the run ended with {run.returncode}"
        assert not os.listdir(out), f"{sig.name}: left {os.listdir(out)}"
        print(f"{sig.name}: the run died of it and left nothing in the folder")
