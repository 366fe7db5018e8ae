#!/usr/bin/env python3
"""The throwaway module's package, made as the server's is, under a
product, an upgrade code and components of its own.

Usage: make_throwaway_package.py ROWS-TOOL SOURCE-DIR OUTPUT.msi THROWAWAY.DLL"""

import os
import sys

sys.dont_write_bytecode = True
rows_tool, source, output, module = sys.argv[1:]
sys.path.insert(0, os.path.join(source, "packaging"))
from make_package import Product, build  # noqa: E402

build(Product(name="QVAPI Throwaway", manufacturer="QVAPI Project",
              upgrade_code="5E0F6A2B-8C1D-4B7E-A3F9-0D2C6B8E4A17",
              components={"Throwaway.DLL": "9A4C1E7F-3B2D-4F8A-B6E0-7C5D1A3F9B28"},
              kept_component="C2E8B4D1-6A9F-4C3E-8B7D-1F0A5E2C9D46",
              script=os.path.join(os.path.dirname(os.path.abspath(__file__)), "throwaway.rgs")),
      rows_tool, source, "1.0.0.1", output, [module])
