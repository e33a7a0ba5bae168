# The NEON ECB kernel's constant time, checked on its machine code (valgrind
# runs no emulated code). Block words and subkeys enter only through vector
# loads, so if no instruction of the kernel moves a vector register into a
# general register, and none loads a general register from memory other than
# the stack (saved registers) and the stack guard, no branch and no address
# can depend on them.
# Usage: neon_no_secret_in_general_registers.py OBJDUMP OBJECT...
import re, subprocess, sys  # noqa: E401

objdump, objects = sys.argv[1], [o for o in sys.argv[2:] if o.endswith("ecb_neon.cpp.o")]
assert len(objects) == 1, "no ecb_neon object among the arguments"
listing = subprocess.run([objdump, "-dr", "--no-show-raw-insn", objects[0]], check=True,
                         capture_output=True, text=True).stdout
general = re.compile(r"[wx]([0-9]|[12][0-9]|30)$")
faults, guard, destination, count = [], None, None, 0
for line in listing.splitlines():
    if "R_AARCH64" in line and "__stack_chk_guard" in line:
        guard = destination  # holds the guard's address (or value) from here on
        continue
    insn = re.match(r"\s+[0-9a-f]+:\s+(\S+)\s+([^,\s]+),? ?(.*)", line)
    if not insn:
        continue
    count += 1
    op, destination, source = insn.groups()
    if not general.match(destination) or op.startswith(("st", "cmp", "b", "tst")):
        continue
    if op in ("umov", "smov", "fmov", "mov") and re.match(r"[vqdsh][0-9]", source):
        faults.append(line)  # a vector lane into a general register
    elif op.startswith("ld"):
        base = re.search(r"\[(\w+)", source).group(1)
        if base != "sp" and base[1:] != (guard or "")[1:]:
            faults.append(line)  # a datum from the blocks or the schedule
    elif destination[1:] == (guard or "")[1:]:
        guard = None
assert count > 100, "no kernel in the listing"
if faults:
    sys.exit("a secret may reach a general register:\n" + "\n".join(faults))
print(f"{count} instructions: no vector value and no loaded datum reaches a general register")
