#!/bin/sh
# Rewrites the golden files of the writers (tests/formats/golden) from the
# current writers, then shows what changed for review.
#   tests/formats/regenerate_golden.sh [BUILD_DIR]   (default: build)
set -eu
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build_dir=${1:-"$source_dir/build"}
cmake --build "$build_dir" --target test_formats
MW_REGENERATE_GOLDEN=1 "$build_dir/tests/test_formats" --gtest_filter='*Golden*'
git -C "$source_dir" status --short -- tests/formats/golden
git -C "$source_dir" diff --stat -- tests/formats/golden
