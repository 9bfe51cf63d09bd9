#!/usr/bin/env bash
# Regenerates the small ID3v2 fixtures in player/trackinfo/tests/fixtures:
# short silent MPEG-1 Layer III files (128 kbit/s, 44100 Hz) tagged with
# mid3v2 where it can write the form wanted, and with mutagen's frames or
# bytes laid out here where it cannot (2.2 tags, Latin-1 and UTF-16BE text,
# footers, unsynchronisation, damage). Needs python3-mutagen.
set -euo pipefail
# The Debian interpreter, the one that sees python3-mutagen.
python3() { /usr/bin/python3 "$@"; }
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/player/trackinfo/tests/fixtures
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"
rm -f "$out"/*.mp3

# Ten frames of silence: header FF FB 90 00, 417 bytes each (no padding bit).
python3 -c '
import sys
frame = bytes([0xFF, 0xFB, 0x90, 0x00]) + bytes(413)
open(sys.argv[1], "wb").write(frame * 10)' "$tmp/silence.mp3"

fresh() { cp "$tmp/silence.mp3" "$out/$1"; }

# 2.4 in UTF-8 (mid3v2's own choice), a genre reference with its name.
fresh v24-utf8.mp3
mid3v2 -t "Łódź Ünïcode" -a "Motörhead Ensemble" -A "Été à Paris" -y 2004-05-12 -g "(17)Rock" -T 3/12 \
  "$out/v24-utf8.mp3"

# 2.3 writes UTF-16 with a byte-order mark: a Cyrillic title, the genre as a name.
fresh v23-utf16-cyrillic.mp3
mid3v2 -t "Звезда по имени Солнце" -a "Кино" -A "Звезда" -y 1989 -g "Rock" "$out/v23-utf16-cyrillic.mp3"
python3 -c '
import sys
from mutagen.id3 import ID3
t = ID3(sys.argv[1]); t.save(v2_version=3)' "$out/v23-utf16-cyrillic.mp3"

# 2.4 in UTF-16BE with a Japanese title; 2.3 in Latin-1 with a bare number as genre.
fresh v24-utf16be-japanese.mp3
fresh v23-latin1.mp3
python3 - "$out" <<'EOF'
import sys
from mutagen.id3 import ID3, TIT2, TPE1, TALB, TDRC, TYER, TCON
out = sys.argv[1]
t = ID3()
t.add(TIT2(encoding=2, text="夜に駆ける"))
t.add(TPE1(encoding=2, text="YOASOBI"))
t.add(TCON(encoding=2, text="Pop"))
t.save(out + "/v24-utf16be-japanese.mp3", v2_version=4)
t = ID3()
t.add(TIT2(encoding=0, text="Café del Mar"))
t.add(TPE1(encoding=0, text="José Padilla"))
t.add(TALB(encoding=0, text="Volumen Uno"))
t.add(TYER(encoding=0, text="1994"))
t.add(TCON(encoding=0, text="26"))
t.save(out + "/v23-latin1.mp3", v2_version=3)
EOF

# Both tags with different titles: the ID3v2 one shows.
fresh both-tags.mp3
mid3v2 -t "Title From Version Two" -g "Jazz" "$out/both-tags.mp3"

# Forms mutagen does not write, laid out byte by byte.
python3 - "$out" "$tmp/silence.mp3" <<'EOF'
import struct, sys
out, silence = sys.argv[1], open(sys.argv[2], "rb").read()

def synchsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])

def utf16(s):
    return b"\x01" + b"\xff\xfe" + s.encode("utf-16-le") + b"\x00\x00"

def frame22(fid, body):
    return fid.encode() + struct.pack(">I", len(body))[1:] + body

def frame23(fid, body, flags=b"\x00\x00"):
    return fid.encode() + struct.pack(">I", len(body)) + flags + body

def frame24(fid, body, flags=b"\x00\x00"):
    return fid.encode() + synchsafe(len(body)) + flags + body

def tag(version, flags, body):
    return b"ID3" + bytes([version, 0, flags]) + synchsafe(len(body)) + body

def id3v1(title, genre):
    block = b"TAG" + title.ljust(30, b" ") + b"Old Artist".ljust(30, b" ") + b"Old Album".ljust(30, b" ")
    return block + b"1999" + bytes(30) + bytes([genre])

def unsync(data):
    res = bytearray()
    for i, b in enumerate(data):
        res.append(b)
        if b == 0xFF and (i + 1 == len(data) or data[i + 1] >= 0xE0 or data[i + 1] == 0):
            res.append(0)
    return bytes(res)

def write(name, data):
    open(out + "/" + name, "wb").write(data)

# 2.2: three-letter frames, 24-bit sizes.
body = frame22("TT2", utf16("Tiny Version Two")) + frame22("TP1", b"\x00Old Writer") + \
    frame22("TCO", b"\x00(17)") + frame22("TYE", b"\x001998") + bytes(20)
write("v22.mp3", tag(2, 0, body) + silence)

# 2.4 with a footer: the audio begins ten bytes after the declared size.
body = frame24("TIT2", b"\x03Footer Song") + frame24("TCON", b"\x03Rock\x00Pop")
footer = b"3DI" + bytes([4, 0, 0x10]) + synchsafe(len(body))
write("v24-footer.mp3", tag(4, 0x10, body) + footer + silence)

# 2.3 unsynchronised as a whole: the byte-order marks and "ÿà" carry FF bytes.
body = frame23("TIT2", utf16("Unsync ÿà Title")) + frame23("TPE1", b"\x00\xff\xe0 Latin") + bytes(10)
write("v23-unsync.mp3", tag(3, 0x80, unsync(body)) + silence)

# A 2.4 frame that claims more bytes than the tag holds: the title before it stands.
body = frame24("TIT2", b"\x03Before The Damage") + b"TPE1" + synchsafe(5000) + b"\x00\x00\x03Lost" + bytes(30)
write("truncated.mp3", tag(4, 0, body) + silence)

# Only an ID3v1 tag (genre 17).
write("v1-only.mp3", silence + id3v1(b"Only Version One", 17))
EOF
python3 -c '
import sys
block = b"TAG" + b"Title From Version One".ljust(30, b" ") + bytes(94) + bytes([8])
open(sys.argv[1], "ab").write(block)' "$out/both-tags.mp3"

ls -l "$out"
