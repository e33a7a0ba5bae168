# Cross build for 64-bit ARM Linux with Debian's cross compiler
# (g++-aarch64-linux-gnu), run under Debian's qemu-user (qemu-aarch64). The
# target's C library lives in /usr/aarch64-linux-gnu, which qemu is told
# with -L. Used by `make check-arm64`.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L /usr/aarch64-linux-gnu)
# The libraries of that C library, ahead of the system's cache: where dpkg
# also has arm64 packages (multiarch, as `make bench-arm64` installs), the
# cache lists their glibc, and a program would run that libc under the cross
# package's loader (seen here: a child of fork spinning forever).
set(CMAKE_EXE_LINKER_FLAGS_INIT -Wl,-rpath,/usr/aarch64-linux-gnu/lib)

# Libraries and packages of the target only; programs (python3, sh) of the
# build machine.
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
