# Thin wrapper round CMake. Build trees:
#   build/        the normal build (tests included)
#   build-asan/   everything under AddressSanitizer + UndefinedBehaviorSanitizer
#   build-bench/  optimised benchmarks
JOBS ?= $(shell nproc)
CMAKE ?= cmake
CTEST ?= ctest
PREFIX ?= /usr/local

.PHONY: all build check check-normal check-sanitize demo bench install clean

all: build

build:
	$(CMAKE) -S . -B build -DCMAKE_INSTALL_PREFIX=$(PREFIX) >/dev/null
	$(CMAKE) --build build -j $(JOBS)

# Every test, in the normal build and again under the sanitizers.
check: check-normal check-sanitize

check-normal: build
	$(CTEST) --test-dir build --output-on-failure -j $(JOBS)

check-sanitize:
	$(CMAKE) -S . -B build-asan -DMOVREL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
	$(CMAKE) --build build-asan -j $(JOBS)
	$(CTEST) --test-dir build-asan --output-on-failure -j $(JOBS)

demo: build
	./build/app/movrelview examples/demo.pdb

bench:
	$(CMAKE) -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DMOVREL_BENCH=ON -DMOVREL_TESTS=OFF >/dev/null
	$(CMAKE) --build build-bench -j $(JOBS)
	@for program in build-bench/bench/*_bench; do echo "== $$program"; $$program || exit 1; done

install: build
	$(CMAKE) --install build --prefix $(PREFIX)

clean:
	rm -rf build build-asan build-bench
