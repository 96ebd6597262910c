#!/usr/bin/env python3
"""Prints C++ declarations holding CP932 bytes for UTF-8 texts.

Input lines on stdin: NAME<TAB>text. Output: one commented `inline constexpr char` per
line, ready to paste into src/base/FixedTexts.h. Hex escapes are split where the next
character would extend them.
"""
import sys


def escape(text):
    out, previous_was_hex = "", False
    for byte in text.encode("cp932"):
        char = chr(byte)
        if 0x20 <= byte < 0x7F and char not in '"\\?':
            if previous_was_hex and char in "0123456789abcdefABCDEF":
                out += '" "'
            out += char
            previous_was_hex = False
        else:
            out += "\\x%02x" % byte
            previous_was_hex = True
    return out


for line in sys.stdin:
    line = line.rstrip("\n")
    if not line.strip():
        continue
    name, text = line.split("\t", 1)
    print("// %s\ninline constexpr char %s[] = \"%s\";" % (text, name, escape(text)))
