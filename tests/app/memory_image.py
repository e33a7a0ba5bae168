# The memory image of a run as it ends, for the memory-at-exit tests: the run
# is started under gdb, stopped at exit_group (after every exit handler) or
# where the caller's gdb commands stop it, and dumped with gcore.
import os, shutil, subprocess, sys  # noqa: E401


def require_gdb():
    if not shutil.which("gdb"):
        print("skipped: needs gdb")
        sys.exit(77)


def image_at_end(program, arguments, tmp, output="null", before=(), after=()):
    """Runs `program arguments < tmp/pw > /dev/output 2> tmp/err` under gdb, the
    commands `before` given ahead of the run and `after` once it stops; returns
    its standard error, what gdb printed, and the image (None if gdb could not
    dump it)."""
    lines = ["set pagination off", "set confirm off", "catch syscall exit_group", *before,
             f"run {arguments} < {tmp}/pw > /dev/{output} 2> {tmp}/err", *after, f"gcore {tmp}/core", "kill"]
    shown = subprocess.run(["gdb", "-q", "-batch", "-nx", *[a for line in lines for a in ("-ex", line)], program],
                           start_new_session=True, capture_output=True, check=False).stdout
    core = open(f"{tmp}/core", "rb").read() if os.path.exists(f"{tmp}/core") else None
    return open(f"{tmp}/err").read(), shown, core


def pieces_left(core, search):
    """The pieces of search found in core; skips the test when there is no image."""
    if not core:
        print("skipped: gdb could not dump the process (a non-dumpable process needs CAP_SYS_PTRACE)")
        sys.exit(77)
    return [piece for piece in search if piece in core]
