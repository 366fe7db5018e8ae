#!/usr/bin/env python3
"""Writes the side-by-side assembly manifest of QVAPI.DLL, through which a
program uses QV_Api with nothing in the registry. Everything it names is
read from where it is defined once: the class, interface and library ids,
the class description and the library version from the interface
description; the ProgIDs and the threading model from the registration
script; the file version from the build.

Usage: make_sxs_manifest.py IDL REGISTRATION-SCRIPT VERSION OUTPUT"""

import html
import re
import sys

from interface_description import AUTOMATION_MARSHALER, DescriptionError, read


def fail(message):
    sys.exit(f"make_sxs_manifest: {message}")


def xml(text):
    """Text as an XML attribute value or element content holds it."""
    return html.escape(text, quote=True)


def tokens(script):
    """The registration script's tokens: quoted ('' is a quote) or bare."""
    return [quoted.replace("''", "'") if quoted or bare == "" else bare
            for quoted, bare in re.findall(r"'((?:[^']|'')*)'|(\S+)", script)]


def string_value(words, name):
    """The text of the first `name = s 'text'` entry of the script."""
    for i in range(len(words) - 3):
        if words[i] == name and words[i + 1] == "=" and words[i + 2].lower() == "s":
            return words[i + 3]
    fail(f"the registration script has no string value {name}")


def main(argv):
    if len(argv) != 5:
        fail(__doc__.splitlines()[-1])
    idl_path, script_path, version, output = argv[1:]
    try:
        described = read(idl_path)
        with open(script_path, encoding="utf-8") as file:
            words = tokens(file.read())
    except (OSError, DescriptionError) as error:
        fail(error)
    # Every value as XML holds it: a description may carry any character.
    v = {key: xml(text) for key, text in {
        "version": version,
        "clsid": described.clsid,
        "libid": described.libid,
        "iid": described.iid,
        "interface": described.interface,
        "threading": string_value(words, "ThreadingModel"),
        "progid": string_value(words, "ProgID"),
        "independent": string_value(words, "VersionIndependentProgID"),
        "description": described.class_description,
        "library_version": described.library_version,
    }.items()}
    manifest = f"""<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">
  <assemblyIdentity type="win32" name="QVAPI.sxs" version="{v['version']}" processorArchitecture="x86"/>
  <file name="QVAPI.DLL">
    <comClass clsid="{v['clsid']}" threadingModel="{v['threading']}"
              progid="{v['progid']}" tlbid="{v['libid']}"
              description="{v['description']}">
      <progid>{v['independent']}</progid>
    </comClass>
    <typelib tlbid="{v['libid']}" version="{v['library_version']}" helpdir=""/>
  </file>
  <comInterfaceExternalProxyStub name="{v['interface']}" iid="{v['iid']}"
                                 tlbid="{v['libid']}" proxyStubClsid32="{AUTOMATION_MARSHALER}"/>
</assembly>
"""
    with open(output, "w", encoding="utf-8", newline="\r\n") as file:
        file.write(manifest)


if __name__ == "__main__":
    main(sys.argv)
