#!/usr/bin/env bash
# Fails when the given x86 object file or static library holds any x87
# instruction (FSIN, FCOS, FSQRT, loads and stores of 80-bit values, or any
# other): a build with KEYVALE_DIGITS=soft must compute its digits without
# the unit. Prints the offending instructions.
set -euo pipefail
library="$1"
listing=$(objdump -d --no-show-raw-insn -M intel "$library")
if ! grep -qE $'\t''ret' <<<"$listing"; then
  echo "check-no-x87: no disassembly of $library" >&2
  exit 2
fi
# Every x87 mnemonic starts with "f"; no SSE or integer one does.
found=$(grep -E $'\t''f[a-z0-9]*( |$)' <<<"$listing" || true)
if [[ -n "$found" ]]; then
  echo "check-no-x87: x87 instructions in $library:" >&2
  # Counted by mnemonic; the names the digits would come from first.
  awk -F'\t' '{ split($2, word, " "); print word[1] }' <<<"$found" | sort | uniq -c |
    sort -k2 | grep -E ' (fsin|fcos|fsqrt)$' >&2 || true
  awk -F'\t' '{ split($2, word, " "); print word[1] }' <<<"$found" | sort | uniq -c |
    sort -rn | head -20 >&2
  grep -ciE 'tbyte' <<<"$found" | sed 's/^/  loads or stores of 80-bit values: /' >&2
  exit 1
fi
echo "check-no-x87: $library holds no x87 instruction"
