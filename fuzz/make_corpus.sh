#!/usr/bin/env bash
# Writes the seed corpus of every fuzz target into BUILD/corpus/<target>/ with BUILD's
# fuzz_seeds (built first when needed). Seeds replace files of the same name; what the fuzzer
# added to the corpus stays.
#   fuzz/make_corpus.sh [BUILD]     (default: build-fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-fuzz}
if [ ! -f "$build/CMakeCache.txt" ]; then
    echo "make_corpus.sh: $build is not a configured build tree" >&2
    exit 2
fi
cmake --build "$build" -j2 --target fuzz_seeds >/dev/null
"$build/bin/fuzz_seeds" "$build/corpus"
for folder in "$build"/corpus/*/; do
    echo "$(basename "$folder"): $(find "$folder" -type f | wc -l) inputs"
done
