"""The source release QVAPI-<version>-src.tar.gz: the tree of the checkout's
last commit (nothing uncommitted, nothing from build/) under
QVAPI-<version>/, with the commit's epoch recorded in source-date-epoch so
that a build from it, without git, stamps its modules as the checkout's
build does. Each file holds the bytes committed, whatever the user's or
the checkout's git configuration would convert on the way out (line ends,
filters). Entries sorted, owner and group 0, every time the epoch, modes
0644, or 0755 for what is committed executable, and gzip without a name
or a time: the same commit gives the same bytes."""

import gzip
import io
import os
import subprocess
import tarfile

RECORDED_EPOCH = "source-date-epoch"


def is_checkout(source):
    """True when `source` is the top of a git checkout (a source release
    unpacked inside another checkout is not)."""
    top = subprocess.run(["git", "-C", source, "rev-parse", "--show-toplevel"],
                         capture_output=True, text=True)
    return top.returncode == 0 and os.path.realpath(top.stdout.strip()) == os.path.realpath(source)


def committed_files(source):
    """{path: (bytes, executable)} of the last commit of the checkout at
    `source`, read from its objects: no conversion applies to them."""
    git = lambda *arguments, **options: subprocess.run(
        ["git", "-C", source, *arguments], capture_output=True, check=True, **options).stdout
    listed = []
    for record in filter(None, git("ls-tree", "-r", "-z", "--full-tree", "HEAD").split(b"\0")):
        about, name = record.split(b"\t", 1)
        mode, kind, object_id = about.split()
        if kind != b"blob" or mode not in (b"100644", b"100755"):
            raise ValueError(f"{name.decode()}: only files and folders go into a release")
        listed.append((name.decode(), object_id, mode == b"100755"))
    objects = git("cat-file", "--batch", input=b"".join(o + b"\n" for _, o, _ in listed))
    files, at = {}, 0
    for name, _, executable in listed:
        header_end = objects.index(b"\n", at)
        size = int(objects[at:header_end].split()[2])
        files[name] = (objects[header_end + 1:header_end + 1 + size], executable)
        at = header_end + 1 + size + 1  # past the data and its newline
    return files


def write(source, version, epoch, path):
    """Writes the source release of the checkout at `source` to `path`."""
    top = f"QVAPI-{version}"
    entries = committed_files(source)
    entries[RECORDED_EPOCH] = (f"{epoch}\n".encode(), False)
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
