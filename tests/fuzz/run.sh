#!/usr/bin/env bash
# One fuzz target's run in the test command: every seed of its committed
# corpus first, then new inputs for a few seconds. A crash, a hang past the
# time-out, a leak or an allocation past the limit fails the run; libFuzzer
# names the input it wrote, which goes into tests/fuzz/corpus/<name>/ once
# the fault is mended. What the run learns stays in WORK_DIR, never in the
# repository.
#   run.sh TARGET CORPUS_DIR WORK_DIR SECONDS
set -euo pipefail
target="$(realpath -m "$1")"
corpus="$(realpath -m "$2")"
work="$(realpath -m "$3")"
seconds="$4"
if [ ! -x "$target" ]; then
  echo "$target is not built (the fuzz_build test builds it)" >&2
  exit 1
fi
rm -rf "$work"
mkdir -p "$work/new"
cd "$work"
exec "$target" -max_total_time="$seconds" -timeout=60 -rss_limit_mb=3072 -artifact_prefix="$work/" \
  -print_final_stats=1 "$work/new" "$corpus"
