#!/usr/bin/env bash
# Regenerates examples/sample-server/ from examples/sample-server.description.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/native -DQUILLON_WERROR=ON >/dev/null
cmake --build build/native -j2 --target make_sample >/dev/null
rm -rf examples/sample-server
mkdir -p examples/sample-server
./build/native/make_sample examples/sample-server.description tests/fixtures/minimal.hive examples/sample-server
echo "examples/sample-server regenerated"
