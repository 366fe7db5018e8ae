"""The strings of a resource script's version block (QVAPI.rc) as the
resource compiler reads them, for the generators that repeat them (the
installer package's manufacturer): the file in its code page (its last
"#pragma code_page" before the string, else 1252, the compiler's default),
a doubled quote inside a string standing for one quote. A string that is
not one plain literal, or that holds a backslash sequence, is refused
rather than guessed at."""

import codecs
import re

PRAGMA = re.compile(rb"^[ \t]*#[ \t]*pragma[ \t]+code_page[ \t]*\([ \t]*(\w+)[ \t]*\)", re.M)
DEFAULT_CODE_PAGE = 1252


class VersionBlockError(Exception):
    """The version block does not say the string plainly."""


def code_page_before(data, offset):
    """The code page in force at `offset` of the file's bytes."""
    pragmas = [match for match in PRAGMA.finditer(data) if match.start() < offset]
    if not pragmas:
        return DEFAULT_CODE_PAGE
    named = pragmas[-1].group(1).decode("ascii")
    if not named.isdigit():
        raise VersionBlockError(f"#pragma code_page({named}) names no code page by number")
    return int(named)


def version_string(path, key):
    """The text of `VALUE "key", "..."` in the resource script at `path`."""
    with open(path, "rb") as file:
        data = file.read()
    lines = [m for m in re.finditer(rb'^[ \t]*VALUE[ \t]+"' + re.escape(key.encode("ascii")) +
                                    rb'"[ \t]*,(.*)$', data, re.M)]
    if len(lines) != 1:
        raise VersionBlockError(f'{path} has {len(lines)} VALUE "{key}" lines, not one')
    literal = re.fullmatch(rb'[ \t]*"((?:[^"\r\n]|"")*)"[ \t]*(?://.*)?\r?', lines[0].group(1))
    if not literal:
        raise VersionBlockError(f'VALUE "{key}" in {path} is not one quoted text')
    text = literal.group(1)
    if b"\\" in text:
        raise VersionBlockError(f'VALUE "{key}" in {path} holds a backslash sequence; '
                                "write the character itself")
    code_page = code_page_before(data, lines[0].start())
    codec = "utf-8" if code_page == 65001 else f"cp{code_page}"
    try:
        return codecs.decode(text.replace(b'""', b'"'), codec)
    except (LookupError, UnicodeDecodeError) as error:
        raise VersionBlockError(f'VALUE "{key}" in {path} cannot be read in code page '
                                f"{code_page}: {error}") from None
