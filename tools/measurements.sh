# Measurements that go on when one of them cannot run, for tools/bench.sh (sourced):
#   measure NAME COMMAND...  runs COMMAND (a function or a program) in a subshell that stops at
#                            its first failing command, in command substitutions too. What it
#                            prints goes out as it comes, but its standard error is held back:
#                            when it fails, one line takes its place, "bench: NAME could not run:"
#                            and the last line it wrote there (or its status); when it succeeds,
#                            what it wrote there follows.
#   measured                 after the last: one line naming those that could not run and status
#                            1, or status 0 when every one ran.

pb_unmeasured=()
pb_measurements=0

measure() {
    local - name=$1 errors status reason
    shift
    set +e  # (a subshell tested by || or if would ignore its own set -e)
    errors=$(mktemp)
    (
        set -e
        shopt -s inherit_errexit
        "$@"
    ) 2>"$errors"
    status=$?
    pb_measurements=$((pb_measurements + 1))
    if ((status == 0)); then
        cat "$errors" >&2
    else
        reason=$(grep -v '^[[:space:]]*$' "$errors" | tail -n 1)
        echo "bench: $name could not run: ${reason:-it stopped with status $status}" >&2
        pb_unmeasured+=("$name")
    fi
    rm -f "$errors"
    return 0
}

measured() {
    if ((${#pb_unmeasured[@]} == 0)); then
        return 0
    fi
    local names
    names=$(printf '%s, ' "${pb_unmeasured[@]}")
    echo "bench: ${#pb_unmeasured[@]} of $pb_measurements measurements could not run:" \
        "${names%, }" >&2
    return 1
}
