#!/usr/bin/env bash
# Stores the last section of a PE image without its zero-initialised tail.
#
#   cmake/trim-zero-tail.sh IMAGE
#
# A section's memory may be larger than the bytes stored for it: the loader
# fills the rest with zeroes (VirtualSize > SizeOfRawData), as in the usual
# .data section that holds the .bss. ld stores such zeroes in full when the
# zero-initialised data shares a section with other data, so this drops the
# zero bytes at the end of the last section, keeps the file alignment, and
# puts the headers' sizes and checksum right. Only the file changes; what the
# loader maps is the same.
set -euo pipefail
image=$1

u16() { od -An -tu2 -j "$1" -N2 "$image" | tr -d ' '; }
u32() { od -An -tu4 -j "$1" -N4 "$image" | tr -d ' '; }
put32() { # offset value: writes a little-endian 32-bit value in place
    printf "$(printf '\\%03o' $(($2 & 255)) $(($2 >> 8 & 255)) $(($2 >> 16 & 255)) $(($2 >> 24)))" |
        dd of="$image" bs=1 seek="$1" conv=notrunc status=none
}

pe=$(u32 60)
[[ $(u32 "$pe") == 17744 ]] || { echo "$image: no PE signature" >&2; exit 1; }
optional=$((pe + 24))
sections=$(u16 $((pe + 6)))
alignment=$(u32 $((optional + 36)))
last=$((optional + $(u16 $((pe + 20))) + 40 * (sections - 1)))
stored=$(u32 $((last + 16)))
start=$(u32 $((last + 20)))
size=$(stat -c %s "$image")
if ((start + stored != size)); then
    echo "$image: the last section entry does not end the file ($start + $stored != $size)" >&2
    exit 1
fi

# Bytes up to and including the last nonzero one, rounded up to the alignment.
used=$(tail -c "$stored" "$image" | od -An -v -tu1 -w1 | awk '$1 != 0 {n = NR} END {print n + 0}')
kept=$(((used + alignment - 1) / alignment * alignment))
((kept < stored)) || exit 0

put32 $((last + 16)) "$kept"
put32 $((optional + 8)) $(($(u32 $((optional + 8))) - (stored - kept))) # SizeOfInitializedData
truncate -s $((start + kept)) "$image"

# The checksum: 16-bit words summed with the carry folded back in, its own
# field left out, plus the file's length.
checksum=$((optional + 64))
sum=$(od -An -v -tu2 -w2 "$image" | awk -v skip=$((checksum / 2 + 1)) '
    NR != skip && NR != skip + 1 {s += $1; s = s % 65536 + int(s / 65536)}
    END {print s % 65536 + int(s / 65536)}')
put32 "$checksum" $((sum + $(stat -c %s "$image")))
