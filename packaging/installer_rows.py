"""The installer's registry rows for a registration script: what the
project's own interpreter does with the script (registry_rows) put in the
terms of the installer's Registry and RemoveRegistry tables, so that the
package installs what registering writes and removes what unregistering
removes.

- A key that registering deletes with its subtree ("ForceRemove", "Delete")
  is deleted at install, before anything is written (RemoveRegistry).
- A value that registering writes is a row of the module's component,
  written at install and taken away at removal; one that unregistering
  leaves ("NoRemove") is a row of a permanent component, never taken away.
- A key that holds nothing is made at install ("+"). If unregistering
  removes it, it is made and taken away with its subtree ("*"): faithful
  only inside a key that the install empties first, and refused elsewhere.
- The installer takes away a key that its removal leaves empty, and so does
  unregistering; a key the script keeps ("NoRemove") that holds nothing
  else at removal is the one difference (an AppID, CLSID or category key
  never does).

The installer reads these columns as formatted text: brackets and braces
are escaped, a leading '#' doubled, and an empty string written as a
reference to a property that is never set. Text outside printable ASCII
would depend on code pages, and value names the installer reads as
commands ("+", "-", "*") have no row: both are refused with a message."""

import hashlib
import json
import re
import subprocess
from dataclasses import dataclass

MODULE = "\x01"  # the module's path while the script runs; its file's reference in the rows
FOLDER = "\x02"  # the installation folder
NEVER_SET = "[QvapiNothing]"  # a private property no table sets: formats as ""


class RowError(Exception):
    """The script means something the installer's tables cannot say."""


@dataclass(frozen=True)
class Row:
    """A row of the Registry table below HKEY_CLASSES_ROOT, before escaping:
    name None for the default value or for a key command ("+", "*");
    value a str (REG_SZ), an int (REG_DWORD) or None (a key command)."""
    key: str
    name: str | None
    value: str | int | None
    kept: bool = False  # in the permanent component


def script_rows(rows_tool, script):
    """(registry rows, keys deleted at install) for the registration script
    at `script`, from the interpreter's reading of it."""
    with open(script, "rb") as file:
        if any(marker.encode() in file.read() for marker in (MODULE, FOLDER)):
            raise RowError(f"{script} holds a control character")
    run = subprocess.run([rows_tool, script, MODULE], capture_output=True, text=True)
    if run.returncode != 0:
        raise RowError(run.stderr.strip() or f"registry_rows failed with {run.returncode}")
    meaning = json.loads(run.stdout)
    fold = str.lower
    written, kept = meaning["written"], meaning["kept"]
    kept_entries = {(fold(e["key"]), fold(e["name"]) if "name" in e else None) for e in kept}
    removed = sorted({fold(k): k for k in meaning["removed"]}.values(), key=fold)
    removed = [k for k in removed if not any(fold(k).startswith(fold(r) + "\\") for r in removed)]
    inside_removed = lambda key: any(fold(key) == fold(r) or fold(key).startswith(fold(r) + "\\")
                                     for r in removed)
    holders = {fold(e["key"]) for e in written if "name" in e}
    holders |= {fold(e["key"]).rsplit("\\", 1)[0] for e in written if "\\" in e["key"]}

    rows = []
    for entry in written:
        key = entry["key"]
        if "name" in entry:
            kept_value = (fold(key), fold(entry["name"])) in kept_entries
            rows.append(Row(key, entry["name"] or None, entry["data"], kept_value))
        elif fold(key) not in holders:
            if (fold(key), None) in kept_entries:
                rows.append(Row(key, "+", None, True))
            elif inside_removed(key):
                rows.append(Row(key, "*", None))
            else:
                raise RowError(f"the key {key} holds nothing and unregistering removes it, but "
                               "no ForceRemove empties it first: the installer could take it "
                               "away only with whatever another program put below it")
    return rows, removed


def formatted(text, what, module):
    """`text` as the installer's formatted columns give it back, the
    script's module path standing for the file `module`."""
    bad = re.search(r"[^\x20-\x7e\x01\x02]", text)
    if bad:
        raise RowError(f"{what} holds {bad.group(0)!r}: only printable ASCII has one meaning "
                       "in every code page")
    escaped = re.sub(r"[\[\]{}]", lambda m: f"[\\{m.group(0)}]", text)
    return escaped.replace(MODULE, f"[#{module}]").replace(FOLDER, "[INSTALLFOLDER]")


def registry_value(value, what, module):
    """The Value column of a row."""
    if value is None:
        return ""
    if isinstance(value, int):
        return f"#{value}"
    if value == "":
        return NEVER_SET
    text = formatted(value, what, module)
    return "#" + text if text.startswith("#") else text


def row_id(prefix, *parts):
    return prefix + hashlib.sha1("\0".join(parts).encode()).hexdigest()[:32].upper()


def idt_tables(rows, removed, module, kept_component):
    """The text of Registry.idt and RemoveRegistry.idt, the module's file
    being `module`: rows go to its component (named as the file), kept ones
    to `kept_component`."""
    registry = ["Registry\tRoot\tKey\tName\tValue\tComponent_", "s72\ti2\tl255\tL255\tL0\ts72",
                "Registry\tRegistry"]
    for row in rows:
        what = f"the value {row.name or '(default)'} of {row.key}"
        if row.value is None:  # a key command
            name = row.name
        elif row.name in ("+", "-", "*"):
            raise RowError(f"{what}: the installer reads that name as a key command")
        else:
            name = "" if row.name is None else formatted(row.name, what, module)
        key = formatted(row.key, f"the key {row.key}", module)
        owner = kept_component if row.kept else module
        registry.append("\t".join([row_id("reg", owner, key, name), "0", key, name,
                                   registry_value(row.value, what, module), owner]))
    remove = ["RemoveRegistry\tRoot\tKey\tName\tComponent_", "s72\ti2\tl255\tL255\ts72",
              "RemoveRegistry\tRemoveRegistry"]
    for key in removed:
        escaped = formatted(key, f"the key {key}", module)
        remove.append("\t".join([row_id("remove", escaped), "0", escaped, "-", module]))
    return "\r\n".join(registry) + "\r\n", "\r\n".join(remove) + "\r\n"
