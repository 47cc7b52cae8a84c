#!/usr/bin/env bash
# quillon --help, the manual page and the bash completion name the same
# options: an option added to the program but not documented, or documented
# but gone from the program, fails this check.
#   bash tests/packaging/options_documented.sh QUILLON MANUAL COMPLETION
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 QUILLON MANUAL COMPLETION" >&2; exit 2; }

options() { grep -oE -- '--[a-z][a-z-]*' | LC_ALL=C sort -u; }
help=$("$1" --help | options)
# The manual's source writes a dash as \-; its comment lines do not count.
manual=$(grep -v '^\.\\"' "$2" | sed 's/\\-/-/g' | options)
completion=$(grep -v '^[[:space:]]*#' "$3" | options)

status=0
for name in manual completion; do
  listed=${!name}
  if [ "$help" != "$listed" ]; then
    echo "FAIL: the $name and --help differ ('<' only in --help, '>' only in the $name):"
    diff <(printf '%s\n' "$help") <(printf '%s\n' "$listed") | grep '^[<>]' || true
    status=1
  fi
done
[ "$status" != 0 ] || echo "ok: --help, the manual and the completion list the same $(wc -l <<<"$help") options"
exit "$status"
