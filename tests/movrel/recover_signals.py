# A long movrel recover search ended by a signal, on a terminal (the keys
# Ctrl-C and Ctrl-Z typed) and with no controlling terminal (kill): the
# session is saved where the search stands, the last line says how to go
# on, the process dies of the signal, and --restore goes on from there, not
# from the start. Time stopped by Ctrl-Z counts in neither rate nor time.
# SIGQUIT, whose default writes a core, ends a search without one: the
# process is not dumpable (a core would hold the password once found).
# Usage: recover_signals.py MOVREL MKMOVREL
import atexit, json, os, pty, re, resource, shutil, signal, subprocess, sys, tempfile, time  # noqa: E401

movrel, mkmovrel = map(os.path.abspath, sys.argv[1:3])
work = tempfile.mkdtemp(prefix="movrel-signals-")
atexit.register(shutil.rmtree, work, True)
os.environ["XDG_STATE_HOME"] = work
database = os.path.join(work, "notes.pdb")
notes = os.path.join(work, "notes.txt")
open(notes, "w").write("the notes\n")
subprocess.run([mkmovrel, database, "zz", "Notes", notes], check=True)
twelve = "?d" * 12


def start(args, terminal):
    """The process and the file descriptor its standard error is read from."""
    argv = [movrel, "recover", *args, "--threads", "1"]
    if terminal:
        pid, master = pty.fork()
        if pid == 0:
            os.execv(movrel, argv)
        return pid, master
    errors = os.open(os.path.join(work, "err"), os.O_RDWR | os.O_CREAT | os.O_TRUNC)
    child = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                             stderr=errors, start_new_session=True)
    return child.pid, errors


def finish(pid, fd, terminal):
    """Waits for the process: its wait status and all it wrote on fd."""
    output = b""
    deadline = time.monotonic() + 20
    while (ended := os.waitpid(pid, os.WNOHANG))[0] == 0:
        assert time.monotonic() < deadline, "still running"
        time.sleep(0.05)
    if terminal:
        while True:
            try:
                output += os.read(fd, 4096)
            except OSError:
                break
    else:
        output = open(os.path.join(work, "err"), "rb").read()
    os.close(fd)
    return ended[1], output.decode()


def session(name):
    path = os.path.join(work, "movrel", name + ".session")
    assert os.stat(path).st_mode & 0o777 == 0o600 and os.stat(os.path.dirname(path)).st_mode & 0o777 == 0o700
    return int(re.search(r"^position (\d+)$", open(path).read(), re.M).group(1))


for terminal in (True, False):
    for sig, key in ((signal.SIGINT, b"\x03"), (signal.SIGTERM, None), (signal.SIGHUP, None)):
        name = f"{sig.name}-{terminal}"
        pid, fd = start([database, "--mask", twelve, "--session", name], terminal)
        time.sleep(1.5)
        os.write(fd, key) if terminal and key else os.kill(pid, sig)
        status, text = finish(pid, fd, terminal)
        assert os.WIFSIGNALED(status) and os.WTERMSIG(status) == sig, (name, status, text)
        last = re.search(r"interrupted at candidate ([\d,]+); resume with: "
                         r"movrel recover --restore --session (\S+)\s*$", text)
        assert last and last.group(2) == name, (name, text)
        stood = int(last.group(1).replace(",", ""))
        assert stood == session(name) > 0, (name, stood)
        pid, fd = start(["--restore", "--session", name, "--max-time", "1"], terminal)
        status, text = finish(pid, fd, terminal)
        assert os.WEXITSTATUS(status) == 3 and session(name) > stood, (name, text)
    # Stopped for three seconds in a search of about three: the time told
    # leaves the stop out. (SIGSTOP, as Ctrl-Z is dropped for a process
    # whose parent is in no job-control session with it.)
    pid, fd = start([database, "--mask", twelve, "--status-json", "--session", f"z-{terminal}"],
                    terminal)
    time.sleep(1)
    os.kill(pid, signal.SIGSTOP)
    time.sleep(3)
    os.kill(pid, signal.SIGCONT)
    time.sleep(1)
    os.write(fd, b"\x03") if terminal else os.kill(pid, signal.SIGINT)
    status, text = finish(pid, fd, terminal)
    last = json.loads(text[text.rindex("{"):])
    assert last["interrupted"] and 1.5 < last["elapsed"] < 3, last
    assert abs(last["rate"] * last["elapsed"] - last["tried"]) < 0.2 * last["tried"], last
# Cores allowed and written to the working folder (core_pattern "core"),
# where none may appear.
os.chdir(work)
quit_run = subprocess.Popen([movrel, "recover", database, "--mask", twelve, "--session", "quit"],
                            stderr=subprocess.DEVNULL, start_new_session=True,
                            preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_CORE, (-1, -1)))
time.sleep(1)
quit_run.send_signal(signal.SIGQUIT)
status = os.waitpid(quit_run.pid, 0)[1]
assert os.WIFSIGNALED(status) and os.WTERMSIG(status) == signal.SIGQUIT, status
assert not os.WCOREDUMP(status) and not [f for f in os.listdir(work) if f.startswith("core")]
print("signals: sessions saved, resumed; stopped time left out; no core")
