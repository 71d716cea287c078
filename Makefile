# The one entry point: make deps | build | run | test | bench | fuzz | gp2x | libretro | web.
# `make run` and `make test` install what is missing and build first.

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CTEST_FLAGS ?=
# SANITIZE=1: run only the sanitizer configuration's tests.
SANITIZE ?=

.PHONY: all deps configure build run test test-host test-asan bench fuzz format clean

all: build

deps:
	@tools/deps.sh

configure:
	@cmake --preset host >/dev/null

build: deps configure
	@cmake --build --preset host -j $(JOBS)

run: build
	@tools/run.sh

build-asan: deps
	@cmake --preset host-asan >/dev/null
	@cmake --build --preset host-asan -j $(JOBS)

# What the desktop tree's tests need built besides the desktop binary; each target adds itself.
TEST_PREREQUISITES := build
# (further prerequisites, one line each)
TEST_PREREQUISITES += web
TEST_PREREQUISITES += gp2x
TEST_PREREQUISITES += fuzzers

test-host: $(TEST_PREREQUISITES)
	@ctest --preset host -j $(JOBS) $(CTEST_FLAGS)

test-asan: build-asan
	@ctest --preset host-asan -j $(JOBS) $(CTEST_FLAGS)

ifeq ($(SANITIZE),1)
test: test-asan
else
test: test-host test-asan
endif

# The console binary, build/gp2x/plasmaballs.gpe.
.PHONY: gp2x
gp2x: deps
	@cmake --preset gp2x >/dev/null
	@cmake --build --preset gp2x -j $(JOBS)

# The browser build, build/web/ (index.html, plasmaballs.js, plasmaballs.wasm).
.PHONY: web
web: deps
	@JOBS=$(JOBS) tools/build-web.sh

# The libretro core, build/host/plasmaballs_libretro.so (make build builds it too).
.PHONY: libretro
libretro: deps configure
	@cmake --build --preset host -j $(JOBS) --target plasmaballs_libretro

bench: build
	@tools/bench.sh

# The libFuzzer targets, built with clang into build/host/fuzz-clang (make test runs them 15 s
# each); make fuzz runs each for FUZZ_SECONDS.
FUZZ_SECONDS ?= 300
.PHONY: fuzzers
fuzzers: build
	@cmake --build --preset host --target fuzzers

fuzz: fuzzers
	@tests/fuzz/run_fuzzers.sh build/host/fuzz-clang/tests/fuzz build/host/fuzz-work $(FUZZ_SECONDS)

format:
	@git ls-files '*.cpp' '*.h' '*.c' | xargs clang-format -i

clean:
	rm -rf build
