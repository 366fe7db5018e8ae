#!/usr/bin/env python3
"""The release tools read their inputs exactly or refuse them, and write
what their formats document: versions, the version block's strings, the
interface description's attributes, the installer's rows, the epoch's floor
and the source release.

Usage: release_inputs_test.py SOURCE-DIR WORK-FOLDER ROWS-TOOL"""

import os
import subprocess
import sys
import tarfile
import tempfile

source, work, rows_tool = sys.argv[1:]
sys.dont_write_bytecode = True
sys.path[:0] = [os.path.join(source, "packaging"), os.path.join(source, "resources")]
import source_release  # noqa: E402
from installer_rows import NEVER_SET, idt_tables, script_rows  # noqa: E402
from interface_description import DescriptionError, read  # noqa: E402
from make_package import product_version, source_date_epoch  # noqa: E402
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
for version in ["6.5.0.10000", "6.5.6.5536", "256.0.0.0", "6.5.0", "6.5.0.1466.7", "6.5.0.1466-rc1"]:
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

# Registry rows as documented: '' a property never set (no null), d -1 "#-1".
script = written("probe.rgs", b"HKCR { QVAPI.Probe { val Empty = s '' val Minus = d -1 } }")
registry, _ = idt_tables(*script_rows(rows_tool, script), "QVAPI.DLL", "Kept")
assert f"\tEmpty\t{NEVER_SET}\t" in registry and "\tMinus\t#-1\t" in registry, registry
os.environ["SOURCE_DATE_EPOCH"] = "0"  # zip and cabinet times start in 1980
assert source_date_epoch(source) == 315532800

# The source release holds the commit's bytes and modes, whatever git's
# configuration (the user's, the checkout's) converts on the way out.
repo = tempfile.mkdtemp(dir=work)
os.environ.update(GIT_CONFIG_GLOBAL=written("gitconfig", b""), GIT_CONFIG_NOSYSTEM="1")
git = lambda *arguments: subprocess.run(["git", "-C", repo, *arguments], check=True)
git("init", "-q")
for name, data in {"a.txt": b"a\nb\n", ".gitattributes": b"*.txt filter=up\n", "x": b""}.items():
    written(os.path.join(repo, name), data)
os.chmod(os.path.join(repo, "x"), 0o755)
git("add", ".")
git("-c", "user.name=T", "-c", "user.email=t@example.com", "commit", "-qm", "c")
source_release.write(repo, "1", 315532800, os.path.join(work, "plain.tar.gz"))
written("gitconfig", b"[core]\n eol = crlf\n[filter \"up\"]\n smudge = tr a z\n")
git("config", "core.autocrlf", "true")
source_release.write(repo, "1", 315532800, os.path.join(work, "configured.tar.gz"))
assert open(os.path.join(work, "plain.tar.gz"), "rb").read() == \
    open(os.path.join(work, "configured.tar.gz"), "rb").read()
with tarfile.open(os.path.join(work, "configured.tar.gz")) as release:
    files = {m.name.split("/", 1)[1]: m for m in release.getmembers() if m.isfile()}
    assert (release.extractfile(files["a.txt"]).read(), files["a.txt"].mode, files["x"].mode) == \
        (b"a\nb\n", 0o644, 0o755)
