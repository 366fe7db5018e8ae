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
    library_version: str  # "major.minor", decimal
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
            return string_text(value, name) if value.startswith('"') else value
    raise DescriptionError(f"no {name} in [{attributes.strip()}]")


def string_text(literal, name):
    """A string literal's text as the IDL compiler keeps it: \\" and \\\\ stand
    for the quote and the backslash. Other backslash sequences are refused:
    IDL compilers differ on them (one keeps them as written)."""
    for escape in re.finditer(r"\\(.)", literal[1:-1]):
        if escape.group(1) not in '"\\':
            raise DescriptionError(f"{name}({literal}) holds {escape.group(0)}: write the "
                                   "character itself, or leave it out")
    return re.sub(r"\\(.)", r"\1", literal[1:-1])


def number(text, name):
    """A C integer constant, decimal or hexadecimal (0x), as the IDL compiler
    reads it; anything else (an octal-looking 0409, a suffix) is refused."""
    if re.fullmatch(r"0|[1-9][0-9]*", text):
        return int(text)
    if re.fullmatch(r"0[xX][0-9a-fA-F]+", text):
        return int(text, 16)
    raise DescriptionError(f"{name}({text}) is not a decimal or 0x-prefixed hexadecimal number")


def version(attributes):
    """The declared version as "major.minor": version(1) is 1.0."""
    declared = attribute(attributes, "version")
    parts = re.fullmatch(r"(0|[1-9][0-9]*)(?:\.(0|[1-9][0-9]*))?", declared)
    if not parts or any(int(part or 0) > 65535 for part in parts.groups()):
        raise DescriptionError(f"version({declared}) is not major or major.minor, each at most "
                               "65535")
    return f"{int(parts.group(1))}.{int(parts.group(2) or 0)}"


def flags(attributes):
    """The library flags that the attributes declare."""
    words = re.sub(STRING, "", attributes).replace(",", " ").split()
    return sum(flag for name, flag in (("restricted", 1), ("control", 2), ("hidden", 4))
               if name in words)


def lcid(attributes):
    """The declared locale of a library; 0, the neutral one, by default."""
    if not re.search(r"\blcid\s*\(", re.sub(STRING, "", attributes)):
        return 0
    return number(attribute(attributes, "lcid"), "lcid")


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
        libid=braced(library), library_version=version(library),
        library_description=attribute(library, "helpstring"),
        library_lcid=lcid(library), library_flags=flags(library),
        interface=interface_name, iid=braced(interface))
