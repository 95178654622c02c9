#!/usr/bin/env python3
"""Counts what a destination's output holds, reading it as the importing
applications' formats: messages of every mailbox (Python's mailbox), the
reference mails among them (the mailboxes the report names and those
named "Calendar References"), vCards
(vobject) and calendar items (icalendar: VEVENTs that are not changed
occurrences, which name their series in RELATED-TO or RECURRENCE-ID).
Prints "MAIL n", "REFS n", "CARDS n", "EVENTS n" and an "ERROR ..." line
for every file that does not parse.

usage: count_target_items.py TARGET OUTPUT [REFERENCE_MAILBOX...]"""
import mailbox
import os
import sys

import icalendar
import vobject

target, output, references = sys.argv[1], sys.argv[2], set(sys.argv[3:])


def files_below(folder):
    for root, _, names in os.walk(folder):
        for name in names:
            if not name.startswith("."):
                yield os.path.join(root, name)


def is_mailbox(path):
    name = os.path.basename(path)
    if target == "apple":
        return name == "mbox"
    if target == "outlook-archive":
        return name.endswith(".mbox")
    return True  # every file of a Thunderbird tree is a mailbox


def base(kind):
    if target == "outlook-archive":
        package = [n for n in os.listdir(output) if n.endswith(".rge")][0]
        return os.path.join(output, package, {"mail": "Mail", "cards": "Contacts",
                                              "events": "Calendar"}[kind])
    return os.path.join(output, {"mail": "Mails", "cards": "Contacts",
                                 "events": "Calendar Events"}[kind])


counts = {"MAIL": 0, "REFS": 0, "CARDS": 0, "EVENTS": 0}
for kind in ("mail", "cards", "events"):
    folder = base(kind)
    if not os.path.isdir(folder):
        continue
    for path in files_below(folder):
        try:
            if kind == "mail" and is_mailbox(path):
                n = len(mailbox.mbox(path, create=False))
                is_reference = path in references or any(
                    part.startswith("Calendar References") for part in path.split(os.sep)[-2:])
                counts["REFS" if is_reference else "MAIL"] += n
            elif kind == "cards":
                with open(path, encoding="utf-8") as f:
                    counts["CARDS"] += sum(1 for _ in vobject.readComponents(f.read()))
            elif kind == "events":
                with open(path, "rb") as f:
                    calendar = icalendar.Calendar.from_ical(f.read())
                counts["EVENTS"] += sum(1 for e in calendar.walk("VEVENT")
                                        if "RECURRENCE-ID" not in e
                                        and "RELATED-TO" not in e)
        except Exception as error:
            print("ERROR %s: %s" % (path, error))
for key, value in counts.items():
    print(key, value)
