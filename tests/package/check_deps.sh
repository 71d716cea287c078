#!/usr/bin/env bash
# tools/deps.sh against stand-ins for dpkg-query, apt-get and npm (nothing is installed, no
# network is used): make run asks only for the desktop program's packages, and a registry that
# cannot be reached gives one line naming what is missing and the command that needs it, after
# three tries; one that fails once is tried again; the arm64 section adds the architecture and
# asks for debian/control's build dependencies for it. And the tree configures for make run
# without the tests' packages.
#   check_deps.sh SOURCE_DIR WORK
set -euo pipefail
source=$1 work=$2
fail() {
    echo "deps: $*" >&2
    exit 1
}
rm -rf "$work"
mkdir -p "$work/bin" "$work/tree/tools" "$work/tree/debian" "$work/tree/tests/frontends/web"
cp "$source/tools/deps.sh" "$source/tools/packages.txt" "$work/tree/tools/"
cp "$source/debian/control" "$work/tree/debian/"
cp "$source/tests/frontends/web/package.json" "$work/tree/tests/frontends/web/"

# Nothing is installed; apt-get and npm fail as they do without their registries, after noting
# what they were asked for.
cat >"$work/bin/dpkg-query" <<'STANDIN'
#!/bin/sh
exit 1
STANDIN
cat >"$work/bin/apt-get" <<STANDIN
#!/bin/sh
echo "\$@" >>"$work/apt-get.calls"
echo "W: Failed to fetch http://deb.invalid/dists/bookworm/InRelease  Temporary failure resolving"
case "\$*" in *" update "*) exit 0 ;; esac
echo "E: Unable to locate package \$(echo "\$@" | tr ' ' '\n' | tail -n 1)"
exit 100
STANDIN
cat >"$work/bin/npm" <<'STANDIN'
#!/bin/sh
echo "npm ERR! code EAI_AGAIN"
echo "npm ERR! network request to the registry failed, reason: getaddrinfo EAI_AGAIN"
echo "npm ERR! A complete log of this run can be found in:"
echo "npm ERR!     /root/.npm/_logs/debug-0.log"
exit 1
STANDIN
# (Run as a user, deps.sh asks sudo, which here runs the stand-ins too, never the real apt-get.)
printf '#!/bin/sh\nexec "$@"\n' >"$work/bin/sudo"
# The pauses between tries are noted, not waited.
printf '#!/bin/sh\necho "$@" >>"%s"\n' "$work/sleep.calls" >"$work/bin/sleep"
chmod +x "$work/bin/"*
run() {
    PATH=$work/bin:$PATH "$work/tree/tools/deps.sh" "$@" >"$work/out" 2>"$work/err"
}

# make run: the desktop program's packages, none of the tests' heavy ones; one line when they
# cannot be installed.
if run "make run" build; then fail "deps.sh succeeded without its packages"; fi
asked=$(sed -n 's/.* install //p' "$work/apt-get.calls" | tr ' ' '\n' | grep -v '^-' | sort -u)
# Every package a package build depends on, from debian/control itself.
build_depends=$(sed -n '/^Build-Depends:/,/^[^ ]/p' "$source/debian/control" | tr ',' '\n' |
    sed -e 's/^Build-Depends://' -e 's/([^)]*)//g' -e 's/:[a-z0-9]*//' \
        -e 's/[[:space:]]//g' |
    grep -v -e '^$' -e '^Standards-Version' -e '^debhelper-compat$')
[[ -n $build_depends ]] || fail "no Build-Depends read from debian/control"
for package in $build_depends g++ make; do
    grep -qx "$package" <<<"$asked" || fail "make run does not ask for $package"
done
for package in chromium emscripten qemu-user clang valgrind retroarch nodejs lintian xdotool; do
    if grep -qx "$package" <<<"$asked"; then fail "make run asks for $package"; fi
done
[[ $(wc -l <"$work/err") == 1 ]] || fail "not one line on an unreachable registry: $(cat "$work/err")"
grep -q "make run needs .*libsdl2-dev" "$work/err" || fail "the line does not say what: $(cat "$work/err")"
[[ $(grep -c ' install ' "$work/apt-get.calls") == 3 ]] || fail "the install was not tried three times"

# A registry's index caught mid-sync once: the update is tried again after a pause, and the
# packages are installed.
rm -f "$work/apt-get.calls" "$work/sleep.calls"
cat >"$work/bin/apt-get" <<STANDIN
#!/bin/sh
echo "\$@" >>"$work/apt-get.calls"
case "\$*" in *update*) [ -e "$work/synced" ] || { touch "$work/synced"; exit 100; } ;; esac
STANDIN
run "make run" build || fail "deps.sh gave up on a registry that failed once: $(cat "$work/err")"
[[ $(grep -c ' update' "$work/apt-get.calls") == 2 && -s $work/sleep.calls ]] ||
    fail "the failed update was not tried again after a pause"
grep -q ' install .*libsdl2-dev' "$work/apt-get.calls" || fail "nothing installed after the retry"

# The arm64 build dependencies: the architecture is added and apt resolves debian/control's
# Build-Depends for it.
cat >"$work/bin/dpkg" <<STANDIN
#!/bin/sh
case "\$1" in
--print-architecture) echo amd64 ;;
--print-foreign-architectures) cat "$work/foreign" 2>/dev/null ;;
--add-architecture) echo "\$2" >>"$work/foreign" ;;
esac
STANDIN
printf '#!/bin/sh\nexit 1\n' >"$work/bin/dpkg-checkbuilddeps"
chmod +x "$work/bin/"*
rm -f "$work/apt-get.calls"
run "make deb" arm64 || fail "deps.sh failed on the arm64 section: $(cat "$work/err")"
[[ $(cat "$work/foreign") == arm64 ]] || fail "the arm64 architecture was not added"
grep -qx -- "-o DPkg::Lock::Timeout=1200 build-dep .* -a arm64 $work/tree" "$work/apt-get.calls" ||
    fail "apt-get was not asked for the arm64 build dependencies: $(cat "$work/apt-get.calls")"

# make test with every package there but the npm modules, and no npm registry: one line, and
# no half-made node_modules left behind.
printf '#!/bin/sh\necho "install ok installed all"\n' >"$work/bin/dpkg-query"
if run --node-modules "make test" build test; then fail "deps.sh succeeded without the npm modules"; fi
[[ $(wc -l <"$work/err") == 1 ]] || fail "not one line without npm's registry: $(cat "$work/err")"
grep -q "make test needs the browser test's node modules.*reason: getaddrinfo" "$work/err" ||
    fail "the line does not say what and why: $(cat "$work/err")"
[[ ! -e $work/tree/tests/frontends/web/node_modules ]] || fail "node_modules left behind"

# With everything there nothing is fetched.
rm -f "$work/apt-get.calls"
modules=$work/tree/tests/frontends/web/node_modules/playwright-core
mkdir -p "$modules"
pinned=$(sed -n 's/.*"playwright-core": "\(.*\)".*/\1/p' "$source/tests/frontends/web/package.json")
printf '{\n  "name": "playwright-core",\n  "version": "%s"\n}\n' "$pinned" >"$modules/package.json"
run --node-modules "make test" build test || fail "deps.sh failed with everything there: $(cat "$work/err")"
[[ ! -e $work/apt-get.calls ]] || fail "apt-get was run with everything there"
# Modules of another version than the one pinned are fetched again.
sed -i 's/^  "version": ".*"/  "version": "0.0.1"/' "$modules/package.json"
if run --node-modules "make test" build test; then fail "deps.sh kept modules of another version"; fi
grep -q "make test needs the browser test's node modules" "$work/err" ||
    fail "modules of another version were not fetched again: $(cat "$work/err")"
# With only the desktop's packages (the tests' own hidden from CMake), the tree still configures
# for make run, without the tests.
cmake -S "$source" -B "$work/configured" -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON \
    -DCMAKE_DISABLE_FIND_PACKAGE_OpenSSL=ON >"$work/configure.log" 2>&1 ||
    fail "the tree does not configure without the tests' packages: $(tail -n 3 "$work/configure.log")"
targets=$(cmake --build "$work/configured" --target help)
grep -qw plasmaballs <<<"$targets" || fail "no plasmaballs target without the tests' packages"
if grep -qw test_prerequisites <<<"$targets"; then fail "tests configured without their packages"; fi
rm -rf "$work/configured"
echo "deps: make run asks only for the desktop's packages and configures without the tests';" \
    "unreachable registries give one line"
