#!/usr/bin/env bash
# Times `mailwright convert` on generated mailboxes beside the I/O floor of
# the same run: reading the PST once (cat FILE > /dev/null) plus a plain copy
# of as many bytes as the conversion wrote.
#
#   bench/convert.sh [options]
#     --build DIR         build tree with src/mailwright and tests/mkpst (default: build)
#     --baseline DIR      also time this build tree's mailwright in the same run, for
#                         before/after figures (e.g. an older commit built beside it)
#     --sizes LIST        mailbox sizes, of 300mb and 3gb (default: 300mb,3gb)
#     --attachments LIST  attachment sizes in KB, of 16 and 64 (default: 16,64)
#     --formats LIST      mbox and/or eml (default: mbox,eml)
#     --repeat N          runs of each conversion and of its floor; the median wall
#                         time is shown, with the CPU time and peak memory of that
#                         run, beside the median floor (default: 1)
#     -j N                passed on to the build's convert as -j N (its number of
#                         workers); the baseline runs as it is
#     --data DIR          where the mailboxes are kept (default: BUILD/bench-convert);
#                         they are written once and reused by later runs
#
#   bench/convert.sh --sizes 300mb                     # the quick cases alone
#   bench/convert.sh --sizes 300mb --attachments 16 --formats mbox --baseline ../old/build
#
# Mailboxes have 10 folders and about 16 KB or 64 KB of attachment per
# message: many small messages (per-message work dominates) or fewer large
# ones (copying bytes dominates). Caches are warm: each input is read before
# it is timed. The output of each run is removed after it is measured.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
baseline=""
sizes=300mb,3gb
attachments=16,64
formats=mbox,eml
repeat=1
jobs=()
options=()
data=""
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build="$2"; shift 2 ;;
    --baseline) baseline="$2"; shift 2 ;;
    --sizes) sizes="$2"; shift 2 ;;
    --attachments) attachments="$2"; shift 2 ;;
    --formats) formats="$2"; shift 2 ;;
    --repeat) repeat="$2"; shift 2 ;;
    -j) jobs=(-j "$2"); shift 2 ;;
    --data) data="$2"; shift 2 ;;
    -h|--help) sed -n '2,/^set -e/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) echo "unknown option $1 (see --help)" >&2; exit 64 ;;
  esac
done
data="${data:-$build/bench-convert}"
mkpst="$build/tests/mkpst"
programs=("$build/src/mailwright")
[ -n "$baseline" ] && programs+=("$baseline/src/mailwright")
for program in "$mkpst" "${programs[@]}"; do
  [ -x "$program" ] || { echo "missing $program: build first (scripts/build)" >&2; exit 1; }
done
mkdir -p "$data"
out="$data/out"
trap 'rm -rf "$out" "$data/copy"' EXIT

# Messages per mailbox: about 300 MB or 3 GB of PST.
messages_for() {  # size attachment_kb
  case "$1:$2" in
    300mb:16) echo 20000 ;;
    300mb:64) echo 7400 ;;
    3gb:16) echo 200000 ;;
    3gb:64) echo 74000 ;;
    *) echo "no mailbox of $1 with $2 KB attachments" >&2; exit 64 ;;
  esac
}

# Runs a command and prints "seconds cpu_seconds peak_kb": wall time, user
# and system time, and the largest peak resident memory among the processes
# it ran.
measure() {
  python3 - "$@" <<'PY'
import resource, subprocess, sys, time
start = time.monotonic()
subprocess.run(sys.argv[1:], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
elapsed = time.monotonic() - start
usage = resource.getrusage(resource.RUSAGE_CHILDREN)
print(f"{elapsed:.2f} {usage.ru_utime + usage.ru_stime:.2f} {usage.ru_maxrss}")
PY
}

bytes_of() { du -sbL "$1" | cut -f1; }  # -L: a mailbox may be a link to a kept file
calc() { awk "BEGIN { printf \"%.2f\", $1 }"; }
mb() { calc "$1 / 1048576"; }

printf '%-28s %-10s %8s %8s %8s %8s %8s\n' "mailbox, format" "program" "wall s" "cpu s" \
  "peak MB" "floor s" "x floor"
for size in ${sizes//,/ }; do
  for kb in ${attachments//,/ }; do
    messages=$(messages_for "$size" "$kb")
    pst="$data/mailbox-$size-${kb}kb.pst"
    if [ ! -f "$pst" ]; then
      echo "(writing $pst: $messages messages)" >&2
      "$mkpst" --quiet --folders 10 --messages "$messages" --attachment-kb "$kb" "$pst.part"
      mv "$pst.part" "$pst"
    fi
    cat "$pst" > /dev/null  # warm the cache
    pst_mb=$(mb "$(bytes_of "$pst")")
    for format in ${formats//,/ }; do
      for program in "${programs[@]}"; do
        label=baseline options=()
        [ "$program" = "${programs[0]}" ] && label=build options=("${jobs[@]}")
        runs=()
        for ((i = 0; i < repeat; i++)); do
          rm -rf "$out"
          runs+=("$(measure "$program" convert "$pst" -o "$out" --mail-format "$format" --quiet \
            "${options[@]}")")
          out_bytes=$(bytes_of "$out")
        done
        rm -rf "$out"
        read -r wall cpu peak_kb < <(printf '%s\n' "${runs[@]}" | sort -n | sed -n "$(((repeat + 1) / 2))p")
        # The floor of this run: one read of the PST and one plain copy of as
        # many bytes as the conversion wrote, measured as often as the
        # conversion was and taken at the median, as the conversion is.
        floors=()
        for ((i = 0; i < repeat; i++)); do
          read -r cat_s _ _ < <(measure sh -c "cat '$pst' > /dev/null")
          read -r copy_s _ _ < <(measure sh -c \
            "while cat '$pst'; do :; done | head -c $out_bytes > '$data/copy'")
          rm -f "$data/copy"
          floors+=("$(calc "$cat_s + $copy_s")")
        done
        floor=$(printf '%s\n' "${floors[@]}" | sort -n | sed -n "$(((repeat + 1) / 2))p")
        printf '%-28s %-10s %8s %8s %8s %8s %8s\n' "$size ${kb}KB ($pst_mb MB) $format" "$label" \
          "$wall" "$cpu" "$(mb "$peak_kb * 1024")" "$floor" "$(calc "$wall / $floor")"
      done
    done
  done
done
echo
echo "cpu s: user + system time; peak MB: largest peak resident memory of the run's"
echo "processes; floor s: cat of the PST + a copy of the output's size, measured after"
echo "each conversion; x floor: wall s / floor s."
