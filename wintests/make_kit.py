#!/usr/bin/env python3
"""Makes the Windows test kit QVAPI-<version>-tests.zip: one folder that
holds the Windows test programs, the release's QVAPI.DLL (the package's own
bytes) with its type library, assembly manifest and registration script,
the stand-ins of the tool's modules, the clients (built against the SDK as
a client project builds them) and their expected outputs, the package built
for tests (the DLL with the stand-ins beside it) under an identity of its
own, run-tests.cmd with its runner, the deadline helper and README.txt.
Every program finds what it needs beside itself.
Reproducible: the programs stripped and stamped with the source's epoch,
the zip made as the SDK's is.

Usage: make_kit.py SOURCE-DIR BUILD-DIR ROWS-TOOL VERSION PACKAGE.msi OBJCOPY OUTPUT.zip"""

import dataclasses
import os
import shutil
import subprocess
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "packaging"))
from make_dist import zip_folder  # noqa: E402
from make_package import build as build_package, fail, qvapi, source_date_epoch  # noqa: E402

CLIENTS = ["plain_exports.exe", "early_bound.exe", "registration_free.exe", "activation_context.exe"]


def test_kit_product(source):
    """The package built for tests: the release's rows under a product,
    upgrade code, components and folder of its own, so that installing or
    removing it can never upgrade, repair or remove a real installation."""
    return dataclasses.replace(
        qvapi(source), name="QVAPI Test Kit",
        upgrade_code="30981328-8013-42DB-9D2F-271F7A7D8574",
        components={
            "QVAPI.DLL": "B17352EB-EF0A-4959-B055-3127B6FDFDBA",
            "QVEvtRpt.DLL": "79CC6A6B-198F-4D4C-8330-2C3C0A2F6C16",
            "KTCORE.DLL": "C9530861-2E06-47EF-B63B-5B3A693CC821",
        },
        kept_component="250C3F39-2567-45A0-A186-A14BF815B301")


def run(command, **options):
    done = subprocess.run(command, capture_output=True, text=True, **options)
    if done.returncode != 0:
        fail(f"{' '.join(command)} failed:\n{done.stdout}{done.stderr}")


def main(argv):
    if len(argv) != 8:
        fail(__doc__.splitlines()[-1])
    source, build, rows, version, package, objcopy, output = argv[1:]
    epoch = source_date_epoch(source)
    work = os.path.join(build, "wintests", "kit")
    kit = os.path.join(work, f"QVAPI-{version}-tests")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(os.path.join(kit, "partial"))
    programs = os.path.join(build, "bin")

    # The clients, as the SDK carries them, built against it with the
    # mingw-w64 toolchain.
    sdk, clients = os.path.join(work, "sdk"), os.path.join(work, "clients")
    run(["cmake", "--install", build, "--prefix", sdk])
    run(["cmake", "-S", os.path.join(sdk, "examples", "clients"), "-B", clients,
         "-DCMAKE_BUILD_TYPE=Release", f"-DCMAKE_PREFIX_PATH={sdk}",
         f"-DCMAKE_TOOLCHAIN_FILE={os.path.join(source, 'cmake', 'i686-w64-mingw32.cmake')}"])
    run(["cmake", "--build", clients])

    stamped = dict(os.environ, SOURCE_DATE_EPOCH=str(epoch))
    for program in [os.path.join(programs, name)
                    for name in ["qvapi_tests.exe", "fault_injection.exe", "deadline.exe"]] + \
            [os.path.join(clients, client) for client in CLIENTS]:
        run([objcopy, "--strip-all", program, os.path.join(kit, os.path.basename(program))],
            env=stamped)
    files = {
        os.path.join(package + ".files", "QVAPI.DLL"): "QVAPI.DLL",
        os.path.join(programs, "partial", "ZELKCORE.DLL"): os.path.join("partial", "ZELKCORE.DLL"),
        os.path.join(source, "tests", "examples", "clients.expected"): "clients.expected",
        os.path.join(source, "tests", "examples", "registration_free.expected"):
            "registration_free.expected",
    }
    for name in ["QVEvtRpt.DLL", "KTCORE.DLL", "ZELKCORE.DLL", "QVAPI.tlb", "QVAPI.sxs.manifest",
                 "QVAPI.rgs"]:
        files[os.path.join(programs, name)] = name
    for name in ["automation_client.vbs", "automation_client.js"]:
        files[os.path.join(source, "examples", "clients", name)] = name
    for name in ["run-tests.cmd", "run-tests.js", "README.txt"]:
        files[os.path.join(source, "wintests", name)] = name
    for origin, name in files.items():
        shutil.copyfile(origin, os.path.join(kit, name))
    with open(os.path.join(kit, "VERSION.txt"), "w", newline="\r\n") as file:
        file.write(f"{version}\n")

    # What the runner knows of the two packages: the release's, to leave a
    # real installation alone, and the kit's own, to remove what a broken-off
    # run left installed.
    release, own = qvapi(source), test_kit_product(source)
    with open(os.path.join(kit, "packages.txt"), "w", newline="\r\n") as file:
        file.write(f"release UpgradeCode={{{release.upgrade_code}}}\n"
                   f"kit UpgradeCode={{{own.upgrade_code}}}\n"
                   f"kit folder={own.name}\n")

    # The package built for tests: the kit's DLL, unsigned again, and two stand-ins.
    for name in [name for name in os.environ if name.startswith("SIGN_")]:
        del os.environ[name]
    build_package(own, rows, source, version, os.path.join(work, "QVAPI-tests.msi"),
                  [os.path.join(kit, "QVAPI.DLL"), os.path.join(programs, "QVEvtRpt.DLL"),
                   os.path.join(programs, "KTCORE.DLL")])
    shutil.copyfile(os.path.join(work, "QVAPI-tests.msi"), os.path.join(kit, "QVAPI-tests.msi"))
    zip_folder(kit, output, epoch)


if __name__ == "__main__":
    main(sys.argv)
