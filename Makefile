# Thin wrapper round CMake. Build trees:
#   build/        the normal build (tests included)
#   build-asan/   everything under AddressSanitizer + UndefinedBehaviorSanitizer
#   build-tsan/   the threaded code and its tests under ThreadSanitizer
#   build-bench/  optimised benchmarks
#   build-fuzz/   clang + libFuzzer; build-lint/  compile commands for the linters
#   build-arm64/  cross-built for 64-bit ARM, tests under qemu; build-arm64-bench/
JOBS ?= $(shell nproc)
MAKEFLAGS += --no-print-directory
CMAKE ?= cmake
CTEST ?= ctest
PREFIX ?= /usr/local

.PHONY: all build configure check check-packages check-normal check-sanitize check-tsan check-arm64 \
  demo demo-db bench bench-arm64 fuzz lint lint-packages install uninstall package check-package clean

# Debian packages each target needs beyond g++, cmake and make (the build and
# `make demo` need nothing else: without GoogleTest the suites are left out).
# check-packages and lint-packages install what is missing (as root) or stop
# with the command to run.
# libsodium-dev builds movrel's kdbx format; keepassxc (keepassxc-cli),
# python3-yaml and python3-markdown-it read exported files back.
CHECK_PACKAGES = cmake g++ make libgtest-dev valgrind gdb python3 devscripts libsodium-dev keepassxc \
  python3-yaml python3-markdown-it
LINT_PACKAGES = cmake g++ make libgtest-dev libbenchmark-dev clang-format clang-tidy cppcheck libsodium-dev \
  g++-aarch64-linux-gnu
NEED_PACKAGES = scripts/need-packages

all: build

configure:
	$(CMAKE) -S . -B build -DCMAKE_INSTALL_PREFIX=$(PREFIX) >/dev/null

build: configure
	$(CMAKE) --build build -j $(JOBS)

# Every test: in the normal build, again under the sanitizers, the threaded
# ones under ThreadSanitizer, and all of them cross-built for 64-bit ARM.
# Each stage's output goes to build/check.log and gets a line of its own on
# the terminal (scripts/check-summary); skipped tests are listed with their
# reasons, failures with their output. Each stage also runs alone (make
# check-normal, ...).
CHECK_STAGES = build check-normal check-sanitize check-tsan check-arm64
JUNIT = --output-junit $(CURDIR)/build/check/$@.xml
check: check-packages
	@scripts/check-summary build/check.log $(CHECK_STAGES)

check-packages:
	@$(NEED_PACKAGES) $(CHECK_PACKAGES)

check-normal: check-packages build
	@mkdir -p build/check
	$(CTEST) --test-dir build --output-on-failure --no-tests=error -j $(JOBS) $(JUNIT)

check-sanitize: check-packages
	@mkdir -p build/check
	$(CMAKE) -S . -B build-asan -DMOVREL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
	$(CMAKE) --build build-asan -j $(JOBS)
	$(CTEST) --test-dir build-asan --output-on-failure --no-tests=error -j $(JOBS) $(JUNIT)

# The threaded paths, where a race would be reported (and fail the test): the
# viewer's chunked loading and batched printing, the live-secrets list, and
# the end-to-end cases that run recover's search threads and the viewer on
# a large file.
TSAN_TESTS = ^(ChunkedScan|PrintCategories|LiveSecrets)\.|^e2e/(recover-|many-categories|database-past)
check-tsan: check-packages
	$(CMAKE) -S . -B build-tsan -DMOVREL_TSAN=ON >/dev/null
	@mkdir -p build/check
	$(CMAKE) --build build-tsan -j $(JOBS) --target core_tests app_tests e2e_cases
	$(CTEST) --test-dir build-tsan -R '$(TSAN_TESTS)' --output-on-failure --no-tests=error -j $(JOBS) $(JUNIT)

# The project cross-built for 64-bit ARM with Debian's cross compiler into
# build-arm64/, and every test run under qemu-aarch64, on the NEON paths.
# GoogleTest is built there from Debian's googletest sources, once per tree.
ARM64_PACKAGES = cmake make g++-aarch64-linux-gnu qemu-user googletest python3
ARM64_CMAKE = -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
check-arm64:
	@$(NEED_PACKAGES) $(ARM64_PACKAGES)
	$(CMAKE) -S . -B build-arm64 $(ARM64_CMAKE) -DMOVREL_GTEST_SOURCE=/usr/src/googletest >/dev/null
	@mkdir -p build/check
	$(CMAKE) --build build-arm64 -j $(JOBS)
	$(CTEST) --test-dir build-arm64 --output-on-failure --no-tests=error -j $(JOBS) $(JUNIT)

demo: configure
	$(CMAKE) --build build -j $(JOBS) --target movrelview
	./build/app/movrelview examples/demo.pdb

# Remakes examples/demo.pdb from the notes beside it (the bytes are reproducible).
demo-db: build
	./build/tools/mkmovrel examples/demo.pdb palmpilot \
	  Personal examples/notes/personal.txt \
	  Shopping examples/notes/shopping.txt \
	  "Cards & accounts" examples/notes/accounts.txt \
	  "Books to read" examples/notes/books.txt

# The tool as built by `make`, timed against cat and openssl on a 64 MiB
# database (bench/whole_run.sh), movrel export's kdbx beside its text
# (bench/export_run.sh), then the optimised Google Benchmark programs.
BENCH_RUNS ?= 7
bench: build
	@$(NEED_PACKAGES) cmake g++ make libsodium-dev libbenchmark-dev openssl
	bench/whole_run.sh build $(BENCH_RUNS)
	bench/export_run.sh build $(BENCH_RUNS)
	$(CMAKE) -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DMOVREL_BENCH=ON -DMOVREL_TESTS=OFF >/dev/null
	$(CMAKE) --build build-bench -j $(JOBS)
	@for program in build-bench/bench/*_bench; do echo "== $$program"; $$program || exit 1; done

# The cipher and password-search benchmarks cross-built for 64-bit ARM and
# run under qemu-aarch64: the NEON paths against the portable one in the same
# run (qemu's absolute times mean nothing). Google Benchmark for arm64 is
# Debian's, through dpkg's multiarch: as root this adds the arm64
# architecture to dpkg first.
bench-arm64:
	@dpkg --print-foreign-architectures | grep -qx arm64 || [ "$$(id -u)" -ne 0 ] || dpkg --add-architecture arm64
	@$(NEED_PACKAGES) $(ARM64_PACKAGES) libbenchmark-dev:arm64
	$(CMAKE) -S . -B build-arm64-bench $(ARM64_CMAKE) -DCMAKE_BUILD_TYPE=Release -DMOVREL_BENCH=ON \
	  -DMOVREL_TESTS=OFF -Dbenchmark_DIR=/usr/lib/aarch64-linux-gnu/cmake/benchmark >/dev/null
	$(CMAKE) --build build-arm64-bench -j $(JOBS) --target cipher_bench recover_bench
	qemu-aarch64 -L /usr/aarch64-linux-gnu build-arm64-bench/bench/cipher_bench \
	  --benchmark_filter='_on/(portable|neon)/'
	qemu-aarch64 -L /usr/aarch64-linux-gnu build-arm64-bench/bench/recover_bench \
	  --benchmark_filter='(portable|neon)/'

# libFuzzer over the database decoder, then over recover's readers of masks,
# wordlists and session files, FUZZ_SECONDS each (clang, ASan+UBSan).
# Seeds are databases written with the password FUZZ; new inputs gather in
# build-fuzz/corpus (recover-corpus). Keep anything they find in
# tests/fuzz/regressions/ (recover_regressions/).
FUZZ_SECONDS ?= 60
fuzz:
	$(CMAKE) -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DMOVREL_FUZZ=ON -DMOVREL_SANITIZE=ON \
	  -DMOVREL_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	$(CMAKE) --build build-fuzz -j $(JOBS) --target movrel_fuzz recover_fuzz mkmovrel
	mkdir -p build-fuzz/seeds build-fuzz/corpus
	./build-fuzz/tools/mkmovrel build-fuzz/seeds/notes FUZZ \
	  Personal examples/notes/personal.txt Shopping examples/notes/shopping.txt
	./build-fuzz/tools/mkmovrel build-fuzz/seeds/empty FUZZ
	printf 'PFUZZ\0' | cat - build-fuzz/seeds/notes > build-fuzz/seeds/notes-with-password
	./build-fuzz/tests/fuzz/movrel_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=4096 -print_final_stats=1 \
	  build-fuzz/corpus build-fuzz/seeds tests/fuzz/regressions
	mkdir -p build-fuzz/recover-corpus
	./build-fuzz/tests/fuzz/recover_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=4096 -print_final_stats=1 \
	  build-fuzz/recover-corpus tests/fuzz/recover_regressions

# The layers' include arrows, then clang-format (check only), clang-tidy and
# cppcheck over the project's code.
LINT_DIRS = app core cipher support tools movrel tests bench
# Quoted, so that git's pathspec (whose * also matches /) sees the patterns,
# not the shell: every .cpp and .h at any depth of these folders.
LINT_SOURCES = $(shell git ls-files -co --exclude-standard -- $(foreach d,$(LINT_DIRS),'$(d)/*.cpp' '$(d)/*.h'))
NEON_SOURCES = cipher/ecb_neon.cpp cipher/keysearch_neon.cpp
lint-packages:
	@$(NEED_PACKAGES) $(LINT_PACKAGES)

lint: lint-packages
	lint/include-arrows
	$(CMAKE) -S . -B build-lint -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DMOVREL_BENCH=ON >/dev/null
	clang-format --dry-run --Werror $(LINT_SOURCES)
	run-clang-tidy -p build-lint -quiet '$(CURDIR)/($(subst $(eval) ,|,$(LINT_DIRS)))/' > build-lint/clang-tidy.log 2>&1 \
	  || { grep -E 'warning:|error:' build-lint/clang-tidy.log; exit 1; }
	@# The NEON files, which no build here compiles for this machine, as AArch64 code (the cross
	@# compiler's headers).
	clang-tidy --quiet $(NEON_SOURCES) -- --target=aarch64-linux-gnu -std=c++17 -Icipher >> build-lint/clang-tidy.log 2>&1 \
	  || { grep -E 'warning:|error:' build-lint/clang-tidy.log; exit 1; }
	cppcheck --project=build-lint/compile_commands.json -i /usr --quiet --error-exitcode=1 --inline-suppr \
	  --enable=warning,performance,portability --library=googletest --library=posix --library=lint/myfile.cfg

# The list of what was installed is kept apart from CMake's own, which CPack
# rewrites with the package's paths.
install: build
	$(CMAKE) --install build --prefix $(PREFIX)
	cp build/install_manifest.txt build/installed-files.txt

uninstall:
	$(CMAKE) -DMANIFEST=build/installed-files.txt -DPREFIX=$(PREFIX) -P packaging/uninstall.cmake

# build/movrel_VERSION_ARCH.deb, then lintian over it; check-package also
# installs it in a fresh Debian 12 root and uses it there (root, network).
package: build
	cd build && cpack -G DEB
	@$(NEED_PACKAGES) lintian
	lintian --allow-root --fail-on error build/movrel_*.deb

check-package: package
	tests/package/check-package.sh build

clean:
	rm -rf build build-asan build-tsan build-bench build-fuzz build-lint build-arm64 build-arm64-bench
