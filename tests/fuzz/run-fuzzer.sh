#!/usr/bin/env bash
# run-fuzzer.sh FUZZER SEED_DIR SECONDS: fuzz a scratch copy of the seeds; a crash, leak or
# timeout makes libFuzzer exit non-zero, which fails the test.
set -euo pipefail
fuzzer=$1 seeds=$2 seconds=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$work/artifacts"
cp -r "$seeds"/. "$work/corpus/" 2>/dev/null || true
"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
  -artifact_prefix="$work/artifacts/" "$work/corpus"
