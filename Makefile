# The one entry point: make deps | build | run | install | test | bench | fuzz | gp2x | libretro
# | libretro-cross | web | deb | dist. Each command first installs what it needs and is missing
# (tools/deps.sh, sections of tools/packages.txt), then runs the CMake presets (CMakePresets.json)
# that do the work: make run and make build install only the desktop program's packages.

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CTEST_FLAGS ?=
# SANITIZE=1: run only the sanitizer configuration's tests.
SANITIZE ?=
# make install PREFIX=...: where cmake --install puts the tree (DESTDIR is honoured too).
PREFIX ?= /usr/local
# make fuzz FUZZ_SECONDS=N: how long each fuzzer runs.
FUZZ_SECONDS ?= 300

# The command that was typed, for the one line that says what could not be installed for it.
GOAL := make $(or $(firstword $(MAKECMDGOALS)),build)
DEPS = @tools/deps.sh "$(GOAL)"

.PHONY: all deps configure build run install test test-deps test-host test-asan bench fuzz \
        gp2x libretro libretro-cross web deb dist format clean

all: build

# Every package every command needs (the npm modules come with make test, which runs their test).
deps:
	$(DEPS) build gp2x web cross deb arm64 dist test bench

configure:
	$(DEPS) build
	@cmake --preset host >/dev/null

# The desktop program and the libretro core; the tests are not compiled.
build: configure
	@cmake --build --preset host -j $(JOBS)

run: build
	@tools/run.sh

install: build
	@cmake --install build/host --prefix "$(PREFIX)"

# make test installs what every test needs (the browser test's npm modules only when it runs),
# builds everything the tests read (the host-tests build preset: every tree, the packages and the
# archives) and runs them all; then the same for the sanitizer tree.
test-deps:
	$(DEPS) $(if $(filter 1,$(SANITIZE)),,--node-modules) build gp2x web cross deb arm64 dist test

test-host: test-deps
	@cmake --preset host >/dev/null
	@cmake --build --preset host-tests -j $(JOBS)
	@ctest --preset host -j $(JOBS) $(CTEST_FLAGS)

test-asan: test-deps
	@cmake --preset host-asan >/dev/null
	@cmake --build --preset host-asan -j $(JOBS)
	@ctest --preset host-asan -j $(JOBS) $(CTEST_FLAGS)

ifeq ($(SANITIZE),1)
test: test-asan
else
test: test-host test-asan
endif

# The console binary, build/gp2x/plasmaballs.gpe.
gp2x:
	$(DEPS) build gp2x
	@cmake --preset gp2x >/dev/null
	@cmake --build --preset gp2x -j $(JOBS)

# The page, build/web/page/ (index.html, plasmaballs.js, plasmaballs.wasm, manifest, icons, worker).
web:
	$(DEPS) build web
	@cmake --preset web >/dev/null
	@cmake --build --preset web -j $(JOBS)

# The libretro core, build/host/plasmaballs_libretro.so (make build builds it too).
libretro: configure
	@cmake --build --preset host -j $(JOBS) --target plasmaballs_libretro

# The libretro core for the players' other machines (the rows of cmake/Machines.cmake), each in
# its tree build/libretro-MACHINE/ with the small frontend its tests run there.
libretro-cross: configure
	$(DEPS) build cross
	@cmake --build --preset host --target libretro_cross

# The two Debian packages for this machine and for arm64 (cross-built), each from a clean copy
# of the tree into build/deb/, checked with lintian.
deb: configure
	$(DEPS) build deb arm64
	@cmake --build --preset host --target deb

# The release in build/dist/: the archives (the source, the console's, the page's), the
# packages and SHA256SUMS, reproducible.
dist: configure
	$(DEPS) build gp2x web deb arm64 dist
	@cmake --build --preset host --target dist

# Every measurement that can run here, each building what it needs through the desktop tree;
# one that cannot says why in one line, the others go on, and the status is then non-zero.
bench: build
	$(DEPS) build gp2x cross test bench
	@cmake --preset host >/dev/null
	@build/host/bench/run-bench

# The libFuzzer targets, built with clang by the fuzz preset into build/fuzz, each run for
# FUZZ_SECONDS (make test runs them 15 s each).
fuzz:
	$(DEPS) build test
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS)
	@tests/fuzz/run_fuzzers.sh build/fuzz/tests/fuzz build/fuzz/work $(FUZZ_SECONDS)

format:
	@git ls-files '*.cpp' '*.h' '*.c' | xargs clang-format -i

clean:
	rm -rf build
