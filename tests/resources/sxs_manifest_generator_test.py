#!/usr/bin/env python3
"""The assembly manifest generator on interface descriptions that differ from
the project's own: every value is escaped and read whole, comments are no
declarations, and a description it cannot read is refused with a message.

Usage: sxs_manifest_generator_test.py GENERATOR IDL REGISTRATION-SCRIPT WORK-FOLDER"""

import subprocess
import sys
import xml.dom.minidom

generator, idl_path, script, work = sys.argv[1:]
with open(idl_path, encoding="utf-8") as file:
    idl = file.read()


def generate(text):
    with open(f"{work}/variant.idl", "w", encoding="utf-8") as file:
        file.write(text)
    return subprocess.run([sys.executable, generator, f"{work}/variant.idl", script, "1.2.3.4",
                           f"{work}/variant.manifest"], capture_output=True, text=True)


clsid = "3F6A9C10-8E4B-41D7-B2C5-6D0E7A19F3B4"
described = "/* [uuid(0)] coclass Old {}; */\n" + idl.replace(
    f'uuid({clsid}),\n        helpstring("QV_Api Class")',
    f'helpstring("QV_Api Class (R&D) [1] \\"<b>\\" // uuid(0)"), uuid({clsid})')
assert generate(described).returncode == 0
com_class = xml.dom.minidom.parse(f"{work}/variant.manifest").getElementsByTagName("comClass")[0]
assert com_class.getAttribute("description") == 'QV_Api Class (R&D) [1] "<b>" // uuid(0)'
assert com_class.getAttribute("clsid") == "{" + clsid + "}"

second = idl.replace("coclass QV_Api", "coclass QV_Api {}; [uuid(0)] coclass Other")
refused = generate(second)
assert refused.returncode != 0 and refused.stderr.startswith("make_sxs_manifest: "), refused.stderr
