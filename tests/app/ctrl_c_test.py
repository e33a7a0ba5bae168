# Ctrl-C at the password prompt of a terminal: the run ends at once, by
# SIGINT as an interrupted command does, and the terminal has its echo back.
# Usage: ctrl_c_test.py MOVRELVIEW DATABASE
import os, pty, signal, sys, termios, time  # noqa: E401

program, database = sys.argv[1:3]
pid, terminal = pty.fork()
if pid == 0:
    os.execv(program, [program, database])
try:
    shown = b""
    while b"Please enter password: " not in shown:
        shown += os.read(terminal, 1024)
    flags = termios.tcgetattr(terminal)[3]
    assert not flags & termios.ECHO and flags & termios.ISIG, "reading: echo off, signal keys on"
    os.write(terminal, b"pass\x03")
    deadline = time.monotonic() + 2
    while (ended := os.waitpid(pid, os.WNOHANG))[0] == 0:
        assert time.monotonic() < deadline, "still running 2 s after Ctrl-C"
        time.sleep(0.01)
    pid = 0
    assert os.WIFSIGNALED(ended[1]) and os.WTERMSIG(ended[1]) == signal.SIGINT, ended
    assert termios.tcgetattr(terminal)[3] & termios.ECHO, "echo still off"
finally:
    if pid:
        os.kill(pid, signal.SIGKILL)
print("Ctrl-C at the prompt: ended by SIGINT, echo restored")
