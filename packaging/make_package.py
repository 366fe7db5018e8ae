#!/usr/bin/env python3
"""Builds the Windows Installer package of QVAPI.DLL with wixl and msibuild:
per machine, 32-bit, into a QVAPI folder under Program Files, upgrading any
earlier version, replacing another build of the same version and refusing
to replace a later one.

Its registry rows come from the single sources, nothing typed twice: the
class and ProgID entries from the registration script as the project's own
interpreter carries it out (installer_rows), the type library's and the
interface's from the interface description, as the platform's type-library
registration on Windows writes them. wixl authors the files and the
upgrade; msibuild adds what wixl cannot say (the registry tables, keys
deleted at install, a permanent component, upgrades within one version).
Any warning of wixl fails the build: it mis-authors silently.

The package is reproducible: its ProductCode follows from all it carries
(so two builds of one version with different files replace each other),
its PackageCode from its bytes, its times from the source's epoch
(cmake/with-source-date-epoch; the build stops without one).

With SIGN_CERT and SIGN_KEY in the environment (a certificate and its key,
PEM or DER; SIGN_TIMESTAMP: the URL of a timestamp server), the DLL is
signed before it is packed and the package after, with osslsigncode.

Usage: make_package.py ROWS-TOOL SOURCE-DIR VERSION OUTPUT.msi DLL [FILE ...]
  the files after the DLL go beside it (the test variant's stand-ins)"""

import hashlib
import os
import re
import shutil
import subprocess
import sys
import uuid
import xml.etree.ElementTree as ET
from dataclasses import dataclass, field

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "resources"))
from installer_rows import FOLDER, MODULE, Row, RowError, idt_tables, script_rows  # noqa: E402
from interface_description import AUTOMATION_MARSHALER, DescriptionError, read  # noqa: E402
from msi_summary import PackageError, set_summary  # noqa: E402
from version_block import VersionBlockError, version_string  # noqa: E402

# The namespace of the codes made from the version and the content.
CODES = uuid.UUID("57F6AB21-DEF4-41D9-992F-FF8D35A746EB")
WIX = "http://schemas.microsoft.com/wix/2006/wi"
# Zip and cabinet times start in 1980.
EARLIEST = 315532800
# Upgrade table attributes: migrate features; the maximum version included,
# so that another build of the same version replaces the installed one.
UPGRADE_SAME_VERSION = 0x001 | 0x200


def fail(message):
    sys.exit(f"make_package: {message}")


@dataclass
class Product:
    """What a package installs: its module first (the file whose
    registration script the rows carry out), then the files beside it."""
    name: str
    manufacturer: str
    upgrade_code: str
    components: dict  # file name: component GUID, chosen once and kept
    kept_component: str  # GUID of the permanent component of kept rows
    script: str  # the module's registration script
    rows: list = field(default_factory=list)  # rows besides the script's


def qvapi(source):
    """QVAPI.DLL, the readme the release puts beside it, the stand-ins a
    test variant carries beside it, and the type library's rows."""
    try:
        described = read(os.path.join(source, "resources", "QVAPI.idl"))
        manufacturer = version_string(os.path.join(source, "resources", "QVAPI.rc"), "CompanyName")
    except (OSError, DescriptionError, VersionBlockError) as error:
        fail(error)
    return Product(
        name="QVAPI", manufacturer=manufacturer,
        upgrade_code="76B86B55-B095-4BB4-AC14-F6A7DC34199C",
        components={
            "QVAPI.DLL": "1AAB6099-AB29-4405-9FDD-0C15972C5BD0",
            "QVEvtRpt.DLL": "2BCA3B97-4536-4D06-8E72-6C6D507EE2EC",
            "KTCORE.DLL": "D4916A9F-ABBF-4ADD-A537-5E8D841C0556",
            "ZELKCORE.DLL": "DF6B9D56-163A-4840-986E-AB40AF3D9586",
            "README.txt": "5B1D8E2A-9C47-4F3E-A6D1-0E8B2C7F4A93",
        },
        kept_component="0B1E5C9D-6F47-4C1B-9E0A-2D7A41C3B8F2",
        script=os.path.join(source, "resources", "QVAPI.rgs"),
        rows=type_library_rows(described))


def type_library_rows(described):
    """What RegisterTypeLib on Windows writes for the library in the
    installed file, its folder as the help folder, and for its interface.
    FLAGS holds the declared library flags; Wine's registration adds the
    disk-image flag (8), which describes a library loaded in memory."""
    major, minor = (int(part) for part in described.library_version.split("."))
    version = f"{major:x}.{minor:x}"
    library = f"TypeLib\\{described.libid}\\{version}"
    interface = f"Interface\\{described.iid}"
    return [
        Row(library, None, described.library_description),
        Row(f"{library}\\{described.library_lcid:x}\\win32", None, MODULE),
        Row(f"{library}\\FLAGS", None, str(described.library_flags)),
        Row(f"{library}\\HELPDIR", None, FOLDER),
        Row(interface, None, described.interface),
        Row(f"{interface}\\ProxyStubClsid", None, AUTOMATION_MARSHALER),
        Row(f"{interface}\\ProxyStubClsid32", None, AUTOMATION_MARSHALER),
        Row(f"{interface}\\TypeLib", None, described.libid),
        Row(f"{interface}\\TypeLib", "Version", version),
    ]


def product_version(version):
    """The package's version of a.b.c.d. The installer compares three
    fields (at most 255, 255 and 65535), so the last two share the third as
    c * 10000 + d, which orders as (c, d) does while d stays below 10000:
    6.5.0.1466 is 6.5.1466, 6.5.1.0 is 6.5.10000."""
    fields = re.fullmatch(r"(\d+)\.(\d+)\.(\d+)\.(\d+)", version, re.ASCII)
    if not fields:
        fail(f"version {version!r} is not four numbers")
    major, minor, patch, build = (int(f) for f in fields.groups())
    third = patch * 10000 + build
    if major > 255 or minor > 255 or build > 9999 or third > 65535:
        fail(f"version {version} does not fit a package's version: the first two fields at most "
             "255, the fourth at most 9999, and third * 10000 + fourth at most 65535")
    return f"{major}.{minor}.{third}"


def authoring(product, version, files, product_code):
    """The package's WiX source: one component a file; the registry rows
    are added to wixl's package afterwards."""
    ET.register_namespace("", WIX)
    element = lambda parent, tag, **attributes: ET.SubElement(parent, f"{{{WIX}}}{tag}", attributes)
    wix = ET.Element(f"{{{WIX}}}Wix")
    package = element(wix, "Product", Id=product_code, Name=product.name, Language="1033",
                      Version=product_version(version), Manufacturer=product.manufacturer,
                      UpgradeCode=product.upgrade_code)
    element(package, "Package", InstallerVersion="200", Compressed="yes",
            InstallScope="perMachine", Description=f"{product.name} {version}",
            Manufacturer=product.manufacturer)
    element(package, "MajorUpgrade",
            DowngradeErrorMessage=f"A later version of {product.name} is already installed.")
    element(package, "Media", Id="1", Cabinet="package.cab", EmbedCab="yes")
    root = element(package, "Directory", Id="TARGETDIR", Name="SourceDir")
    folder = element(element(root, "Directory", Id="ProgramFilesFolder"), "Directory",
                     Id="INSTALLFOLDER", Name=product.name)
    feature = element(package, "Feature", Id="Complete", Level="1")
    for name in files:
        component = element(folder, "Component", Id=name, Guid=product.components[name])
        element(component, "File", Id=name, Name=name, Source=name, KeyPath="yes")
        element(feature, "ComponentRef", Id=name)
    ET.indent(wix)
    return ET.tostring(wix, encoding="unicode", xml_declaration=True) + "\n"


def msibuild_steps(product, version, rows, removed, module):
    """The msibuild arguments that add what wixl cannot author, and the
    tables they import (name: text)."""
    registry, remove = idt_tables(rows, removed, module, "KeptRegistry")
    third = product_version(version)
    upgrade = "\r\n".join([
        "UpgradeCode\tVersionMin\tVersionMax\tLanguage\tAttributes\tRemove\tActionProperty",
        "s38\tS20\tS20\tS255\ti4\tS255\ts72", "Upgrade\tUpgradeCode\tVersionMin\tVersionMax\t"
        "Language\tAttributes",
        f"{{{product.upgrade_code}}}\t\t{third}\t\t{UPGRADE_SAME_VERSION}\t\tWIX_UPGRADE_DETECTED",
        f"{{{product.upgrade_code}}}\t{third}\t\t\t2\t\tWIX_DOWNGRADE_DETECTED"]) + "\r\n"
    tables = {"Registry": registry, "RemoveRegistry": remove, "Upgrade": upgrade}
    arguments = [argument for table in tables for argument in ("-i", f"{table}.idt")]
    for action, sequence in (("RemoveRegistryValues", 2600), ("WriteRegistryValues", 5000)):
        arguments += ["-q", "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) "
                      f"VALUES ('{action}', {sequence})"]
    if any(row.kept for row in rows):  # never removed, whatever removes the product
        arguments += ["-q", "INSERT INTO `Component` (`Component`, `ComponentId`, `Directory_`, "
                      f"`Attributes`) VALUES ('KeptRegistry', '{{{product.kept_component}}}', "
                      "'INSTALLFOLDER', 16)",
                      "-q", "INSERT INTO `FeatureComponents` (`Feature_`, `Component_`) "
                      "VALUES ('Complete', 'KeptRegistry')"]
    return arguments, tables


def source_date_epoch(source):
    """The epoch the build's modules take their time stamps from; the build
    stops when the source has none (neither a git checkout nor a source
    release)."""
    asked = subprocess.run([os.path.join(source, "cmake", "with-source-date-epoch"), "--print"],
                           capture_output=True, text=True)
    if asked.returncode != 0 or not re.fullmatch(r"\d+", asked.stdout.strip()):
        fail(asked.stderr.strip() or "no source date epoch")
    return max(int(asked.stdout), EARLIEST)


def sign(path):
    """Signs the file in place when a certificate and key are given."""
    certificate, key = os.environ.get("SIGN_CERT"), os.environ.get("SIGN_KEY")
    if not certificate and not key:
        return
    if not certificate or not key:
        fail("signing needs both SIGN_CERT and SIGN_KEY")
    command = ["osslsigncode", "sign", "-certs", certificate, "-key", key, "-n", "QVAPI",
               "-h", "sha256", "-in", path, "-out", path + ".signed"]
    if os.environ.get("SIGN_TIMESTAMP"):
        command += ["-ts", os.environ["SIGN_TIMESTAMP"]]
    signed = subprocess.run(command, capture_output=True, text=True)
    if signed.returncode != 0:
        fail(f"osslsigncode could not sign {path}:\n{signed.stdout}{signed.stderr}")
    os.replace(path + ".signed", path)


def run(command, work):
    """Runs a tool in `work`; its output, or the build stops."""
    done = subprocess.run(command, cwd=work, capture_output=True, text=True)
    said = done.stdout + done.stderr
    if done.returncode != 0 or re.search(r"WARNING|CRITICAL|failed", said):
        fail(f"{command[0]} failed or warned (exit {done.returncode}):\n{said}")
    return said


def build(product, rows_tool, source, version, output, files):
    """Builds the package of `product` at `output`, carrying `files`."""
    names = [os.path.basename(f) for f in files]
    if any(name not in product.components for name in names):
        fail(f"the package carries some of {list(product.components)}, its module first")
    try:
        script, removed = script_rows(rows_tool, product.script)
    except (OSError, RowError) as error:
        fail(error)
    rows = script + product.rows

    # wixl takes each file from its working folder, by its name; the
    # cabinet keeps each file's time.
    epoch = source_date_epoch(source)
    work = output + ".files"
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    for path, name in zip(files, names):
        shutil.copyfile(path, os.path.join(work, name))
    sign(os.path.join(work, names[0]))
    for name in names:
        os.utime(os.path.join(work, name), (epoch, epoch))
    try:
        steps, tables = msibuild_steps(product, version, rows, removed, names[0])
    except RowError as error:
        fail(error)
    for table, text in tables.items():
        with open(os.path.join(work, f"{table}.idt"), "w", encoding="ascii", newline="") as file:
            file.write(text)

    # Everything the package carries, bar its own code, names the product.
    content = hashlib.sha256(run(["wixl", "--version"], work).encode())
    content.update(authoring(product, version, names, str(uuid.UUID(int=0))).encode())
    for item in [*tables.values(), *steps]:
        content.update(item.encode())
    for name in names:
        with open(os.path.join(work, name), "rb") as file:
            content.update(file.read())
    product_code = str(uuid.uuid5(CODES, "ProductCode " + content.hexdigest())).upper()
    with open(os.path.join(work, "package.wxs"), "w", encoding="utf-8") as file:
        file.write(authoring(product, version, names, product_code))
    target = os.path.abspath(output)
    run(["wixl", "-a", "x86", "-o", target, "package.wxs"], work)
    run(["msibuild", target, *steps], work)

    # The PackageCode is the hash of the package's bytes with the code zeroed.
    try:
        set_summary(output, str(uuid.UUID(int=0)), epoch)
        with open(output, "rb") as file:
            package_code = uuid.uuid5(CODES, "PackageCode " + hashlib.sha256(file.read()).hexdigest())
        set_summary(output, str(package_code), epoch)
    except PackageError as error:
        fail(f"{output}: {error}")
    sign(output)


def main(argv):
    if len(argv) < 6:
        fail(__doc__.splitlines()[-2])
    rows_tool, source, version, output, *files = argv[1:]
    product = qvapi(source)
    if os.path.basename(files[0]) != "QVAPI.DLL":
        fail("the package carries QVAPI.DLL first")
    build(product, rows_tool, source, version, output, files)


if __name__ == "__main__":
    main(sys.argv)
