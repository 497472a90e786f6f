#!/usr/bin/env python3
"""Makes the raw seed inputs of the fuzz targets from the test fixtures, the
examples and small KRZ files and parts made by dorvane-cli.

    make-seeds.py DORVANE_CLI OUTDIR

writes OUTDIR/<target>/... for the targets wav, pool, krz, join, convert,
audio and fat.
The committed corpora (tests/fuzz/corpus/) are these seeds after a fuzz run,
minimised with libFuzzer's -merge=1; nothing in the build runs this script.
"""
import os
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
FIXTURES = os.path.join(ROOT, "tests", "pool", "fixtures")
EXAMPLES = os.path.join(ROOT, "examples")
MAX_SEED = 4096  # libFuzzer's default -max_len


def chunk(tag, body):
    return tag + struct.pack("<I", len(body)) + body


def wav(channels, bits, rate, data, before_fmt=b"", before_data=b"", tag=1):
    align = channels * bits // 8
    fmt = struct.pack("<HHIIHH", tag, channels, rate, rate * align, align, bits)
    body = b"WAVE" + before_fmt + chunk(b"fmt ", fmt) + before_data + chunk(b"data", data)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def ramp(n, seed=1):
    return bytes((i * 7 + seed + (i >> 8)) & 0xFF for i in range(n))


def pool_string(text):
    raw = text.encode()
    if len(raw) < 255:
        return bytes([len(raw)]) + raw
    return b"\xff" + struct.pack("<H", len(raw)) + raw


def pool_file(version, entries):
    magic = 0xAA4E5644 if version == 203 else 0xA94E5644
    out = struct.pack("<Ii", magic, len(entries))
    for i in range(100):
        name, sample, loop, key = entries[i] if i < len(entries) else ("", "", 0, 48)
        out += b"".join(pool_string(s) for s in (name, sample, "", ""))
        out += struct.pack("<ii", loop, key)
        if version == 203:
            out += struct.pack("<ii", 1, 1)
    return out


def write(outdir, target, name, data):
    folder = os.path.join(outdir, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data[:MAX_SEED])


def join_input(parts, first_choice=0):
    """The join target's input: byte 0 (part count, first number), then
    every part but the last behind a 16-bit length."""
    head = bytes([(len(parts) - 1) | (first_choice << 3)])
    out = head
    for part in parts[:-1]:
        out += struct.pack("<H", len(part)) + part
    return out + parts[-1]


def convert_input(channels, bits, offset, size, wav_bytes):
    return struct.pack("<BBII", channels, bits, offset, size) + wav_bytes


def main():
    cli, outdir = sys.argv[1], sys.argv[2]

    # WAV headers: the fixtures, the examples cut short, and hand-made shapes.
    for name in sorted(os.listdir(FIXTURES)):
        if name.endswith(".wav"):
            with open(os.path.join(FIXTURES, name), "rb") as f:
                write(outdir, "wav", name, f.read())
    for name in sorted(os.listdir(EXAMPLES)):
        if name.endswith(".wav"):
            with open(os.path.join(EXAMPLES, name), "rb") as f:
                write(outdir, "wav", "example-" + name, f.read(1024))
    write(outdir, "wav", "list-chunk.wav",
          wav(1, 16, 22050, ramp(64), before_data=chunk(b"LIST", b"INFOISFT\x04\x00\x00\x00sox\x00")))
    write(outdir, "wav", "chunk-before-fmt.wav",
          wav(2, 8, 11025, ramp(32), before_fmt=chunk(b"JUNK", bytes(8))))
    write(outdir, "wav", "odd-chunk.wav", wav(1, 8, 8000, ramp(16), before_data=chunk(b"abcd", b"x")))

    # Pool files: the example, a version-202 pool, long and wide strings.
    with open(os.path.join(EXAMPLES, "example.dvn"), "rb") as f:
        write(outdir, "pool", "example.dvn", f.read())
    write(outdir, "pool", "v202.dvn",
          pool_file(202, [("a.wav", "A", 0, 48), ("b.wav", "B", 1, 60), ("c.wav", "", 0, 12)]))
    write(outdir, "pool", "long-name.dvn", pool_file(203, [("x" * 300, "L", 0, 48)]))
    wide = b"\xff\xfe\xff\x03" + "Ä€😀".encode("utf-16-le")[:6]
    body = pool_file(203, [])
    write(outdir, "pool", "wide-name.dvn", body[:8] + wide + body[9:])
    write(outdir, "pool", "empty.dvn", b"")
    write(outdir, "pool", "short.dvn", body[:100])

    # KRZ files and parts made by the command line from tiny WAV files.
    with tempfile.TemporaryDirectory() as tmp:
        wavs = []
        for i, (ch, bits) in enumerate([(1, 16), (2, 16), (1, 8), (2, 8)]):
            path = os.path.join(tmp, "w%d.wav" % i)
            with open(path, "wb") as f:
                f.write(wav(ch, bits, [22050, 44100, 11025, 48000][i], ramp(64 * ch, i)))
            wavs.append(path)
        krz = {}
        for name, inputs in [("mono", wavs[:1]), ("stereo", wavs[1:2]), ("all", wavs)]:
            out = os.path.join(tmp, name + ".krz")
            subprocess.run([cli, "make", "-o", out] + inputs, check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            with open(out, "rb") as f:
                krz[name] = f.read()
            write(outdir, "krz", name + ".krz", krz[name])
        # Parts of the largest file, 1 KB of payload each.
        big = os.path.join(tmp, "all.krz")
        subprocess.run([cli, "split", big, "--size", "1"], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        parts = []
        n = 1
        while os.path.exists("%s%02d" % (big, n)):
            with open("%s%02d" % (big, n), "rb") as f:
                parts.append(f.read())
            n += 1
        write(outdir, "krz", "part01.krz", parts[0])
        write(outdir, "krz", "part02.krz", parts[1])

        # Join inputs: whole series, one part, a series from 08 and 98.
        small = [p[:300] + p[-40:] if len(p) > 400 else p for p in parts]
        write(outdir, "join", "series", join_input(small[:4]))
        write(outdir, "join", "single", join_input(small[:1]))
        write(outdir, "join", "from08", join_input(small[:3], 1))
        write(outdir, "join", "from98", join_input(small[:4], 3))
        write(outdir, "join", "not-first", join_input(small[1:3]))

    # Conversion inputs: the four formats, a short file, a data size beyond
    # the file, an odd size, and a data offset past the end.
    for i, (ch, bits) in enumerate([(1, 16), (2, 16), (1, 8), (2, 8)]):
        data = ramp(200 + 4 * i, i)
        w = wav(ch, bits, 22050, data)
        write(outdir, "convert", "fmt%d%d" % (ch, bits), convert_input(ch, bits, 44, len(data), w))
    w = wav(2, 16, 22050, ramp(103))
    write(outdir, "convert", "odd-size", convert_input(2, 16, 44, 103, w))
    write(outdir, "convert", "declared-more", convert_input(1, 16, 44, 0xFFFFFFFF, w))
    write(outdir, "convert", "offset-past-end", convert_input(1, 8, 5000, 10, w))

    # Audio input: byte 0 the options (1 convert, 2 metadata, 4/8/12 a rate
    # limit of 8000/22050/48000 Hz), then files sox writes and files with
    # smpl or INST/MARK chunks.
    audio_seeds(outdir)
    # Disk images: byte 0 the plan (1 replace, 2 into SUB/DEEP, 4/8/12 a
    # file of 1, 700 or 3000 bytes), then a FAT12 volume of 512-byte
    # sectors small enough for the default input length.
    fat_seeds(outdir)
    # SFZ files: read beside the samples a.wav and s/b.wav and the include
    # inc.sfz that the target makes.
    sfz_seeds(outdir)


def sfz_seeds(outdir):
    texts = {
        "levels": "<control> default_path=s/\n<global> volume=-3 hivel=100\n"
                  "<master> tune=5\n<group> lokey=c3 hikey=b3 pitch_keycenter=60\n"
                  "<region> sample=b.wav lovel=10\n<group> key=d#4\n<region> sample=b.wav\n",
        "define-include": "#define $S a.wav\n#define $K 62\n#include \"inc.sfz\"\n"
                          "<region> sample=$S key=$K transpose=-2 tune=-15.5\n",
        "loops": "<region> sample=a.wav offset=10 end=999 loop_mode=loop_continuous "
                 "loop_start=20 loop_end=900\n<region> sample=a.wav loopmode=loop_sustain\n"
                 "<region> sample=a.wav loopstart=5 loopend=6 loop_mode=one_shot\n",
        "comments-spaces": "/* block\n<region> sample=x.wav */ <region> sample=s\\b.wav "
                           "lokey=db2 // rest\r\n<region>\r\nsample=a.wav   hikey=g9\n",
        "cycle": "#include \"in.sfz\"\n<region> sample=a.wav\n#include \"none.sfz\"\n",
        "faults": "cutoff=1\n<curve> v000=0\n<region> sample=*sine\n"
                  "<region> sample=a.wav lokey=9 hikey=2 amp_veltrack=5\n"
                  "<region> sample=gone.wav\n<region> sample=a.wav end=5 offset=9\n#pragma x\n",
    }
    for name, text in texts.items():
        write(outdir, "sfz", name, text.encode())


def fat_volume(sectors, fats, root_entries, fat_sectors=1):
    """A FAT12 volume: boot sector, FAT copies, root folder, data."""
    boot = bytearray(512)
    boot[0:3] = b"\xEB\x3C\x90"
    boot[3:11] = b"SEED    "
    struct.pack_into("<HBHBHHBH", boot, 11, 512, 1, 1, fats, root_entries, sectors, 0xF0,
                     fat_sectors)
    boot[510:512] = b"\x55\xAA"
    fat = bytearray(512 * fat_sectors)
    fat[0:3] = b"\xF0\xFF\xFF"
    root = bytearray(((root_entries * 32 + 511) // 512) * 512)
    data_sectors = sectors - 1 - fats * fat_sectors - len(root) // 512
    return boot, fat, root, data_sectors


def fat_entry(name, attr, cluster, size):
    return name.ljust(11).encode() + bytes([attr]) + bytes(14) + struct.pack("<HI", cluster, size)


def fat_join(boot, fat, fats, root, data):
    return bytes(boot) + bytes(fat) * fats + bytes(root) + bytes(data)


def fat_seeds(outdir):
    boot, fat, root, n = fat_volume(7, 2, 16)
    empty = fat_join(boot, fat, 2, root, bytes(512 * n))
    for plan in (0, 4, 8 | 2, 12):
        write(outdir, "fat", "empty-%d" % plan, bytes([plan]) + empty)
    # A.KRZ in clusters 2-3, the folder SUB in cluster 4, one FAT copy.
    boot, fat, root, n = fat_volume(7, 1, 16)
    fat[3:6] = b"\x03\xF0\xFF"
    fat[6:8] = b"\xFF\x0F"
    root[0:32] = fat_entry("A       KRZ", 0x20, 2, 700)
    root[32:64] = fat_entry("SUB", 0x10, 4, 0)
    data = bytearray(512 * n)
    data[1024:1056] = fat_entry(".", 0x10, 4, 0)
    data[1056:1088] = fat_entry("..", 0x10, 0, 0)
    used = fat_join(boot, fat, 1, root, data)
    for plan in (1, 0, 1 | 4, 2 | 8):
        write(outdir, "fat", "used-%d" % plan, bytes([plan]) + used)
    # An empty volume behind a partition table.
    boot, fat, root, n = fat_volume(6, 1, 16)
    mbr = bytearray(512)
    mbr[446 + 4] = 0x01
    struct.pack_into("<II", mbr, 446 + 8, 1, 6)
    mbr[510:512] = b"\x55\xAA"
    write(outdir, "fat", "partition", bytes([4]) + bytes(mbr) + fat_join(boot, fat, 1, root,
                                                                        bytes(512 * n)))


def audio_seeds(outdir):
    smpl = chunk(b"smpl", struct.pack("<9I", 0x47, 0, 0, 60, 0, 0, 0, 1, 0) +
                 struct.pack("<6I", 0, 0, 4, 11, 0, 0))
    write(outdir, "audio", "smpl-22k", bytes([2 | 4]) + wav(1, 16, 22050, ramp(64), before_data=smpl))
    write(outdir, "audio", "plain-48k", bytes([8]) + wav(2, 16, 48000, ramp(256)))
    with tempfile.TemporaryDirectory() as tmp:
        for name, options, fmt in [("pcm24.wav", 1 | 2, ["-e", "signed", "-b", "24", "-c", "2"]),
                                   ("float.wav", 1 | 8, ["-e", "floating-point", "-b", "32"]),
                                   ("double.wav", 1, ["-e", "floating-point", "-b", "64"]),
                                   ("pcm24.aiff", 1 | 2 | 4, ["-e", "signed", "-b", "24"]),
                                   ("float.aifc", 1, ["-e", "floating-point", "-b", "32"]),
                                   ("pcm16.flac", 1 | 4, ["-b", "16"]),
                                   ("quad.wav", 1, ["-e", "signed", "-b", "24", "-c", "4"])]:
            path = os.path.join(tmp, name)
            subprocess.run(["sox", "-R", "-D", "-r", "22050", "-n"] + fmt +
                           [path, "synth", "40s", "whitenoise"], check=True)
            with open(path, "rb") as f:
                data = f.read()
            if name.endswith(".aiff"):
                # Markers 1 and 2 at frames 4 and 12, a forward sustain loop
                # between them, base note 60.
                mark = struct.pack(">HHI", 2, 1, 4) + b"\x01a" + struct.pack(">HI", 2, 12) + b"\x01b"
                inst = struct.pack(">bbBBBBhhHHhHH", 60, 0, 0, 127, 1, 127, 0, 1, 1, 2, 0, 0, 0)
                data += b"MARK" + struct.pack(">I", len(mark)) + mark
                data += b"INST" + struct.pack(">I", len(inst)) + inst
                data = data[:4] + struct.pack(">I", len(data) - 8) + data[8:]
            write(outdir, "audio", name, bytes([options]) + data)


if __name__ == "__main__":
    main()
