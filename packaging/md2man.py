#!/usr/bin/env python3
"""Writes a manual page in man(7) markup from one of the project's Markdown
documents: headings, paragraphs, lists, tables and code blocks, with inline
code and bold text kept in bold and links reduced to their text.

md2man.py DOCUMENT NAME SECTION SUMMARY VERSION  (the page goes to stdout)
"""

import re
import sys


def escape(text):
    """Plain text safe for man(7): backslashes escaped, no request at line start."""
    text = text.replace("\\", "\\e")
    return "\\&" + text if text.startswith((".", "'")) else text


def inline(text):
    """Markdown inline markup to man(7) fonts."""
    text = re.sub(r"\[([^\]]+)\]\([^)]*\)", r"\1", text)
    parts = re.split(r"(`[^`]*`|\*\*[^*]+\*\*)", text)
    out = ""
    for part in parts:
        if part.startswith("`") and part.endswith("`") and len(part) > 1:
            out += "\\fB" + part[1:-1].replace("\\", "\\e").replace("-", "\\-") + "\\fR"
        elif part.startswith("**") and part.endswith("**") and len(part) > 3:
            out += "\\fB" + part[2:-2].replace("\\", "\\e") + "\\fR"
        else:
            out += part.replace("\\", "\\e")
    return "\\&" + out if out.startswith((".", "'")) else out


def cells(line):
    return [cell.strip() for cell in line.strip().strip("|").split("|")]


def convert(lines, name, section, summary, version):
    out = ['.TH %s %s "" "%s" "File Formats"' % (name.upper(), section, escape(version)),
           ".nh", ".SH NAME", "%s \\- %s" % (escape(name), escape(summary))]
    header = None
    code = False
    for line in lines:
        if line.startswith("```"):
            out += [".PP", ".RS", ".nf"] if not code else [".fi", ".RE"]
            code = not code
        elif code:
            out.append(escape(line))
        elif line.startswith("# "):
            out += [".SH DESCRIPTION"]
        elif line.startswith("## "):
            out.append('.SH "%s"' % inline(line[3:]).upper())
        elif line.startswith("### "):
            out.append('.SS "%s"' % inline(line[4:]))
        elif line.startswith("|"):
            row = cells(line)
            if header is None:
                header = row
            elif not all(re.fullmatch(r":?-+:?", cell) for cell in row):
                details = ["%s: %s" % (title, inline(cell)) for title, cell in zip(header[1:], row[1:]) if cell]
                out += [".TP", inline(row[0]), "; ".join(details)]
            continue
        elif line.startswith("- "):
            out += [".IP \\(bu 2", inline(line[2:])]
        elif not line.strip():
            out.append(".PP")
        else:
            out.append(inline(line.strip()))
        header = None
    text = "\n".join(out)
    # One paragraph break between blocks, none before a heading or a list item.
    text = re.sub(r"(\n\.PP)+", "\n.PP", text)
    text = re.sub(r"\n\.PP(?=\n\.(SH|SS|IP|TP|PP|RS))", "", text)
    return re.sub(r"(\n\.PP)+$", "", text) + "\n"


def main():
    document, name, section, summary, version = sys.argv[1:6]
    with open(document, encoding="utf-8") as f:
        sys.stdout.write(convert(f.read().splitlines(), name, section, summary, version))


if __name__ == "__main__":
    main()
