"""The source release QVAPI-<version>-src.tar.gz: the tree of the checkout's
last commit (nothing uncommitted, nothing from build/) under
QVAPI-<version>/, with the commit's epoch recorded in source-date-epoch so
that a build from it, without git, stamps its modules as the checkout's
build does. Entries sorted, owner and group 0, every time the epoch, modes
0644 or 0755, and gzip without a name or a time: the same commit gives the
same bytes."""

import gzip
import io
import subprocess
import tarfile

RECORDED_EPOCH = "source-date-epoch"


def write(source, version, epoch, path):
    """Writes the source release of the checkout at `source` to `path`."""
    committed = subprocess.run(["git", "-C", source, "archive", "--format=tar", "HEAD"],
                               capture_output=True, check=True).stdout
    top = f"QVAPI-{version}"
    entries = {}
    with tarfile.open(fileobj=io.BytesIO(committed)) as tree:
        for member in tree.getmembers():
            if member.isfile():
                entries[member.name] = (tree.extractfile(member).read(), member.mode & 0o100)
            elif not member.isdir():
                raise ValueError(f"{member.name}: only files and folders go into a release")
    entries[RECORDED_EPOCH] = (f"{epoch}\n".encode(), 0)
    folders = {name.rsplit("/", 1)[0] for name in entries if "/" in name}
    folders |= {f.rsplit("/", i)[0] for f in list(folders) for i in range(f.count("/") + 1)}

    def header(name, kind, mode, size=0):
        info = tarfile.TarInfo(f"{top}/{name}".rstrip("/"))
        info.type, info.mode, info.size, info.mtime = kind, mode, size, epoch
        return info

    packed = io.BytesIO()
    with tarfile.open(fileobj=packed, mode="w", format=tarfile.GNU_FORMAT) as release:
        release.addfile(header("", tarfile.DIRTYPE, 0o755))
        for name in sorted(folders | set(entries)):
            if name in folders:
                release.addfile(header(name, tarfile.DIRTYPE, 0o755))
            else:
                data, executable = entries[name]
                release.addfile(header(name, tarfile.REGTYPE, 0o755 if executable else 0o644,
                                       len(data)), io.BytesIO(data))
    with open(path, "wb") as file, \
            gzip.GzipFile(filename="", mode="wb", fileobj=file, mtime=0, compresslevel=9) as out:
        out.write(packed.getvalue())
