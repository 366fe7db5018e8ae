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

# The platform's marshaler for interfaces described by a type library.
AUTOMATION_MARSHALER = "{00020424-0000-0000-C000-000000000046}"


def fail(message):
    sys.exit(f"make_sxs_manifest: {message}")


# A C string literal, read whole: a bracket, a parenthesis or an escaped
# quote inside it is part of the text.
STRING = r'"(?:[^"\\\n]|\\.)*"'


def without_comments(idl):
    """The interface description with its // and /* */ comments blanked;
    string literals are kept as they are."""
    return re.sub(rf"{STRING}|//[^\n]*|/\*.*?\*/",
                  lambda m: m.group(0) if m.group(0).startswith('"') else " ", idl, flags=re.S)


def declarations(idl):
    """[(attribute text, kind, name)] of the interfaces, libraries and classes
    that the interface description defines (not those it only names)."""
    return re.findall(
        rf"\[((?:{STRING}|[^\]\"])*)\]\s*(interface|library|coclass)\s+(\w+)\s*[:{{]",
        without_comments(idl))


def the_one(found, kind):
    """The name and attributes of the one `kind` the description defines."""
    named = [(name, attributes) for attributes, k, name in found if k == kind]
    if len(named) != 1:
        fail(f"the interface description has {len(named)} {kind} definitions, not one")
    return named[0]


def attribute(attributes, name):
    """The value of attribute `name`: a string literal's text, or the bare
    text between the parentheses. Text inside another attribute's string is
    never taken for an attribute."""
    for _, key, value in re.findall(
            rf"({STRING})|(\w+)\s*\(\s*({STRING}|[^()\"]*?)\s*\)", attributes):
        if key == name:
            return re.sub(r"\\(.)", r"\1", value[1:-1]) if value.startswith('"') else value
    fail(f"no {name} in [{attributes.strip()}]")


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
        with open(idl_path, encoding="utf-8") as file:
            found = declarations(file.read())
        with open(script_path, encoding="utf-8") as file:
            words = tokens(file.read())
    except OSError as error:
        fail(error)
    _, coclass = the_one(found, "coclass")
    _, library = the_one(found, "library")
    interface_name, interface = the_one(found, "interface")
    # Every value as XML holds it: a description may carry any character.
    v = {key: xml(text) for key, text in {
        "version": version,
        "clsid": "{" + attribute(coclass, "uuid").upper() + "}",
        "libid": "{" + attribute(library, "uuid").upper() + "}",
        "iid": "{" + attribute(interface, "uuid").upper() + "}",
        "interface": interface_name,
        "threading": string_value(words, "ThreadingModel"),
        "progid": string_value(words, "ProgID"),
        "independent": string_value(words, "VersionIndependentProgID"),
        "description": attribute(coclass, "helpstring"),
        "library_version": attribute(library, "version"),
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
