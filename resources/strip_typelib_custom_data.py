#!/usr/bin/env python3
"""Removes the library-level custom data from a type library file.

The IDL compiler stamps every library it writes with three custom-data
entries of its own (its name and version, and the time of the build). QVAPI's
library carries no custom data, and a build must give the same bytes every
time, so the build passes the compiler's output through this tool.

Usage: strip_typelib_custom_data.py INPUT.tlb OUTPUT.tlb

The file is a type library in the "MSFT" layout: a header, the offsets of the
type descriptions, a directory of fifteen segments, the segments, and then
the member blocks of the types. The tool drops the custom-data and
custom-data-GUID segments, drops the GUIDs that only they used, and moves
everything after them up. It refuses any library where custom data is
attached to anything but the library itself, since those references would
dangle.
"""

import struct
import sys

MAGIC = 0x5446534D  # "MSFT"
HEADER_SIZE = 0x54
HELP_DLL_FLAG = 0x100
SEGMENT_COUNT = 15
SEGMENT_ENTRY_SIZE = 16
TYPE_INFO_SIZE = 100
GUID_ENTRY_SIZE = 24
IMPORTED_TYPE_SIZE = 12
IMPORTED_BY_GUID = 0x10000  # flag of an imported type found by its GUID
CUSTOM_DATA_GUID_ENTRY_SIZE = 12

# Header fields (byte offsets).
H_LIBID_GUID = 0x08
H_FLAGS = 0x14
H_TYPE_COUNT = 0x20
H_CUSTOM_DATA = 0x40

# Segment indexes in the directory.
SEG_TYPE_INFO, SEG_IMPORTED_TYPES, SEG_IMPORTED_LIBS = 0, 1, 2
SEG_GUID_HASH, SEG_GUIDS = 4, 5
SEG_CUSTOM_DATA, SEG_CUSTOM_DATA_GUIDS = 11, 12

# Type description fields (byte offsets within a record).
T_MEMBERS = 0x04
T_GUID = 0x2C
T_CUSTOM_DATA = 0x48


class TypeLibError(Exception):
    pass


def i32(data, offset):
    return struct.unpack_from("<i", data, offset)[0]


def put_i32(data, offset, value):
    struct.pack_into("<i", data, offset, value)


def strip(original):
    data = bytearray(original)
    if len(data) < HEADER_SIZE or i32(data, 0) != MAGIC:
        raise TypeLibError("not an MSFT type library")

    type_count = i32(data, H_TYPE_COUNT)
    type_offsets_at = HEADER_SIZE + (4 if i32(data, H_FLAGS) & HELP_DLL_FLAG else 0)
    directory_at = type_offsets_at + 4 * type_count
    segments_start = directory_at + SEGMENT_COUNT * SEGMENT_ENTRY_SIZE

    def segment(index):
        at = directory_at + index * SEGMENT_ENTRY_SIZE
        return i32(data, at), i32(data, at + 4)

    present = sorted((segment(i)[0], segment(i)[1], i)
                     for i in range(SEGMENT_COUNT) if segment(i)[0] != -1)
    expected = segments_start
    for offset, length, _ in present:
        if offset != expected:
            raise TypeLibError("segments are not laid out back to back")
        expected += length
    tail_start = expected

    type_info_at, type_info_length = segment(SEG_TYPE_INFO)
    if type_info_length != type_count * TYPE_INFO_SIZE:
        raise TypeLibError("unexpected size of the type descriptions")
    type_records = [type_info_at + i * TYPE_INFO_SIZE for i in range(type_count)]
    for record in type_records:
        if i32(data, record + T_CUSTOM_DATA) != -1:
            raise TypeLibError("a type carries custom data")

    # The GUIDs named by the library's custom-data entries go with them.
    cd_guids_at, cd_guids_length = segment(SEG_CUSTOM_DATA_GUIDS)
    dropped_guids = set()
    for entry in range(max(cd_guids_at, 0), max(cd_guids_at, 0) + cd_guids_length,
                       CUSTOM_DATA_GUID_ENTRY_SIZE):
        dropped_guids.add(i32(data, entry))
    entry = i32(data, H_CUSTOM_DATA)
    reachable = set()
    while entry != -1:
        reachable.add(entry)
        entry = i32(data, cd_guids_at + entry + 8)
    if len(reachable) * CUSTOM_DATA_GUID_ENTRY_SIZE != cd_guids_length:
        raise TypeLibError("custom data is attached to more than the library")

    guids_at, guids_length = segment(SEG_GUIDS)
    kept = [g for g in range(0, guids_length, GUID_ENTRY_SIZE) if g not in dropped_guids]
    new_guid_offset = {old: new * GUID_ENTRY_SIZE for new, old in enumerate(kept)}
    new_guid_offset[-1] = -1

    def next_kept(guid):
        while guid != -1 and guid in dropped_guids:
            guid = i32(data, guids_at + guid + 20)
        return new_guid_offset[guid]

    guids = bytearray()
    for old in kept:
        entry = bytearray(data[guids_at + old:guids_at + old + GUID_ENTRY_SIZE])
        put_i32(entry, 20, next_kept(i32(entry, 20)))
        guids += entry

    hash_at, hash_length = segment(SEG_GUID_HASH)
    for bucket in range(hash_at, hash_at + hash_length, 4):
        put_i32(data, bucket, next_kept(i32(data, bucket)))

    # Everything else that names a GUID by its offset.
    put_i32(data, H_LIBID_GUID, new_guid_offset[i32(data, H_LIBID_GUID)])
    for record in type_records:
        put_i32(data, record + T_GUID, new_guid_offset[i32(data, record + T_GUID)])
    imported_at, imported_length = segment(SEG_IMPORTED_TYPES)
    for entry in range(max(imported_at, 0), max(imported_at, 0) + imported_length,
                       IMPORTED_TYPE_SIZE):
        if i32(data, entry) & IMPORTED_BY_GUID:
            put_i32(data, entry + 8, new_guid_offset[i32(data, entry + 8)])
    libs_at, libs_length = segment(SEG_IMPORTED_LIBS)
    entry = libs_at
    while libs_at != -1 and entry < libs_at + libs_length:
        put_i32(data, entry, new_guid_offset[i32(data, entry)])
        name_length = struct.unpack_from("<H", data, entry + 12)[0] >> 2
        entry += (14 + name_length + 3) & ~3

    put_i32(data, H_CUSTOM_DATA, -1)

    # Lay the segments out again without the custom data.
    body = bytearray()
    new_segment = {}
    for offset, length, index in present:
        if index in (SEG_CUSTOM_DATA, SEG_CUSTOM_DATA_GUIDS):
            continue
        content = guids if index == SEG_GUIDS else data[offset:offset + length]
        new_segment[index] = (segments_start + len(body), len(content))
        body += content
    for index in range(SEGMENT_COUNT):
        at = directory_at + index * SEGMENT_ENTRY_SIZE
        offset, length = new_segment.get(index, (-1, 0))
        put_i32(data, at, offset)
        put_i32(data, at + 4, length)

    shift = segments_start + len(body) - tail_start
    new_type_info_at = new_segment[SEG_TYPE_INFO][0]
    result = data[:segments_start] + body + data[tail_start:]
    for i in range(type_count):
        record = new_type_info_at + i * TYPE_INFO_SIZE
        members = i32(result, record + T_MEMBERS)
        if members >= tail_start:
            put_i32(result, record + T_MEMBERS, members + shift)
    return bytes(result)


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    with open(argv[1], "rb") as source:
        original = source.read()
    try:
        stripped = strip(original)
    except TypeLibError as error:
        sys.stderr.write(f"{argv[1]}: {error}\n")
        return 1
    with open(argv[2], "wb") as target:
        target.write(stripped)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
