#!/usr/bin/env python3
"""Writes the side-by-side assembly manifest of QVAPI.DLL, through which a
program uses QV_Api with nothing in the registry. Everything it names is
read from where it is defined once: the class, interface and library ids,
the class description and the library version from the interface
description; the ProgIDs and the threading model from the registration
script; the file version from the build.

Usage: make_sxs_manifest.py IDL REGISTRATION-SCRIPT VERSION OUTPUT"""

import re
import sys

# The platform's marshaler for interfaces described by a type library.
AUTOMATION_MARSHALER = "{00020424-0000-0000-C000-000000000046}"


def fail(message):
    sys.exit(f"make_sxs_manifest: {message}")


def declarations(idl):
    """{(kind, name): attribute text} of the interfaces, libraries and classes
    that the interface description defines (not those it only names)."""
    idl = re.sub(r"//[^\n]*", "", idl)
    return {(kind, name): attributes for attributes, kind, name in
            re.findall(r"\[([^\]]*)\]\s*(interface|library|coclass)\s+(\w+)\s*[:{]", idl)}


def attribute(attributes, name):
    match = re.search(rf"\b{name}\(\s*\"?([^\")]*)\"?\s*\)", attributes)
    if not match:
        fail(f"no {name} in [{attributes.strip()}]")
    return match.group(1)


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
    with open(idl_path) as file:
        found = declarations(file.read())
    with open(script_path) as file:
        words = tokens(file.read())
    [(_, class_name)] = [key for key in found if key[0] == "coclass"]
    [(_, library_name)] = [key for key in found if key[0] == "library"]
    [(_, interface_name)] = [key for key in found if key[0] == "interface"]
    coclass = found["coclass", class_name]
    library = found["library", library_name]
    clsid = "{" + attribute(coclass, "uuid").upper() + "}"
    libid = "{" + attribute(library, "uuid").upper() + "}"
    iid = "{" + attribute(found["interface", interface_name], "uuid").upper() + "}"
    manifest = f"""<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">
  <assemblyIdentity type="win32" name="QVAPI.sxs" version="{version}" processorArchitecture="x86"/>
  <file name="QVAPI.DLL">
    <comClass clsid="{clsid}" threadingModel="{string_value(words, "ThreadingModel")}"
              progid="{string_value(words, "ProgID")}" tlbid="{libid}"
              description="{attribute(coclass, "helpstring")}">
      <progid>{string_value(words, "VersionIndependentProgID")}</progid>
    </comClass>
    <typelib tlbid="{libid}" version="{attribute(library, "version")}" helpdir=""/>
  </file>
  <comInterfaceExternalProxyStub name="{interface_name}" iid="{iid}"
                                 tlbid="{libid}" proxyStubClsid32="{AUTOMATION_MARSHALER}"/>
</assembly>
"""
    with open(output, "w", newline="\r\n") as file:
        file.write(manifest)


if __name__ == "__main__":
    main(sys.argv)
