#!/usr/bin/env bash
# The release is reproducible: a clean copy of the tree in another folder, built again later
# with make dist, gives the same bytes as the tree's own build (make test made it first): every
# archive and package SHA256SUMS lists, and the console binary.
#   check_reproducible.sh SOURCE_DIR WORK
set -euo pipefail
source=$1 work=$2
fail() {
    echo "reproducible: $*" >&2
    exit 1
}
for built in build/dist/SHA256SUMS build/gp2x/plasmaballs.gpe; do
    [[ -f $source/$built ]] || fail "$source/$built is missing (make dist)"
done

# A release made from another commit cannot be made again from this one: say so, not "differs".
if [[ -e $source/.git ]]; then
    made=$(zcat "$source"/build/dist/plasmaballs-*.tar.gz | git get-tar-commit-id || true)
    [[ $made == "$(git -C "$source" rev-parse HEAD)" ]] ||
        fail "build/dist was made from another commit than the checkout's (make dist)"
fi

rm -rf "$work"
copy=$work/plasmaballs
mkdir -p "$copy"
# The same commit (its time is the release's) and the same files, uncommitted changes included.
if [[ -e $source/.git ]]; then
    git clone -q --no-checkout "$source" "$copy"
    git -C "$copy" reset -q "$(git -C "$source" rev-parse HEAD)"
fi
(cd "$source" && tools/tree-files.sh | tar --null -T - -cf -) | tar -xf - -C "$copy"

start=$SECONDS
# (Not the jobs of a make that runs this test.)
env -u MAKEFLAGS -u MFLAGS -u MAKELEVEL make -C "$copy" dist JOBS=2 >"$work/make.log" 2>&1 ||
    fail "make dist failed in the copy: $(tail -n 3 "$work/make.log")"
echo "reproducible: the second build took $((SECONDS - start)) s"

differing=$(diff "$source/build/dist/SHA256SUMS" "$copy/build/dist/SHA256SUMS" |
    sed -n 's/^[<>] [0-9a-f]*  //p' | sort -u || true)
[[ -z $differing ]] || fail "these differ in the second build: $(echo $differing)"
cmp -s "$source/build/gp2x/plasmaballs.gpe" "$copy/build/gp2x/plasmaballs.gpe" ||
    fail "the second build's plasmaballs.gpe differs"
rm -rf "$work"
echo "reproducible: $(wc -l <"$source/build/dist/SHA256SUMS") archives and packages and the" \
    "console binary are the same bytes in a second build"
