# The one entry point: make deps | build | run | install | test | bench | fuzz | gp2x | libretro
# | web | deb | dist. Each command first installs what it needs and is missing (tools/deps.sh,
# sections of tools/packages.txt): make run and make build only the desktop program's packages.

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CTEST_FLAGS ?=
# SANITIZE=1: run only the sanitizer configuration's tests.
SANITIZE ?=
# make install PREFIX=...: where cmake --install puts the tree (DESTDIR is honoured too).
PREFIX ?= /usr/local

# The command that was typed, for the one line that says what could not be installed for it.
GOAL := make $(or $(firstword $(MAKECMDGOALS)),build)
DEPS = @tools/deps.sh "$(GOAL)"

.PHONY: all deps configure build run install test test-deps test-programs test-host test-asan \
        build-asan bench fuzz format clean

all: build

# Every package every command needs (the npm modules come with make test, which runs their test).
deps:
	$(DEPS) build gp2x web deb dist test bench

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

# make test installs what every test needs (the browser test's npm modules only when it runs).
test-deps:
	$(DEPS) $(if $(filter 1,$(SANITIZE)),,--node-modules) build gp2x web deb dist test

test-programs: test-deps configure
	@cmake --build --preset host -j $(JOBS) --target test_programs

build-asan: test-deps
	@cmake --preset host-asan >/dev/null
	@cmake --build --preset host-asan -j $(JOBS) --target all test_programs

# What the desktop tree's tests need built besides the desktop binary; each target adds itself.
TEST_PREREQUISITES := test-deps build test-programs
# (further prerequisites, one line each)
TEST_PREREQUISITES += web
TEST_PREREQUISITES += gp2x
TEST_PREREQUISITES += fuzzers
TEST_PREREQUISITES += deb
TEST_PREREQUISITES += dist

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
gp2x:
	$(DEPS) build gp2x
	@cmake --preset gp2x >/dev/null
	@cmake --build --preset gp2x -j $(JOBS)

# The browser build, build/web/ (index.html, plasmaballs.js, plasmaballs.wasm).
.PHONY: web
web:
	$(DEPS) build web
	@JOBS=$(JOBS) tools/build-web.sh

# The libretro core, build/host/plasmaballs_libretro.so (make build builds it too).
.PHONY: libretro
libretro: configure
	@cmake --build --preset host -j $(JOBS) --target plasmaballs_libretro

# The two Debian packages, built from a clean copy of the tree into build/deb/ and checked
# with lintian.
.PHONY: deb
deb:
	$(DEPS) build deb
	@JOBS=$(JOBS) tools/make-deb.sh

# The release archives in build/dist/: the source, the console's and the page's.
.PHONY: dist
dist: gp2x web
	$(DEPS) dist
	@tools/make-dist.sh

bench: build
	$(DEPS) build gp2x test bench
	@tools/bench.sh

# The libFuzzer targets, built with clang into build/host/fuzz-clang (make test runs them 15 s
# each); make fuzz runs each for FUZZ_SECONDS.
FUZZ_SECONDS ?= 300
.PHONY: fuzzers
fuzzers: build
	$(DEPS) build test
	@cmake --build --preset host --target fuzzers

fuzz: fuzzers
	@tests/fuzz/run_fuzzers.sh build/host/fuzz-clang/tests/fuzz build/host/fuzz-work $(FUZZ_SECONDS)

format:
	@git ls-files '*.cpp' '*.h' '*.c' | xargs clang-format -i

clean:
	rm -rf build
