#!/usr/bin/env bash
# Times `mailwright convert` on a large generated mailbox with attachments,
# beside the I/O floor of the same run: reading the PST once (cat FILE >
# /dev/null) and a plain copy of as many bytes as the conversion wrote. Also
# converts a mailbox a tenth the size to show that peak memory does not grow
# with the mailbox.
#
#   bench/convert.sh [BUILD_DIR] [MESSAGES] [ATTACHMENT_KB]
#   bench/convert.sh build 80000 64        # about 3 GB of PST (the default)
#
# The files go to BUILD_DIR/bench-convert and are removed at the end. Both
# formats are timed; caches are warm (each input is read once before).
set -euo pipefail
cd "$(dirname "$0")/.."

build="${1:-build}"
messages="${2:-80000}"
attachment_kb="${3:-64}"
work="$build/bench-convert"
mailwright="$build/src/mailwright"
mkpst="$build/tests/mkpst"
for program in "$mailwright" "$mkpst"; do
  [ -x "$program" ] || { echo "missing $program: build first (scripts/build)" >&2; exit 1; }
done

rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

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

bytes_of() { du -sb "$1" | cut -f1; }
calc() { awk "BEGIN { printf \"%.2f\", $1 }"; }
mb() { calc "$1 / 1048576"; }

make_mailbox() {  # name messages
  "$mkpst" --quiet --folders 30 --messages "$2" --attachment-kb "$attachment_kb" --seed 7 \
    "$work/$1.pst"
  cat "$work/$1.pst" > /dev/null  # warm the cache
}

echo "Writing the mailboxes ($messages and $((messages / 10)) messages, attachments of about ${attachment_kb} KB)..."
make_mailbox big "$messages"
make_mailbox small $((messages / 10))
pst_bytes=$(bytes_of "$work/big.pst")

read -r cat_s cat_cpu _ < <(measure sh -c "cat '$work/big.pst' > /dev/null")
printf '\n%-34s %8s %8s %8s %9s %8s\n' "" "seconds" "cpu s" "MB/s" "peak MB" "x floor"
printf '%-34s %8s %8s %8.0f\n' "cat PST ($(mb "$pst_bytes") MB) > /dev/null" "$cat_s" "$cat_cpu" \
  "$(calc "$pst_bytes / 1048576 / $cat_s")"

for format in mbox eml; do
  read -r conv_s conv_cpu conv_kb < <(measure "$mailwright" convert "$work/big.pst" -o "$work/out-$format" \
    --mail-format "$format" --quiet)
  out_bytes=$(bytes_of "$work/out-$format")
  # The floor's write half: a plain copy of as many bytes as were written.
  read -r copy_s copy_cpu _ < <(measure sh -c \
    "while cat '$work/big.pst'; do :; done | head -c $out_bytes > '$work/copy'")
  rm -f "$work/copy"
  rm -rf "$work/out-$format"
  read -r small_s small_cpu small_kb < <(measure "$mailwright" convert "$work/small.pst" \
    -o "$work/small-$format" --mail-format "$format" --quiet)
  rm -rf "$work/small-$format"
  printf '%-34s %8s %8s %8.0f\n' "copy of $(mb "$out_bytes") MB" "$copy_s" "$copy_cpu" \
    "$(calc "$out_bytes / 1048576 / $copy_s")"
  printf '%-34s %8s %8s %8.0f %9s %8.2f\n' "convert --mail-format $format" "$conv_s" \
    "$conv_cpu" "$(calc "$pst_bytes / 1048576 / $conv_s")" "$(mb "$conv_kb * 1024")" \
    "$(calc "$conv_s / ($cat_s + $copy_s)")"
  printf '%-34s %8s %8s %8s %9s\n' "  same, a tenth of the mailbox" "$small_s" "$small_cpu" "" \
    "$(mb "$small_kb * 1024")"
done
echo
echo "x floor: convert seconds / (cat seconds + copy seconds); MB/s: PST bytes (output"
echo "bytes for the copy) per second; peak MB: peak resident memory of the conversion."
