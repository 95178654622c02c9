#!/usr/bin/env python3
"""Independent check of the MIME writer's output with Python's email package.

Usage: check_mime.py EXPECTATIONS.json (written by tests/formats/mime_python_test.cpp:
per output file its path, mode "eml" or "mbox" and per message the hex of
its plain bodies, stored HTML bodies and attachment payloads, the number of
HTML bodies made from RTF, its kind and whether its header block was
synthesized). Every message must parse without defects, bodies and the
multiset of attachment payloads must equal the expected ones (line ends
normalised, ">From" quoting undone) and an MBOX file must hold exactly the
expected messages. Prints one line per problem and exits 1 when there are any.
"""

import codecs
import email
import email.policy
import hashlib
import json
import mailbox
import re
import sys

# Defects that describe the address text itself (as stored in the PST), not
# the way the writer put it into the header: notes, not problems.
DATA_DEFECTS = {"addr-spec local part with no domain"}

# Headers the writer composes itself: a defect in one of them is a fault of
# the writer. Other headers carry the PST's own text (stored Internet
# headers, Message-ID, Subject ...), whose defects are the sender's: they are
# printed as notes. The address and date headers of a synthesized header
# block are composed too.
COMPOSED = {"content-type", "content-transfer-encoding", "content-disposition", "mime-version"}
COMPOSED_WHEN_SYNTHESIZED = {"from", "sender", "to", "cc", "bcc", "reply-to", "date",
                             "delivery-date", "status", "priority", "x-priority", "importance"}


def gbk_for_gb2312(name):
    # Mail readers decode "gb2312" as its superset GBK (Windows code page
    # 936); the writer labels code page 936 text that way too.
    if name.lower().replace("_", "-") in ("gb2312", "euc-cn"):
        return codecs.lookup("gbk")
    return None


codecs.register(gbk_for_gb2312)

QUOTED_FROM = re.compile(rb"^>(>*From )", re.MULTILINE)


def normalise(data, mbox):
    data = data.replace(b"\r\n", b"\n").replace(b"\r", b"\n")
    if mbox:
        data = QUOTED_FROM.sub(rb"\1", data)
    return data.rstrip(b"\n")


def digest(data):
    return (len(data), hashlib.sha256(data).hexdigest())


def defects_of(message, synthesized):
    """(defects, notes) of the message and all its parts."""
    found, notes = [], []
    for part in message.walk():
        found += ["%s: %s" % (type(d).__name__, d) for d in part.defects]
        composed = COMPOSED | (COMPOSED_WHEN_SYNTHESIZED if synthesized and part is message
                               else set())
        for name, value in part.items():
            for d in getattr(value, "defects", ()):
                text = "%s header: %s: %s" % (name, type(d).__name__, d)
                composed_here = name.lower() in composed and str(d) not in DATA_DEFECTS
                (found if composed_here else notes).append(text)
    return found, notes


def parts_of(message):
    """walk(), but a message/external-body part only names a file or URL
    elsewhere: neither it nor its phantom headers are payload."""
    if message.get_content_type() == "message/external-body":
        return
    yield message
    if message.is_multipart():
        for sub in message.get_payload():
            yield from parts_of(sub)


def collect(message):
    plain, html, attachments = [], [], []
    for part in parts_of(message):
        if part.is_multipart() or part.get_content_type() == "message/rfc822":
            continue
        if len(part.keys()) == 0:
            continue  # an empty part (an attachment by reference)
        payload = part.get_payload(decode=True) or b""
        body = part.get_content_disposition() != "attachment"
        if body and part.get_content_type() == "text/plain":
            plain.append(part.get_content())
        elif body and part.get_content_type() == "text/html":
            html.append(payload)
        else:
            attachments.append(digest(payload))
    return plain, html, attachments


def check_message(raw, expected, mbox, where, problems, notes):
    message = email.message_from_bytes(raw, policy=email.policy.default)
    defects, header_notes = defects_of(message, expected["synthesized"])
    problems += ["%s: defect %s" % (where, defect) for defect in defects]
    notes += ["%s: note: stored text %s" % (where, note) for note in header_notes]
    if expected["kind"] == "signed":
        if message.get_content_type() != "multipart/signed":
            problems.append("%s: signed message is %s" % (where, message.get_content_type()))
        return
    plain, html, attachments = collect(message)

    # A message without any body is written as an empty text/plain body.
    want_plain = sorted(w for w in (normalise(bytes.fromhex(h), False) for h in expected["plain"])
                        if w)
    got_plain = sorted(g for g in (normalise(t.encode("utf-8"), mbox) for t in plain) if g)
    if want_plain != got_plain:
        problems.append("%s: plain bodies differ: want %r got %r"
                        % (where, [w[:200] for w in want_plain], [g[:200] for g in got_plain]))

    want_html = sorted(normalise(bytes.fromhex(h), False) for h in expected["html"])
    got_html = sorted(normalise(h, mbox) for h in html)
    html_any = expected["html_any"]
    for w in want_html:
        if w in got_html:
            got_html.remove(w)
        else:
            problems.append("%s: HTML body missing or changed: %r" % (where, w[:200]))
    if len(got_html) != html_any:
        problems.append("%s: %d HTML bodies made from RTF, want %d"
                        % (where, len(got_html), html_any))
    if any(len(h) == 0 for h in got_html):
        problems.append("%s: empty HTML body made from RTF" % where)

    want_attachments = sorted(digest(bytes.fromhex(h)) for h in expected["attachments"])
    if sorted(attachments) != want_attachments:
        problems.append("%s: attachments differ: want %r got %r"
                        % (where, want_attachments, sorted(attachments)))


def check_file(entry, problems, notes):
    path, mode, messages = entry["path"], entry["mode"], entry["messages"]
    if mode == "eml":
        check_message(open(path, "rb").read(), messages[0], False, path, problems, notes)
        return 1
    box = mailbox.mbox(path, create=False)
    keys = box.keys()
    if len(keys) != len(messages):
        problems.append("%s: %d messages, want %d" % (path, len(keys), len(messages)))
        return len(keys)
    for index, key in enumerate(keys):
        if not box.get_message(key).get_from().startswith("- "):
            problems.append("%s #%d: separator line %r" % (path, index, box.get_message(key).get_from()))
        check_message(box.get_bytes(key), messages[index], True, "%s #%d" % (path, index),
                      problems, notes)
    return len(keys)


def main():
    with open(sys.argv[1], encoding="utf-8") as f:
        expectations = json.load(f)
    problems, notes = [], []
    count = 0
    for entry in expectations["files"]:
        try:
            count += check_file(entry, problems, notes)
        except Exception as e:  # a parser failure is a finding, not a crash
            problems.append("%s: %s: %s" % (entry["path"], type(e).__name__, e))
    for line in notes + problems:
        print(line)
    print("checked %d messages, %d problems, %d notes" % (count, len(problems), len(notes)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
