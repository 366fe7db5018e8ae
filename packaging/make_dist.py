#!/usr/bin/env python3
"""Puts the release files in one folder: the installer package, the SDK as a
zip (what `make install` gives, with the package's own, signed when asked,
QVAPI.DLL), the Windows test kit when given, the source release (from a
git checkout; a source release makes none of itself), and SHA256SUMS. The zip is reproducible: its entries
in name order, each with the time of the source's epoch and fixed
permissions.

Usage: make_dist.py SOURCE-DIR BUILD-DIR VERSION PACKAGE.msi DIST-DIR [KIT.zip]"""

import hashlib
import os
import shutil
import subprocess
import sys
import time
import zipfile

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import source_release  # noqa: E402
from make_package import fail, source_date_epoch  # noqa: E402


def zip_folder(folder, archive, epoch):
    """Every file below `folder`, under the folder's own name, in `archive`."""
    stamp = time.gmtime(epoch)[:6]  # the zip's times are local ones
    base = os.path.dirname(folder)
    paths = sorted(os.path.join(where, name) for where, _, names in os.walk(folder)
                   for name in names)
    with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as out:
        for path in paths:
            entry = zipfile.ZipInfo(os.path.relpath(path, base).replace(os.sep, "/"), stamp)
            entry.external_attr = 0o644 << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as file:
                out.writestr(entry, file.read())


def main(argv):
    if len(argv) not in (6, 7):
        fail(__doc__.splitlines()[-1])
    source, build, version, package, dist, *kit = argv[1:]
    sdk = os.path.join(build, "dist", f"QVAPI-{version}-sdk")
    shutil.rmtree(os.path.dirname(sdk), ignore_errors=True)
    shutil.rmtree(dist, ignore_errors=True)
    os.makedirs(dist)
    subprocess.run(["cmake", "--install", build, "--prefix", sdk], check=True,
                   stdout=subprocess.DEVNULL)
    shutil.copyfile(os.path.join(package + ".files", "QVAPI.DLL"),
                    os.path.join(sdk, "bin", "QVAPI.DLL"))
    files = [os.path.basename(package), os.path.basename(sdk) + ".zip"]
    epoch = source_date_epoch(source)
    shutil.copyfile(package, os.path.join(dist, files[0]))
    zip_folder(sdk, os.path.join(dist, files[1]), epoch)
    for path in kit:
        files.append(os.path.basename(path))
        shutil.copyfile(path, os.path.join(dist, files[-1]))
    if source_release.is_checkout(source):
        files.append(f"QVAPI-{version}-src.tar.gz")
        source_release.write(source, version, epoch, os.path.join(dist, files[-1]))
    with open(os.path.join(dist, "SHA256SUMS"), "w") as sums:
        for name in files:
            with open(os.path.join(dist, name), "rb") as file:
                sums.write(f"{hashlib.sha256(file.read()).hexdigest()}  {name}\n")


if __name__ == "__main__":
    main(sys.argv)
