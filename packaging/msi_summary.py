"""Sets what a Windows Installer package's summary information carries that
its tool makes up at each build: the package code and the two times. The
package is a compound file; the summary is its stream
"\\x05SummaryInformation", a property set, and is rewritten in place,
byte for byte as long as before."""

import struct
import uuid

SIGNATURE = bytes.fromhex("D0CF11E0A1B11AE1")
END_OF_CHAIN = 0xFFFFFFFE
SUMMARY = "\x05SummaryInformation"
PID_REVNUMBER, PID_CREATE_DTM, PID_LASTSAVE_DTM = 9, 12, 13
VT_LPSTR, VT_FILETIME = 30, 64
SECONDS_1601_TO_1970 = 11644473600


class PackageError(Exception):
    """The file is not a package whose summary can be set."""


class CompoundFile:
    """The sectors of a compound file held in memory, enough to find a
    small stream's bytes: where each of them lies in the file."""

    def __init__(self, data):
        if data[:8] != SIGNATURE:
            raise PackageError("not a compound file")
        self.data = data
        self.sector = 1 << struct.unpack_from("<H", data, 0x1E)[0]
        self.mini = 1 << struct.unpack_from("<H", data, 0x20)[0]
        fat_sectors, directory, _, self.cutoff, mini_fat, _, _, difat_sectors = \
            struct.unpack_from("<8I", data, 0x2C)
        if difat_sectors or fat_sectors > 109:
            raise PackageError("too large a package")
        fat = b"".join(self.read(s) for s in struct.unpack_from(f"<{fat_sectors}I", data, 0x4C))
        self.fat = struct.unpack(f"<{len(fat) // 4}I", fat)
        self.directory = b"".join(self.read(s) for s in self.chain(directory))
        mini_fat = b"".join(self.read(s) for s in self.chain(mini_fat))
        self.mini_fat = struct.unpack(f"<{len(mini_fat) // 4}I", mini_fat)
        root_start = struct.unpack_from("<I", self.directory, 0x74)[0]
        self.mini_stream = list(self.chain(root_start))

    def read(self, sector):
        start = (sector + 1) * self.sector
        return self.data[start:start + self.sector]

    def chain(self, start, table=None):
        table = table or self.fat
        while start != END_OF_CHAIN:
            yield start
            start = table[start]

    def stream_offsets(self, name):
        """The file offsets of the bytes of the small stream `name`."""
        for entry in range(0, len(self.directory), 128):
            length = struct.unpack_from("<H", self.directory, entry + 0x40)[0]
            if self.directory[entry:entry + max(length - 2, 0)].decode("utf-16-le") != name:
                continue
            start, size = struct.unpack_from("<II", self.directory, entry + 0x74)
            if size >= self.cutoff:
                raise PackageError(f"{name!r} is not a small stream")
            offsets = []
            for mini in self.chain(start, self.mini_fat):
                where = mini * self.mini
                base = (self.mini_stream[where // self.sector] + 1) * self.sector
                offsets.extend(range(base + where % self.sector,
                                     base + where % self.sector + self.mini))
            return offsets[:size]
        raise PackageError(f"no stream {name!r}")


def set_summary(path, package_code, epoch):
    """Gives the package at `path` the package code (a UUID) and, as the
    times it was made and last saved, `epoch` (seconds since 1970)."""
    with open(path, "rb") as file:
        data = bytearray(file.read())
    offsets = CompoundFile(bytes(data)).stream_offsets(SUMMARY)
    stream = bytearray(data[o] for o in offsets)
    section = struct.unpack_from("<I", stream, 44)[0]
    count = struct.unpack_from("<I", stream, section + 4)[0]
    found = set()
    for pid, offset in struct.iter_unpack("<II", stream[section + 8:section + 8 + 8 * count]):
        at = section + offset
        kind = struct.unpack_from("<I", stream, at)[0]
        if pid == PID_REVNUMBER and kind == VT_LPSTR:
            text = ("{" + str(uuid.UUID(package_code)).upper() + "}").encode("ascii") + b"\0"
            if struct.unpack_from("<I", stream, at + 4)[0] != len(text):
                raise PackageError("the package code has another length")
            stream[at + 8:at + 8 + len(text)] = text
        elif pid in (PID_CREATE_DTM, PID_LASTSAVE_DTM) and kind == VT_FILETIME:
            struct.pack_into("<Q", stream, at + 4, (epoch + SECONDS_1601_TO_1970) * 10_000_000)
        else:
            continue
        found.add(pid)
    if found != {PID_REVNUMBER, PID_CREATE_DTM, PID_LASTSAVE_DTM}:
        raise PackageError("the summary lacks the package code or a time")
    for offset, byte in zip(offsets, stream):
        data[offset] = byte
    with open(path, "wb") as file:
        file.write(data)
