#!/usr/bin/env python3
"""The release tools read their inputs exactly or refuse them: package
versions order as the four-field versions do, and the version block's
strings and the interface description's attributes read as their compilers
read them.

Usage: release_inputs_test.py SOURCE-DIR WORK-FOLDER"""

import os
import sys

source, work = sys.argv[1:]
sys.dont_write_bytecode = True
sys.path[:0] = [os.path.join(source, "packaging"), os.path.join(source, "resources")]
from interface_description import DescriptionError, read  # noqa: E402
from make_package import product_version  # noqa: E402
from version_block import VersionBlockError, version_string  # noqa: E402


def refused(read_it, *errors):
    try:
        read_it()
    except (SystemExit, *errors):
        return True
    return False


ordered = ["6.5.0.1466", "6.5.0.9999", "6.5.1.0", "6.5.1.1466", "6.5.6.5535", "6.6.0.0", "7.0.0.1"]
mapped = [tuple(int(f) for f in product_version(v).split(".")) for v in ordered]
assert mapped == sorted(set(mapped)), mapped
for version in ["6.5.0.10000", "6.5.6.5536", "256.0.0.0", "6.5.0"]:
    assert refused(lambda: product_version(version)), version


def written(name, data):
    with open(os.path.join(work, name), "wb") as file:
        file.write(data)
    return os.path.join(work, name)


os.makedirs(work, exist_ok=True)
block = b'VALUE "CompanyName", "ACME ""Labs"" Caf\xe9"\n'
assert version_string(written("a.rc", block), "CompanyName") == 'ACME "Labs" Caf\u00e9'
utf8 = written("b.rc", b"#pragma code_page(65001)\n" + block.replace(b"\xe9", "\u00e9".encode()))
assert version_string(utf8, "CompanyName") == 'ACME "Labs" Caf\u00e9'
assert refused(lambda: version_string(written("c.rc", block.replace(b"Caf", b"\\t")),
                                      "CompanyName"), VersionBlockError)

with open(os.path.join(source, "resources", "QVAPI.idl"), encoding="utf-8") as file:
    idl = file.read()
library = 'version(1.0),\n    helpstring("QVAPI 1.0 Type Library")'
described = read(written("d.idl", idl.replace(
    library, 'version(2), lcid(0x409),\n    helpstring("A \\"B\\" \\\\ C")').encode()))
assert (described.library_version, described.library_lcid, described.library_description) == \
    ("2.0", 0x409, 'A "B" \\ C'), described
for variant in ['lcid(0409), ' + library, library.replace("QVAPI", "a\\tb")]:
    assert refused(lambda: read(written("e.idl", idl.replace(library, variant).encode())),
                   DescriptionError), variant
