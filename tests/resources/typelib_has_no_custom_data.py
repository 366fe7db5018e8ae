#!/usr/bin/env python3
"""Checks that a built type library carries no custom data.

The IDL compiler writes three custom-data entries into every library (one of
them the build time) and the build removes them. The platform's loader is
not asked here: it answers custom-data queries differently from one platform
to another, while the file says plainly whether any entry is left.

Usage: typelib_has_no_custom_data.py QVAPI.tlb
"""

import struct
import sys

HEADER_SIZE = 0x54
HELP_DLL_FLAG = 0x100
CUSTOM_DATA_SEGMENT, CUSTOM_DATA_GUID_SEGMENT = 11, 12
# The IDL compiler's custom-data GUIDs {DE77BA63..65-517C-11D1-A2DA-0000F8773CE9}
# share these last twelve bytes in their stored form.
COMPILER_GUID_TAIL = bytes.fromhex("7c51d111a2da0000f8773ce9")


def problems(data):
    if data[:4] != b"MSFT":
        yield "not an MSFT type library"
        return
    flags = struct.unpack_from("<i", data, 0x14)[0]
    type_count = struct.unpack_from("<i", data, 0x20)[0]
    if struct.unpack_from("<i", data, 0x40)[0] != -1:
        yield "the library names custom data"
    directory = HEADER_SIZE + (4 if flags & HELP_DLL_FLAG else 0) + 4 * type_count
    for segment in (CUSTOM_DATA_SEGMENT, CUSTOM_DATA_GUID_SEGMENT):
        offset, length = struct.unpack_from("<2i", data, directory + 16 * segment)
        if (offset, length) != (-1, 0):
            yield f"segment {segment} is not empty: offset {offset}, length {length}"
    if COMPILER_GUID_TAIL in data:
        yield "a GUID of the IDL compiler's custom data is still stored"


def main(argv):
    with open(argv[1], "rb") as library:
        found = list(problems(library.read()))
    for problem in found:
        print(f"{argv[1]}: {problem}")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
