#!/usr/bin/env python3
"""Prints every regular file below a folder with the number of messages
Python's mailbox module reads from it as an MBOX mailbox: "path<TAB>count",
sorted; hidden files (the converter's own markers) are left out. A file
that does not parse prints "path<TAB>error: ..."."""
import mailbox
import os
import sys

root = sys.argv[1]
lines = []
for folder, _, files in os.walk(root):
    for name in files:
        if name.startswith("."):
            continue
        path = os.path.join(folder, name)
        try:
            count = len(mailbox.mbox(path, create=False))
        except Exception as error:  # reported, the test fails on it
            count = "error: %s" % error
        lines.append("%s\t%s" % (os.path.relpath(path, root), count))
print("\n".join(sorted(lines)))
