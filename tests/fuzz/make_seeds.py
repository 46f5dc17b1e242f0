#!/usr/bin/env python3
"""Writes the seed inputs under corpus/: byte streams laid out the way FuzzedDataProvider reads them
(numbers from the end, text and bytes from the front), each a case worth starting from."""
import os
import struct
import sys


class Input:
    def __init__(self):
        self.front = bytearray()
        self.back = bytearray()  # in the order the numbers are taken

    def number(self, value, low, high):
        span, nbytes = high - low, 0
        while nbytes < 8 and span >> (8 * nbytes):
            nbytes += 1
        self.back += (value - low).to_bytes(nbytes, "big") if nbytes else b""
        return self

    def text(self, raw):
        self.front += raw.replace(b"\\", b"\\\\") + b"\\\x00"
        return self

    def data(self, raw):
        self.front += raw
        return self

    def bytes(self):
        return bytes(self.front + self.back[::-1])


def write(target, name, stream):
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(stream.bytes())


U32, U64 = 2**32 - 1, 2**64 - 1
ACTIONS = {"format": 0, "format-ntfs": 1, "mbr": 2, "pbr": 3, "grub4dos": 4, "ntfs-layout": 5}
BASELINES = {"empty": 0, "fat32": 1, "ntfs": 2, "fat32-booting": 3}


def disk_run(sector_size, sectors, action, baseline, patches=(), label=b"My Stick", writes=-1):
    s = Input()
    s.number(1, 0, 15).number([512, 1024, 2048, 4096].index(sector_size), 0, 3)
    s.number(1, 0, 7).number(sectors << 38, 0, U64).number(38, 38, 63)
    s.number(ACTIONS[action], 0, 5).number(BASELINES[baseline], 0, 3)
    s.text(label)
    s.number(0x1234ABCD, 0, U32).number(0xCAFEF00D, 1, U32).number(0x5A21, 0, 0xFFFF).number(0x6000, 0, 0xFFFF)
    if writes < 0:
        s.number(1, 0, 3)
    else:
        s.number(0, 0, 3).number(writes, 0, 12)
    for base, lba, at, raw in patches:
        s.number(base, 0, 2).number(lba, 0, U32).number(at, 0, sector_size - 1)
        s.number(len(raw), 1, sector_size - at).data(raw)
    return s


def disk_operations():
    gib = 1 << 30
    for size in (512, 4096):
        n = gib // size
        start = (1 << 20) // size
        write("disk_operations", f"format-{size}", disk_run(size, n, "format", "empty"))
        write("disk_operations", f"reformat-{size}", disk_run(size, n, "format", "fat32-booting"))
        write("disk_operations", f"format-cut-{size}", disk_run(size, n, "format", "empty", writes=5))
        write("disk_operations", f"ntfs-layout-{size}", disk_run(size, n, "ntfs-layout", "fat32"))
        write("disk_operations", f"mbr-{size}", disk_run(size, n, "mbr", "fat32"))
        # The partition's size in the table and the reserved area in the BPB, as found.
        table = (0, 0, 446 + 12, struct.pack("<I", n - start))
        reserved = (1, 0, 14, struct.pack("<H", 32))
        write("disk_operations", f"pbr-{size}", disk_run(size, n, "pbr", "fat32", [table, reserved]))
        write("disk_operations", f"pbr-cut-{size}", disk_run(size, n, "pbr", "fat32", [table], writes=2))
        write("disk_operations", f"grub4dos-{size}", disk_run(size, n, "grub4dos", "fat32-booting", [reserved]))
        write("disk_operations", f"pbr-ntfs-{size}", disk_run(size, n, "pbr", "ntfs", [table]))
        write("disk_operations", f"grub4dos-ntfs-cut-{size}", disk_run(size, n, "grub4dos", "ntfs", writes=1))


def boot_sector(size, start, ntfs):
    s = bytearray(max(size, 8192))
    s[0:3] = b"\xeb\x58\x90"
    struct.pack_into("<H", s, 11, size)
    struct.pack_into("<I", s, 28, start)
    if ntfs:
        s[3:11] = b"NTFS    "
        struct.pack_into("<Q", s, 40, 500000)
    else:
        s[13], s[16] = 8, 2
        struct.pack_into("<H", s, 14, 32)
        struct.pack_into("<I", s, 32, 2000000)
        struct.pack_into("<I", s, 36, 2000)
        struct.pack_into("<HH", s, 48, 1, 6)
        s[82:90] = b"FAT32   "
    s[510:512] = b"\x55\xaa"
    return bytes(s)


def boot_record():
    for size in (512, 4096):
        for ntfs in (False, True):
            s = Input().number([512, 1024, 2048, 4096].index(size), 0, 3).number(1, 0, 3)
            s.number(0, 0, 3).number(2048, 0, U32).number(600000, 0, U32).number(ntfs, 0, 255)
            write("boot_record", f"{'ntfs' if ntfs else 'fat32'}-{size}", s.data(boot_sector(size, 2048, ntfs)))


def disk_command():
    lines = [
        "/device=E: /partitions /repartition /activate /usb-hdd /fstype=FAT32 /vollabel=My Stick /quiet",
        "/device=f: /partitions /repartition /activate /usb-hdd /fstype=NTFS /vollabel= /quiet /quiet",
        "/device=E: /mbr /install /type=nt60 /quiet",
        "/device=E: /pbr /install /type=bootmgr /quiet",
        "/device=E: /pbr /install /type=grub4dos /pbr-disable-floppy /quiet",
    ]
    for i, line in enumerate(lines):
        s = Input().number(4, 0, 25).number(i % 2, 0, 255).number(i % 3 == 1, 0, 255)
        s.text("Été 2024 ✓".encode("latin-1", "replace")).text("Été ✓ \U0001F600".encode()).text(line.encode())
        write("disk_command", f"line-{i}", s)


def command_line():
    cases = [
        ('"C:\\Program Files\\Tarnvik\\Tarnvik.exe" debug', '-y -o"E:\\" "C:\\iso\\x.iso"'),
        ('Tarnvik.exe "C:\\My Images\\Setup.ISO"', '/device=E: /mbr /install /type=nt60 /quiet'),
        ('a""b  "c d"\t""', '  x'),
    ]
    for i, (first, second) in enumerate(cases):
        s = Input().number(i == 1, 0, 255).number(1536, -(2**63), 2**63 - 1)
        write("command_line", f"line-{i}", s.text(first.encode()).text(second.encode()))


if __name__ == "__main__":
    disk_operations()
    boot_record()
    disk_command()
    command_line()
    sys.exit(0)
