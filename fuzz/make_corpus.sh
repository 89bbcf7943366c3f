#!/usr/bin/env bash
# Writes the seed inputs of every fuzz target into fuzz/corpus/<target>/ (run from anywhere;
# the files are small and kept in the repository). The layouts are described at the top of each
# fuzz_<target>.cpp.
set -euo pipefail
cd "$(dirname "$0")"
rm -rf corpus
mkdir -p corpus/{store,sim_store,usbscan,save,color}

# n bytes of value $2 (as a printf escape), e.g. fill 3 '\x70'.
fill() { local i; for ((i = 0; i < $1; i++)); do printf "$2"; done; }

# store: a 256-byte image table, then store bytes.
{ printf '\x00\x20\x41\x41\xc1\x30\x00'; fill 249 '\x70'; fill 512 '\x80'; } >corpus/store/mixed
{ fill 256 '\x70'; } >corpus/store/empty
{ fill 256 '\xff'; fill 64 '\x10'; } >corpus/store/erased
{ printf '\x61\x61\x61\xe1\xe1\x20'; fill 250 '\x70'; fill 300 '\x33'; } >corpus/store/clips

# sim_store: entries of kind, name length, name, zeros in 256-byte units, data length, data.
still() { # name zeros-low zeros-high header
    printf '\x00'; printf "\\x$(printf %02x ${#1})%s" "$1"
    printf "$2$3"; printf "\\x$(printf %02x ${#4})\\x00%s" "$4"
}
still 01.ppm '\x84' '\x03' $'P6\n320 240\n255\n' >corpus/sim_store/one_still
{ still 02.v8-a.ppm '\xe1' '\x00' $'P6\n160 120\n255\n'
  still 03.v8-a.ppm '\xe1' '\x00' $'P6\n160 120\n255\n'; } >corpus/sim_store/clip
{ printf '\x02\x05a.ppm\x00\x00\x0bmissing.ppm'; } >corpus/sim_store/dangling_link
{ printf '\x01\x05d.ppm\x00\x00\x00\x00'; printf '\x00\x09notes.txt\x00\x00\x02\x00hi'; } \
    >corpus/sim_store/not_pictures
{ still 04.ppm '\x00' '\x00' $'P6\n# comment\n320 240\n255\nshort'; } >corpus/sim_store/short

# usbscan: eight script bytes (read 1 byte, write, descriptor, bulk 1 byte, ...), then replies.
{ printf '\x04\x01\x02\x07\x04\x01\x02\x07'
  printf '\x01\x00\x00\x00\x01\x00\x00\x00\x20'
  printf '\x01\x00\x00\x00\x00\x00\x00\x00'
  printf '\x01\x00\x00\x00\x08\x00\x00\x00\x34\x12\x78\x56\x00\x00\x00\x00'
  printf '\x01\x00\x00\x00\x01\x00\x00\x00\x99'; } >corpus/usbscan/good_replies
{ printf '\x04\x04\x04\x04\x04\x04\x04\x04'
  printf '\x01\x00\x00\x00\x09\x00\x00\x00'; fill 9 '\x01'; } >corpus/usbscan/oversized_reply
{ printf '\x1b\x1b\x1b\x1b\x1b\x1b\x1b\x1b'
  printf '\x00\x00\x00\x00\x00\x10\x00\x00'; fill 4096 '\x55'; } >corpus/usbscan/bulk

# save: a BITMAPINFOHEADER (40 bytes), then rows padded to 4 bytes.
header() { # width height(4 bytes each, little-endian escapes) bits
    printf '\x28\x00\x00\x00'; printf "$1$2"; printf "\\x01\\x00$3\\x00"; fill 24 '\x00'
}
{ header '\x02\x00\x00\x00' '\x02\x00\x00\x00' '\x18'; fill 16 '\x7f'; } >corpus/save/two_by_two
{ header '\x03\x00\x00\x00' '\xfe\xff\xff\xff' '\x18'; fill 24 '\x40'; } >corpus/save/top_down
{ header '\x04\x00\x00\x00' '\x01\x00\x00\x00' '\x08'; fill 4 '\x01'; } >corpus/save/gray

# color: call, width, height, second width and height, 12 settings bytes, pixels.
for call in $(seq 0 13); do
    { printf "\\x$(printf %02x "$call")"
      printf '\x10\x00\x0c\x00\x18\x00\x10\x00'
      printf '\x02\x01\x01\x20\x20\x20\x20\x01\x20\x1a\x03\x00'
      for v in 0 40 80 120 160 200 240 30 70 110 150 190 230 20 60 100; do
          printf "\\x$(printf %02x $v)"
      done; } >"corpus/color/call_$call"
done
{ printf '\x05\x00\x84\x00\x83\x00\x84\x00\x83'; fill 12 '\x20'; fill 16 '\x90'; } \
    >corpus/color/rescale_full_size
