#!/usr/bin/env python3
"""Builds the Windows Installer package of QVAPI.DLL with wixl: per machine,
32-bit, into a QVAPI folder under Program Files, upgrading any earlier
version and refusing to replace a later one.

Its registry rows come from the single sources, nothing typed twice: the
class and ProgID entries from the registration script, run through the
project's own interpreter (registry_rows) with the installed file's
reference "[#QVAPI.DLL]" as the module's path; the type library's and the
interface's entries from the interface description, as the platform's
type-library registration writes them. The package is reproducible: its
ProductCode follows from the version and the files it carries, its
PackageCode from all it holds, its times from SOURCE_DATE_EPOCH (else the
last commit). Any warning of wixl fails the build: it mis-authors silently.

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

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "resources"))
from interface_description import AUTOMATION_MARSHALER, DescriptionError, read  # noqa: E402
from msi_summary import PackageError, set_summary  # noqa: E402

# Chosen once and kept: what ties every version of the package together,
# and the component of each file it may carry.
UPGRADE_CODE = "76B86B55-B095-4BB4-AC14-F6A7DC34199C"
COMPONENTS = {
    "QVAPI.DLL": "1AAB6099-AB29-4405-9FDD-0C15972C5BD0",
    # The test variant's stand-ins of the tool's modules.
    "QVEvtRpt.DLL": "2BCA3B97-4536-4D06-8E72-6C6D507EE2EC",
    "KTCORE.DLL": "D4916A9F-ABBF-4ADD-A537-5E8D841C0556",
    "ZELKCORE.DLL": "DF6B9D56-163A-4840-986E-AB40AF3D9586",
}
# The namespace of the codes made from the version and the content.
CODES = uuid.UUID("57F6AB21-DEF4-41D9-992F-FF8D35A746EB")
INSTALLED_DLL = "[#QVAPI.DLL]"
INSTALL_FOLDER = "[INSTALLFOLDER]"
LIBFLAG_FHASDISKIMAGE = 8  # the platform adds it for a library loaded from a file
WIX = "http://schemas.microsoft.com/wix/2006/wi"


def fail(message):
    sys.exit(f"make_package: {message}")


def product_version(version):
    """Windows Installer compares three fields: the build number (the
    fourth) is the third, so that every build upgrades the one before."""
    major, minor, _, build = (int(field) for field in version.split("."))
    if major > 255 or minor > 255 or build > 65535:
        fail(f"version {version} does not fit a package's version")
    return f"{major}.{minor}.{build}"


def script_rows(rows_tool, script):
    """(key, value name or None, type, data) of each value the script
    writes, and (key, None, None, None) of each key it leaves empty."""
    dump = subprocess.run([rows_tool, script, INSTALLED_DLL], check=True, capture_output=True,
                          text=True).stdout.splitlines()
    rows, parents = [], set()
    for line in dump:
        match = re.fullmatch(r'\[(.*?)\](?: (@|"(.*)") = (REG_SZ "(.*)"|REG_DWORD (0x\w{8})))?',
                             line)
        if not match:
            fail(f"registry_rows wrote {line!r}")
        key, value, name, _, text, number = match.groups()
        parents.update(key[:i] for i, c in enumerate(key) if c == "\\")
        if value:
            rows.append((key, name, "string" if number is None else "integer",
                         text if number is None else str(int(number, 16))))
        else:
            rows.append((key, None, None, None))
    occupied = parents | {key for key, _, kind, _ in rows if kind}
    return [row for row in rows if row[2] or row[0] not in occupied]


def type_library_rows(described):
    """What RegisterTypeLib writes for the library in the installed file,
    its folder as the help folder, and for its interface."""
    major, minor = (int(part) for part in described.library_version.split("."))
    version = f"{major:x}.{minor:x}"
    library = f"TypeLib\\{described.libid}\\{version}"
    interface = f"Interface\\{described.iid}"
    return [
        (library, None, "string", described.library_description),
        (f"{library}\\{described.library_lcid:x}\\win32", None, "string", INSTALLED_DLL),
        (f"{library}\\FLAGS", None, "string",
         str(described.library_flags | LIBFLAG_FHASDISKIMAGE)),
        (f"{library}\\HELPDIR", None, "string", INSTALL_FOLDER),
        (interface, None, "string", described.interface),
        (f"{interface}\\ProxyStubClsid", None, "string", AUTOMATION_MARSHALER),
        (f"{interface}\\ProxyStubClsid32", None, "string", AUTOMATION_MARSHALER),
        (f"{interface}\\TypeLib", None, "string", described.libid),
        (f"{interface}\\TypeLib", "Version", "string", version),
    ]


def company(source):
    """The company that the module's version block names."""
    with open(os.path.join(source, "resources", "QVAPI.rc"), encoding="utf-8") as file:
        match = re.search(r'VALUE "CompanyName", "([^"]*)"', file.read())
    if not match:
        fail("QVAPI.rc names no CompanyName")
    return match.group(1)


def authoring(version, files, rows, manufacturer, product_code):
    """The package's WiX source: one component a file, the registry rows in
    the DLL's, every value a row of its own (wixl has no COM elements)."""
    ET.register_namespace("", WIX)
    element = lambda parent, tag, **attributes: ET.SubElement(parent, f"{{{WIX}}}{tag}", attributes)
    wix = ET.Element(f"{{{WIX}}}Wix")
    product = element(wix, "Product", Id=product_code, Name="QVAPI", Language="1033",
                      Version=product_version(version), Manufacturer=manufacturer,
                      UpgradeCode=UPGRADE_CODE)
    element(product, "Package", InstallerVersion="200", Compressed="yes",
            InstallScope="perMachine", Description=f"QVAPI {version}", Manufacturer=manufacturer)
    element(product, "MajorUpgrade",
            DowngradeErrorMessage="A later version of QVAPI is already installed.")
    element(product, "Media", Id="1", Cabinet="QVAPI.cab", EmbedCab="yes")
    root = element(product, "Directory", Id="TARGETDIR", Name="SourceDir")
    folder = element(element(root, "Directory", Id="ProgramFilesFolder"), "Directory",
                     Id="INSTALLFOLDER", Name="QVAPI")
    feature = element(product, "Feature", Id="QVAPI", Level="1")
    for name in files:
        component = element(folder, "Component", Id=name, Guid=COMPONENTS[name])
        element(component, "File", Id=name, Name=name, Source=name, KeyPath="yes")
        for key, value_name, kind, data in rows if name == "QVAPI.DLL" else []:
            value = dict(Root="HKCR", Key=key)
            if kind is None:  # a key that holds nothing: made, and taken away with the rest
                value.update(Name="*", Value="", Type="string")
            else:
                value.update(Value=data, Type=kind)
                if value_name is not None:
                    value["Name"] = value_name
            element(component, "RegistryValue", **value)
        element(feature, "ComponentRef", Id=name)
    ET.indent(wix)
    return ET.tostring(wix, encoding="unicode", xml_declaration=True) + "\n"


def source_date_epoch(source):
    """The epoch the build's modules take their time stamps from."""
    epoch = subprocess.run([os.path.join(source, "cmake", "with-source-date-epoch"), "printenv",
                            "SOURCE_DATE_EPOCH"], capture_output=True, text=True).stdout.strip()
    return int(epoch) if epoch else 0


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


def main(argv):
    if len(argv) < 6:
        fail(__doc__.splitlines()[-2])
    rows_tool, source, version, output, *files = argv[1:]
    names = [os.path.basename(f) for f in files]
    if names[0] != "QVAPI.DLL" or any(name not in COMPONENTS for name in names):
        fail(f"the package carries QVAPI.DLL first, then some of {list(COMPONENTS)[1:]}")
    try:
        described = read(os.path.join(source, "resources", "QVAPI.idl"))
    except (OSError, DescriptionError) as error:
        fail(error)
    rows = script_rows(rows_tool, os.path.join(source, "resources", "QVAPI.rgs")) + \
        type_library_rows(described)

    # wixl takes each file from its working folder, by its name; the
    # cabinet keeps each file's time.
    epoch = source_date_epoch(source)
    work = output + ".files"
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    for path, name in zip(files, names):
        shutil.copyfile(path, os.path.join(work, name))
    sign(os.path.join(work, "QVAPI.DLL"))
    for name in names:
        os.utime(os.path.join(work, name), (epoch, epoch))
    product_code = str(uuid.uuid5(CODES, f"ProductCode {version} {' '.join(names)}")).upper()
    wxs = authoring(version, names, rows, company(source), product_code)
    with open(os.path.join(work, "QVAPI.wxs"), "w", encoding="utf-8") as file:
        file.write(wxs)
    built = subprocess.run(["wixl", "-a", "x86", "-o", os.path.abspath(output), "QVAPI.wxs"],
                           cwd=work, capture_output=True, text=True)
    said = built.stdout + built.stderr
    if built.returncode != 0 or re.search(r"WARNING|CRITICAL", said):
        fail(f"wixl failed or warned (exit {built.returncode}):\n{said}")

    content = hashlib.sha256(wxs.encode())
    for name in names:
        with open(os.path.join(work, name), "rb") as file:
            content.update(file.read())
    try:
        set_summary(output, str(uuid.uuid5(CODES, "PackageCode " + content.hexdigest())), epoch)
    except PackageError as error:
        fail(f"{output}: {error}")
    sign(output)


if __name__ == "__main__":
    main(sys.argv)
