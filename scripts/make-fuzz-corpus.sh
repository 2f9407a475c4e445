#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the seed corpora of the fuzz targets into tests/fuzz/corpus/: the edge-case captures
# of the tests, a few small generated captures, single frames, colour files, payloads with
# their dump settings and field definition files. Rerun it after changing a seed here; the files are kept in the repository.
# Usage: scripts/make-fuzz-corpus.sh [DRFDUMP]   (default: build/drfdump next to the sources)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
drfdump=${1:-"$root/build/drfdump"}
corpus="$root/tests/fuzz/corpus"
rm -rf "$corpus"/{reader,framerecord,colorfile,payloaddump,definitions,filter}
mkdir -p "$corpus"/{reader,framerecord,colorfile,payloaddump,definitions,filter}

# seed TARGET NAME PRINTF_FORMAT...: one corpus file from printf escapes.
seed() {
    local target=$1 name=$2
    shift 2
    printf "$@" > "$corpus/$target/$name"
}

# Little-endian words of frames in the capture layout.
one='\x28\x00\x00\x00\x05\x00\x00\x00\x44\x33\x22\x11'       # code 1, Data Channel A, time 5
code0='\x09\x00\x00\x00\x07\x00\x00\x00\x00\x00\x00\xAB'     # code 0, CTS 1, one byte AB
code5='\xA2\x00\x00\x00\x64\x00\x00\x00'                      # code 5 header and time 100
code7='\xE0\x00\x00\x00\x01\x00\x00\x00'                      # code 7: no payload, invalid
wrap='\x28\x00\x00\x00\xFF\xFF\xFF\xFF\x01\x02\x03\x04'      # code 1 with time delta 2^32 - 1

# The reader: tags, DATA LIST variants, frame blocks and what follows them.
seed reader one-frame.drf3 "{TYPE:X}{DATA LIST-12:#$one"
seed reader one-frame-closed.drf3 "{TYPE:X}{DATA LIST-12:#$one}"
seed reader closed-then-data.drf3 "{DATA LIST-12:#$one}trailing data"
seed reader no-hyphen.drf3 '{DATA LIST:#'
seed reader length-zero.drf3 '{DATA LIST-0:#'
seed reader length-not-number.drf3 '{DATA LIST-12a:#'
seed reader length-largest.drf3 "{DATA LIST-4294967295:#$one"
seed reader length-too-large.drf3 "{DATA LIST-4294967296:#$one"
seed reader length-with-nul.drf3 "{DATA LIST-112\x00x:#$one"
seed reader length-with-blanks.drf3 "{DATA LIST-\t+12 :#$one"
seed reader missing-hash.drf3 "{DATA LIST-5:x$one"
seed reader code7-mid-file.drf3 "{DATA LIST-40:#$one$code7$one\x7E\x7F"
seed reader code7-then-brace.drf3 "{DATA LIST-40:#$one$code7\x01\x02}\x03"
seed reader unsupported-code.drf3 "{DATA LIST-20:#$one\xE5\x01\x00\x00$one"
seed reader cut-mid-payload.drf3 "{DATA LIST-99:#$one$code5\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A"
seed reader cut-mid-header.drf3 "{DATA LIST-99:#$one$code0\x28\x00"
seed reader time-wrap.drf3 "{DATA LIST-36:#$one$wrap$wrap$code0"
seed reader no-data-list.drf3 '{TYPE:A}{COMMENT:B}junk{FRAMES:0}'
seed reader open-tag-name.drf3 '{TYPE:A}{UNCLOSED NAME'
seed reader open-tag-value.drf3 '{TYPE:A value without its brace'
seed reader colon-in-value.drf3 '{A:b:c}{DATA LIST-1-2:#}'
seed reader empty.drf3 ''
seed reader brace-only.drf3 '{DATA LIST-1:#}'
for pair in 1:1 3:2011 12:7 40:99; do
    count=${pair%%:*} s=${pair##*:}
    "$drfdump" --generate "$count" --seed "$s" -o "$corpus/reader/generated-$count-$s.drf3"
done

# Frame decoding: the first byte picks protocol version (bits 0-1) and big-endian order (bit 2).
seed framerecord code0 "\x00$code0"
seed framerecord code1 "\x00$one"
seed framerecord code2 "\x00\x44\x00\x00\x00\x00\x00\x00\x00\x01\x02\x03\x04\x05\x06\x07\x08"
seed framerecord code3 "\x00\x60\x00\x00\x00\x09\x00\x00\x00aaaabbbbcccc"
seed framerecord code4 "\x00\x81\x00\x00\x00\x09\x00\x00\x00aaaabbbbccccdddd"
seed framerecord code5 "\x00$code5""0123456789abcdef0123456789abcdef"
seed framerecord code6 "\x00\xC0\x00\x00\x00\x01\x00\x00\x00$(printf '%064d' 0)"
seed framerecord code7 "\x00$code7"
seed framerecord code15 '\x00\xE5\x01\x00\x00\x00\x00\x00\x00'
seed framerecord code8 '\x00\x00\x01\x00\x00\x00\x00\x00\x00'
seed framerecord code5-three-words "\x00$code5\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C"
seed framerecord code0-cut-word "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x01\x02"
seed framerecord short-header '\x00\x28\x00'
seed framerecord v4-frames '\x01\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F\x10\x11'
seed framerecord big-endian "\x04\x00\x00\x00\x28\x00\x00\x00\x05\x11\x22\x33\x44$one"
seed framerecord several "\x00$one$code0$wrap$one"

# Colour files, as users edit them by hand.
cp "$root/core/colors/colors3G.def" "$corpus/colorfile/colors3G.def"
cp "$root/core/colors/colorsV4.def" "$corpus/colorfile/colorsV4.def"
seed colorfile crlf 'Data Channel A;0;0;0;255;255;0\r\nData Channel B;1;2;3;4;5;6\r\n'
seed colorfile eight-fields 'Data Channel A;0;0;0;255;255;0;\nX;1;2;3;4;5;6\n'
seed colorfile empty-field 'Data Channel A;0;;0;255;255;0\n'
seed colorfile component-256 'Data Channel A;256;0;0;255;255;0\nB;1;2;3;-1;5;6\n'
seed colorfile duplicates 'A;1;1;1;1;1;1\nA;2;2;2;2;2;2\n\n;;;;;;\n'
seed colorfile numbers 'A; 12 ;+3;-0;0012;2147483648;99999999999\nB;0x10;1e2;1.5;\t7\t;255 ;\n'
seed colorfile no-final-line-end 'not impl;255;255;255;0;0;0'
seed colorfile latin1-names 'Kan\xe4l \xff;1;2;3;4;5;6\nCR\rinside;1;2;3;4;5;6\n'
seed colorfile empty ''
seed colorfile nul-inside-number 'not impl;255;255;25\x00\x00\x00\x005;0;0;0'

# Payload dumps: bytes per column (0-2 for 1, 2, 4), columns - 1, byte order and base bits,
# then payload size code, channel type, CTS bit, then the payload.
seed payloaddump hell-4x1 '\x00\x03\x00\x01\x04\x01Hell'
seed payloaddump hello-4x1-hex '\x00\x03\x02\x01\x0B\x01Hello'
seed payloaddump hello-2x2-little '\x01\x01\x01\x02\x09\x00Hello'
seed payloaddump ascii-edges '\x00\x03\x06\x00\x00\x00\x7F\x1F\x20\x7E\x80\xFF'
seed payloaddump 64-bytes-4x4 "\x02\x03\x04\x06\x05\x01$(printf '%064d' 7)"
seed payloaddump 99-columns-of-4 "\x02\x62\x01\x06\x0C\x01$(printf '%064d' 3)"
seed payloaddump empty-payload '\x00\x03\x00\x07\x00\x00'
seed payloaddump header-255 '\x01\x00\x07\xFF\xFF\xFF\x00\x01\x02'

# Filters: every field, sets, patterns, times with units and in hex, the symbols, and nesting
# at and past the parser's limit of 256 levels.
seed filter fields 'channel == "RF IC Control" and cts == 0'
seed filter symbols 'size <= 96 && !(code == 7) and channel != "Reserved for future use"'
seed filter time-and-sets 'not (time >= 1.5ms and time < 2 s) || frame in {0, 4 0x10}'
seed filter huge-time 'time > 99999999999999999999s'
seed filter hex-time 'time > 0x100000000 and time <= 0xFFFFFFFFFFFFFFFF'
seed filter patterns 'payload contains 7e ?? 01 or payload contains "AT+"'
seed filter bad-pattern 'payload contains 7e?1 "'
seed filter pattern-longer-than-payload 'payload contains"1e 1 ?? paylAT+"'
seed filter open-bracket '(cts == 1'
open=$(printf '(%.0s' {1..128}) close=$(printf ')%.0s' {1..128}) nots=$(printf 'not !%.0s' {1..64})
seed filter nesting-at-limit "$open$nots frame == 1$close"
seed filter nesting-past-limit "$open$nots!($close$close"

# Field definition files: the sample's, every key and kind of field, and mistakes of each kind.
cp "$root/samples/sample.drf3.fields.toml" "$corpus/definitions/sample.fields.toml"
seed definitions empty ''
seed definitions format-only 'format = 1\n'
seed definitions every-key 'format = 1\n[[message]]\nname = "All"\nchannel = 6\npayload_bits = [64, 512]\nmatch = "a != \\"Off\\" and b >= -2.5 or payload contains 7e"\n[[message.field]]\nname = "a"\nstart = 0\nlength = 8\nsigned = true\nvalues = { -1 = "Off", 0x7f = "Max" }\nbase = 2\n[[message.field]]\nname = "b"\nstart = 8\nlength = 64\nscale = 0.5\noffset = -1e3\nunit = "mV"\n[[message.field]]\nname = "c"\nstart = 448\nlength = 64\nbyte_order = "little"\nbase = 16\n'
seed definitions first-match 'format = 1\n[[message]]\nname = "One"\nchannel = 0\nmatch = "x == 1"\nfield = [{ name = "x", start = 0, length = 1 }]\n[[message]]\nname = "Rest"\nchannel = "Interface Control"\nfield = [{ name = "y", start = 1, length = 7, base = 8 }]\n'
seed definitions match-over-lines 'format = 1\n[[message]]\nname = "M"\nchannel = 2\nmatch = """\n  op == 1 and\\\n   \\u00e9 == 2"""\n[[message.field]]\nname = "op"\nstart = 0\nlength = 4\n'
seed definitions mistakes 'format = 2\ncolour = 1\n[[message]]\nname = "not"\nchannel = "Reserved for future use"\npayload_bits = [40]\n[[message.field]]\nname = "a"\nstart = 510\nlength = 65\nbyte_order = "little"\nscale = nan\nbase = 3\nvalues = { 99 = "x", 1 = "a\\tb" }\n'
seed definitions duplicates 'format = 1\n[[message]]\nname = "M"\nchannel = 1\n[[message.field]]\nname = "a"\nstart = 0\nlength = 4\n[[message.field]]\nname = "a"\nstart = 4\nlength = 4\n[[message]]\nname = "M"\nchannel = 15\n'
seed definitions syntax-error 'format = = 1\n'
# Characters past ASCII that the TOML parser's test for blanks cannot judge: between tokens,
# and where it looks ahead over a value.
seed definitions past-ascii-between-tokens '\xef\xbb\xbb\x00'
seed definitions past-ascii-after-a-value "frmoat = 0\x00\x00\x00gesife'===\xc3\x8b\xdf\xbc]\n"

echo "corpus written to $corpus"
