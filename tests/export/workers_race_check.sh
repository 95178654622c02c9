#!/usr/bin/env bash
# Conversions with several workers under ThreadSanitizer: builder mailboxes of
# both variants and the real sample files, to MBOX and to EML files, with
# -j 4. Fails on the first race or lock fault the sanitizer reports (it ends
# the program with status 66), or when a conversion fails outright.
#
#   workers_race_check.sh MAILWRIGHT MKPST CORPUS_DIR
set -euo pipefail
mailwright=$1 mkpst=$2 corpus=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# ThreadSanitizer cannot start on kernels that place memory where it wants its
# own (high address randomisation); the check is skipped there, not failed.
if ! "$mailwright" --help > /dev/null 2> "$work/probe"; then
  if grep -q "ThreadSanitizer" "$work/probe"; then
    echo "skipped: ThreadSanitizer cannot run on this machine: $(head -n 1 "$work/probe")"
    exit 77
  fi
  cat "$work/probe" >&2
  exit 1
fi

inputs=()
for variant in unicode ansi; do
  "$mkpst" --quiet --folders 3 --messages 150 --attachment-kb 8 "--$variant" "$work/$variant.pst"
  inputs+=("$work/$variant.pst")
done
[ -d "$corpus" ] && inputs+=("$corpus"/*.pst "$corpus"/*.ost)

for input in "${inputs[@]}"; do
  for format in mbox eml; do
    rm -rf "$work/out"
    status=0
    "$mailwright" convert "$input" -o "$work/out" --mail-format "$format" --quiet -j 4 \
      > /dev/null 2> "$work/stderr" || status=$?
    # 0: converted; 3: converted with items named as skipped in the report.
    if [ "$status" -ne 0 ] && [ "$status" -ne 3 ]; then
      echo "$(basename "$input") to $format: status $status" >&2
      cat "$work/stderr" >&2
      exit 1
    fi
  done
done
echo "${#inputs[@]} files converted to mbox and eml with 4 workers, no reports"
