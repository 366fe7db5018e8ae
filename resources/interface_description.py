"""What the interface description (QVAPI.idl) declares, as the build's
generators read it: the assembly manifest and the installer package."""

import re
from dataclasses import dataclass

# The platform's marshaler for interfaces described by a type library.
AUTOMATION_MARSHALER = "{00020424-0000-0000-C000-000000000046}"

# A C string literal, read whole: a bracket, a parenthesis or an escaped
# quote inside it is part of the text.
STRING = r'"(?:[^"\\\n]|\\.)*"'


class DescriptionError(Exception):
    """The description is not shaped as the generators expect."""


@dataclass
class Description:
    clsid: str  # each id in braces, upper case
    class_description: str
    libid: str
    library_version: str  # "major.minor", as declared
    library_description: str
    library_lcid: int
    library_flags: int  # LIBFLAG_ of the declared restricted, control and hidden
    interface: str
    iid: str


def without_comments(idl):
    """The description with its // and /* */ comments blanked; string
    literals are kept as they are."""
    return re.sub(rf"{STRING}|//[^\n]*|/\*.*?\*/",
                  lambda m: m.group(0) if m.group(0).startswith('"') else " ", idl, flags=re.S)


def declarations(idl):
    """[(attribute text, kind, name)] of the interfaces, libraries and classes
    that the description defines (not those it only names)."""
    return re.findall(
        rf"\[((?:{STRING}|[^\]\"])*)\]\s*(interface|library|coclass)\s+(\w+)\s*[:{{]",
        without_comments(idl))


def the_one(found, kind):
    """The name and attributes of the one `kind` the description defines."""
    named = [(name, attributes) for attributes, k, name in found if k == kind]
    if len(named) != 1:
        raise DescriptionError(f"the interface description has {len(named)} {kind} definitions, "
                               "not one")
    return named[0]


def attribute(attributes, name):
    """The value of attribute `name`: a string literal's text, or the bare
    text between the parentheses. Text inside another attribute's string is
    never taken for an attribute."""
    for _, key, value in re.findall(
            rf"({STRING})|(\w+)\s*\(\s*({STRING}|[^()\"]*?)\s*\)", attributes):
        if key == name:
            return re.sub(r"\\(.)", r"\1", value[1:-1]) if value.startswith('"') else value
    raise DescriptionError(f"no {name} in [{attributes.strip()}]")


def flags(attributes):
    """The library flags that the attributes declare."""
    words = re.sub(STRING, "", attributes).replace(",", " ").split()
    return sum(flag for name, flag in (("restricted", 1), ("control", 2), ("hidden", 4))
               if name in words)


def lcid(attributes):
    """The declared locale of a library; 0, the neutral one, by default."""
    try:
        return int(attribute(attributes, "lcid"), 0)
    except DescriptionError:
        return 0


def read(path):
    """The Description of the file at `path`; DescriptionError or OSError."""
    with open(path, encoding="utf-8") as file:
        found = declarations(file.read())
    _, coclass = the_one(found, "coclass")
    _, library = the_one(found, "library")
    interface_name, interface = the_one(found, "interface")
    braced = lambda attributes: "{" + attribute(attributes, "uuid").upper() + "}"
    return Description(
        clsid=braced(coclass), class_description=attribute(coclass, "helpstring"),
        libid=braced(library), library_version=attribute(library, "version"),
        library_description=attribute(library, "helpstring"),
        library_lcid=lcid(library), library_flags=flags(library),
        interface=interface_name, iid=braced(interface))
