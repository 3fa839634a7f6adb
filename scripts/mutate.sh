#!/usr/bin/env bash
# Mutation check: applies the one-line faults of tests/mutants.txt one at a time, rebuilds the
# test binaries that guard each, runs them and reports which faults no test noticed.
#
#   scripts/mutate.sh [BUILD_DIR] [MUTANTS_FILE]
#   MUTATE_CHECK=1 scripts/mutate.sh   only checks that every mutant's text is found once
#
# Each test runs in a process of its own, as ctest runs them (some state, the geotag position
# among it, lives as long as the process), and a mutant's run stops at its first failing test.
# Before any mutant, every test binary and filter of the list must pass on the unchanged sources:
# a test that fails anyway would "kill" every mutant it guards.
#
# A mutant is a block of three lines in the list:
#   @ path/to/file.cpp test_binary[:gtest_filter] [more binaries...]
#   - text of the original line (any unique part of it)
#   + what that part becomes
# The text, not a line number, finds the place, so the list survives edits elsewhere in the
# file. A mutant whose text is missing or not unique, or that does not compile, is reported and
# left out of the score. The source file is always restored, also on interruption.
set -uf  # no globbing: gtest filters carry asterisks
BUILD=${1:-build}
LIST=${2:-tests/mutants.txt}
JOBS=${JOBS:-2}
TIMEOUT=${MUTANT_TIMEOUT:-180}
cd "$(dirname "$0")/.."

[ -f "$LIST" ] || { echo "mutate: no list $LIST" >&2; exit 2; }
[ -d "$BUILD" ] || { echo "mutate: no build folder $BUILD (run make build first)" >&2; exit 2; }

backup=$(mktemp)
objbackup=$(mktemp)
current="" object="" archive=""
# The source goes back with its own time stamp and the original's object file with it, so that
# the original is not compiled again; the library archive holding the mutant's object is removed
# so that the next build archives (and links) the original anew.
restore() {
    if [ -n "$current" ]; then
        cp -p "$backup" "$current"
        if [ -n "$object" ]; then
            cp -p "$objbackup" "$object"
            rm -f "$archive"
        else
            touch "$current"  # no object kept: newer than the mutant's, so it is compiled again
        fi
        current="" object="" archive=""
    fi
}
trap 'restore; rm -f "$backup" "$objbackup"; exit 130' INT TERM
trap 'restore; rm -f "$backup" "$objbackup"' EXIT

# Replaces the unique occurrence of $2 in file $1 by $3; status 3 when missing, 4 when not unique.
apply() {
    FROM="$2" TO="$3" awk '
        BEGIN { from = ENVIRON["FROM"]; to = ENVIRON["TO"]; hits = 0 }
        { lines[NR] = $0; if (index($0, from)) { hits++; at = NR } }
        END {
            if (hits == 0) exit 3
            if (hits > 1) exit 4
            i = index(lines[at], from)
            lines[at] = substr(lines[at], 1, i - 1) to substr(lines[at], i + length(from))
            for (n = 1; n <= NR; n++) print lines[n] > FILENAME ".mutant"
        }' "$1" || return $?
    mv "$1.mutant" "$1"
}

# The binary's path, or nothing.
binary() { find "$BUILD/tests" "$BUILD" -maxdepth 1 -type f -name "$1" 2>/dev/null | head -n1; }

# Runs the tests of binary $1 that match gtest filter $2, each in a process of its own, until one
# fails. Status 0 when all pass; otherwise prints what failed.
run_tests() {
    local bin name t st
    bin=$(binary "$1")
    [ -n "$bin" ] || { echo "missing binary $1"; return 1; }
    [[ $bin == /* ]] || bin=$PWD/$bin
    while IFS= read -r name; do
        (cd "$BUILD" && timeout "$TIMEOUT" "$bin" --gtest_brief=1 --gtest_filter="$name" >/dev/null 2>&1) 2>/dev/null
        st=$?
        if [ $st -eq 124 ]; then echo "$1 $name (timeout)"; return 1; fi
        if [ $st -ne 0 ]; then echo "$1 $name"; return 1; fi
    done < <(cd "$BUILD" && "$bin" --gtest_list_tests --gtest_filter="$2" 2>/dev/null | awk '
        /^[^ ]/ { suite = $1; next }
        /^  /   { print suite $1 }')
    return 0
}

total=0 killed=0 invalid=0
survivors=() invalids=()
run_mutant() {
    local file=$1 from=$2 to=$3; shift 3
    local label="$file: '$from' -> '$to'"
    local target=$file
    if [ -n "${MUTATE_CHECK:-}" ]; then
        target=$backup.check
        cp "$file" "$target"
    else
        cp -p "$file" "$backup"
        current=$file
        local o
        o=$(find "$BUILD/CMakeFiles" -path "*.dir/$file.o" 2>/dev/null | head -n1)
        if [ -n "$o" ] && [ "$o" -nt "$file" ]; then
            local lib=${o#"$BUILD"/CMakeFiles/}
            lib=${lib%%.dir/*}
            if [ -f "$BUILD/lib$lib.a" ]; then
                cp -p "$o" "$objbackup"
                object=$o archive="$BUILD/lib$lib.a"
            fi
        fi
    fi
    apply "$target" "$from" "$to"
    local st=$?
    [ -z "${MUTATE_CHECK:-}" ] || rm -f "$target"
    if [ $st -ne 0 ]; then
        restore
        invalid=$((invalid + 1))
        invalids+=("$label ($([ $st -eq 3 ] && echo 'text not found' || echo 'text not unique'))")
        echo "?  $label: text $([ $st -eq 3 ] && echo 'not found' || echo 'not unique')"
        return
    fi
    if [ -n "${MUTATE_CHECK:-}" ]; then
        total=$((total + 1))
        return
    fi
    local targets=() filters=() t
    for t in "$@"; do
        targets+=("${t%%:*}")
        if [[ $t == *:* ]]; then filters+=("${t#*:}"); else filters+=("*"); fi
    done
    if ! cmake --build "$BUILD" -j "$JOBS" --target "${targets[@]}" >/dev/null 2>&1; then
        restore
        invalid=$((invalid + 1))
        invalids+=("$label (does not compile)")
        echo "?  $label: does not compile"
        return
    fi
    total=$((total + 1))
    local caught="" i
    for i in "${!targets[@]}"; do
        caught=$(run_tests "${targets[$i]}" "${filters[$i]}") && caught="" || break
    done
    restore
    if [ -n "$caught" ]; then
        killed=$((killed + 1))
        echo "K  $label  [$caught]"
    else
        survivors+=("$label")
        echo "S  $label  SURVIVED"
    fi
}

# The unchanged sources first: every binary and filter of the list must pass.
if [ -z "${MUTATE_CHECK:-}" ]; then
    mapfile -t guards < <(awk '/^@ / { for (i = 3; i <= NF; i++) print $i }' "$LIST" | sort -u)
    bins=()
    for g in "${guards[@]}"; do bins+=("${g%%:*}"); done
    # shellcheck disable=SC2207
    bins=($(printf '%s\n' "${bins[@]}" | sort -u))
    cmake --build "$BUILD" -j "$JOBS" --target "${bins[@]}" >/dev/null 2>&1 ||
        { echo "mutate: the unchanged sources do not build" >&2; exit 2; }
    broken=0
    for g in "${guards[@]}"; do
        filter="*"
        [[ $g == *:* ]] && filter=${g#*:}
        if failed=$(run_tests "${g%%:*}" "$filter"); then :; else
            echo "mutate: fails without any mutant: $failed" >&2
            broken=1
        fi
    done
    [ "$broken" -eq 0 ] || exit 2
fi

file="" targets="" from=""
while IFS= read -r line || [ -n "$line" ]; do
    case "$line" in
        "@ "*) read -r file targets <<<"${line#@ }" ;;
        "- "*) from=${line#- } ;;
        "+ "* | "+")
            to=${line#+}
            to=${to# }
            # shellcheck disable=SC2086
            run_mutant "$file" "$from" "$to" $targets
            ;;
    esac
done <"$LIST"

if [ -n "${MUTATE_CHECK:-}" ]; then
    echo "$total mutants apply, $invalid do not"
    [ "$invalid" -eq 0 ]
    exit
fi
# Leave the build as the sources are.
cmake --build "$BUILD" -j "$JOBS" >/dev/null 2>&1

echo
echo "killed $killed / $total ($(( total ? 100 * killed / total : 0 )) %), $invalid left out"
for s in "${survivors[@]+"${survivors[@]}"}"; do echo "survivor: $s"; done
for s in "${invalids[@]+"${invalids[@]}"}"; do echo "left out: $s"; done
[ "$total" -gt 0 ]
