# Thin wrapper round CMake. Build trees:
#   build/        the normal build (tests included)
#   build-asan/   everything under AddressSanitizer + UndefinedBehaviorSanitizer
#   build-bench/  optimised benchmarks
#   build-fuzz/   clang + libFuzzer; build-lint/  compile commands for the linters
JOBS ?= $(shell nproc)
MAKEFLAGS += --no-print-directory
CMAKE ?= cmake
CTEST ?= ctest
PREFIX ?= /usr/local

.PHONY: all build configure check check-packages check-normal check-sanitize demo demo-db bench \
  fuzz lint lint-packages install clean

# Debian packages each target needs beyond g++, cmake and make (the build
# needs libssl-dev for movrel's SHA-256 and nothing else: without GoogleTest
# the suites are left out).
# configure, check-packages and lint-packages install what is missing (as
# root) or stop with the command to run.
CHECK_PACKAGES = cmake g++ make libssl-dev libgtest-dev valgrind gdb python3 devscripts
LINT_PACKAGES = cmake g++ make libssl-dev libgtest-dev libbenchmark-dev clang-format clang-tidy cppcheck
BUILD_PACKAGES = cmake g++ make libssl-dev
NEED_PACKAGES = scripts/need-packages

all: build

configure:
	@$(NEED_PACKAGES) $(BUILD_PACKAGES)
	$(CMAKE) -S . -B build -DCMAKE_INSTALL_PREFIX=$(PREFIX) >/dev/null

build: configure
	$(CMAKE) --build build -j $(JOBS)

# Every test, in the normal build and again under the sanitizers. A test that
# cannot run here is reported by ctest as skipped, with the reason in its output.
check: check-normal check-sanitize

check-packages:
	@$(NEED_PACKAGES) $(CHECK_PACKAGES)

check-normal: check-packages build
	$(CTEST) --test-dir build --output-on-failure --no-tests=error -j $(JOBS)

check-sanitize: check-packages
	$(CMAKE) -S . -B build-asan -DMOVREL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
	$(CMAKE) --build build-asan -j $(JOBS)
	$(CTEST) --test-dir build-asan --output-on-failure --no-tests=error -j $(JOBS)

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
# database (bench/whole_run.sh), then the optimised Google Benchmark programs.
BENCH_RUNS ?= 7
bench: build
	@$(NEED_PACKAGES) cmake g++ make libssl-dev libbenchmark-dev openssl
	bench/whole_run.sh build $(BENCH_RUNS)
	$(CMAKE) -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DMOVREL_BENCH=ON -DMOVREL_TESTS=OFF >/dev/null
	$(CMAKE) --build build-bench -j $(JOBS)
	@for program in build-bench/bench/*_bench; do echo "== $$program"; $$program || exit 1; done

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
lint-packages:
	@$(NEED_PACKAGES) $(LINT_PACKAGES)

lint: lint-packages
	lint/include-arrows
	$(CMAKE) -S . -B build-lint -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DMOVREL_BENCH=ON >/dev/null
	clang-format --dry-run --Werror $(LINT_SOURCES)
	run-clang-tidy -p build-lint -quiet '$(CURDIR)/($(subst $(eval) ,|,$(LINT_DIRS)))/' > build-lint/clang-tidy.log 2>&1 \
	  || { grep -E 'warning:|error:' build-lint/clang-tidy.log; exit 1; }
	cppcheck --project=build-lint/compile_commands.json -i /usr --quiet --error-exitcode=1 --inline-suppr \
	  --enable=warning,performance,portability --library=googletest --library=posix --library=lint/myfile.cfg

install: build
	$(CMAKE) --install build --prefix $(PREFIX)

clean:
	rm -rf build build-asan build-bench build-fuzz build-lint
