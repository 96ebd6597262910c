#!/usr/bin/env python3
"""Writes docs/api.md, the script interface as the .pkg files declare it.

Usage: gen_api_doc.py SRC_BIND_DIR OUTPUT [--check]
With --check nothing is written; the exit status is 1 when OUTPUT differs from what would
be written, so a change of the script interface is always visible in a diff.
"""
import os
import re
import sys


def strip_comments(text):
    text = re.sub(r"/\*.*?\*/", "", text, flags=re.S)
    return re.sub(r"//[^\n]*", "", text)


def describe(pkg_text):
    """Yields (scope, declaration) pairs in file order."""
    scopes = []
    for raw in strip_comments(pkg_text).splitlines():
        line = raw.strip()
        if not line or line.startswith("$"):
            continue
        m = re.match(r"(namespace|module)\s+(\w+)", line)
        if m:
            scopes.append(m.group(2))
            continue
        m = re.match(r"class\s+(\w+)\s*(?::\s*public\s+([\w:]+))?", line)
        if m:
            scopes.append(m.group(1) + (" (base " + m.group(2) + ")" if m.group(2) else ""))
            continue
        if line.startswith("}"):
            if scopes:
                scopes.pop()
            continue
        if line.endswith(";"):
            decl = re.sub(r"\btolua_outside\s+", "", line.rstrip(";").strip())
            decl = re.sub(r"\s*\blua_State\*\s*\w+\s*,?\s*", "", decl)
            decl = decl.replace("(,", "(").replace(", )", ")")
            yield ".".join(s.split(" ")[0] for s in scopes), scopes[-1] if scopes else "", decl


def render(bind_dir):
    out = ["# Script interface", "",
           "Generated from `src/bind/*.pkg` by `tools/gen_api_doc.py`; do not edit.",
           "Operations are listed as their C++ declarations; the script name is the name",
           "after `@` where one is given. Later overloads are tried first.", ""]
    order_file = os.path.join(bind_dir, "Registration.cpp")
    packages = re.findall(r"tolua_(\w+)_open\(L\)", open(order_file, encoding="utf-8").read())
    for package in packages:
        path = os.path.join(bind_dir, package + ".pkg")
        out.append("## " + package)
        out.append("")
        current = None
        for scope, title, decl in describe(open(path, encoding="utf-8").read()):
            if scope != current:
                current = scope
                if out[-1] != "":
                    out.append("")
                out.append("### `" + (scope or "global") + "`" +
                           (" " + title[title.index("("):] if "(" in title else ""))
                out.append("")
            out.append("- `" + decl + "`")
        out.append("")
    return "\n".join(out)


def main():
    bind_dir, output = sys.argv[1], sys.argv[2]
    text = render(bind_dir)
    if "--check" in sys.argv[3:]:
        current = open(output, encoding="utf-8").read() if os.path.exists(output) else ""
        if current != text:
            sys.stderr.write(output + " is out of date: run `make api-doc` and commit it\n")
            return 1
        return 0
    with open(output, "w", encoding="utf-8") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
