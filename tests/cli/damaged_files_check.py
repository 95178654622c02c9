#!/usr/bin/env python3
"""Damaged copies of a builder mailbox, converted and compared with the clean one.

For each kind of damage (random bytes over an attachment's data block, over a
subnode block, over a B-tree page; the file cut short at several points) the
script converts the damaged copy to EML files and checks, with Python's own
mail parser, that what the conversion report names as skipped or missing is
exactly what the output lacks: every message of the clean conversion is
either written with the same attachments and bodies, or named in the report
(skipped, or with the missing part listed), and the exit status says so.

    damaged_files_check.py --mailwright BIN --mkpst BIN [--corpus DIR]
"""
import argparse
import email
import email.header
import email.policy
import glob
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

SEED = 1  # the builder mailbox and the random bytes are both deterministic


def convert(mailwright, pst, out):
    """Runs a conversion to EML files; returns (status, stderr, report text)."""
    run = subprocess.run([mailwright, "convert", "--quiet", "--mail-format", "eml", pst,
                          "-o", out], capture_output=True, text=True, timeout=600)
    reports = glob.glob(os.path.join(out, "PST Conversion Report *.txt"))
    report = open(reports[0], encoding="utf-8", newline="").read() if reports else ""
    return run.returncode, run.stderr, report


def messages(out):
    """{(folder, subject, date): {"parts": {name: bytes}, "bodies": [bytes]}}."""
    found = {}
    for path in glob.glob(os.path.join(out, "**", "*.eml"), recursive=True):
        folder = os.path.relpath(os.path.dirname(path), out).split(os.sep, 1)[-1]
        with open(path, "rb") as f:
            message = email.message_from_binary_file(f, policy=email.policy.compat32)
        parts, bodies = {}, []
        for part in message.walk():
            if part.is_multipart():
                continue
            name = part.get_filename()
            payload = part.get_payload(decode=True) or b""
            if name:
                parts[name] = payload
            elif part.get_content_maintype() == "text":
                bodies.append(payload.rstrip(b"\r\n"))
        subject = str(email.header.make_header(email.header.decode_header(message["Subject"])))
        key = (folder, subject, str(message["Date"]))
        assert key not in found, f"two messages {key}"
        found[key] = {"parts": parts, "bodies": bodies}
    return found


ITEM = re.compile(r"From: .*?\r\nDate: .*?\r\nSubject: (.*?)\r\n\r\n")


def report_problems(report):
    """Subjects of the report's incomplete items with their missing lines, and
    the number of skipped items."""
    incomplete = {}
    for match in ITEM.finditer(report):
        rest = report[match.end():]
        if rest.startswith("*************** MESSAGE CONVERTED INCOMPLETELY"):
            block = rest.split("\r\n\r\n", 1)[0]
            incomplete.setdefault(match.group(1), []).extend(
                line[len("Missing: "):] for line in block.split("\r\n")
                if line.startswith("Missing: "))
    skipped = report.count("MESSAGE SKIPPED")
    return incomplete, skipped


def check_case(name, clean, status, stderr, report, damaged, failures):
    """Everything the damaged conversion lacks is named in its report."""
    incomplete, skipped = report_problems(report)
    lost_messages = [key for key in clean if key not in damaged]
    for key in damaged:
        if key not in clean:
            failures.append(f"{name}: a message the clean file does not have: {key}")
    file_unreadable = "cannot be read:" in stderr or "not every folder can be read" in stderr
    if lost_messages and not file_unreadable and len(lost_messages) > skipped:
        failures.append(f"{name}: {len(lost_messages)} messages missing, {skipped} reported "
                        f"skipped: {lost_messages[:3]}")
    silent = 0
    for key, written in damaged.items():
        missing = incomplete.get(key[1], [])
        for part, data in clean[key]["parts"].items():
            got = written["parts"].get(part)
            if got == data:
                continue
            silent += 1
            if not missing:
                failures.append(f"{name}: attachment {part!r} of {key} is "
                                f"{'absent' if got is None else f'{len(got)} of {len(data)} bytes'}"
                                " and the report says nothing")
        if written["bodies"] != clean[key]["bodies"] and not missing:
            failures.append(f"{name}: a body of {key} differs and the report says nothing")
    lost_anything = bool(lost_messages or silent or incomplete or skipped or file_unreadable)
    if lost_anything and status not in (2, 3) or not lost_anything and status != 0:
        failures.append(f"{name}: exit status {status}; {stderr.strip()}")
    if lost_anything and "completed successfully" in report + stderr:
        failures.append(f"{name}: says it completed successfully")
    outcome = stderr.strip().splitlines()[-1] if stderr.strip() else ""
    if not re.match(r"mailwright convert: (completed|failed|cancelled)", outcome):
        failures.append(f"{name}: no outcome line on stderr: {outcome!r}")
    print(f"{name}: status {status}, {len(damaged)}/{len(clean)} messages, "
          f"{len(incomplete)} incomplete, {skipped} skipped; {outcome}")


def layout(path):
    with open(path) as f:
        header = f.readline().rstrip("\n").split("\t")
        return [dict(zip(header, line.rstrip("\n").split("\t"))) for line in f]


def damage_cases(items, size):
    """(name, list of (offset, length) byte ranges to overwrite, or a size to cut to)."""
    blocks = [i for i in items if i["kind"] == "data_block" and i["subnode"] != "0"]
    big = max(blocks, key=lambda i: int(i["size"]))
    middle = int(big["offset"]) + 64
    sub = [i for i in items if i["kind"] == "slblock"][len(items) % 7]
    pages = [i for i in items if i["kind"] == "nbt_page"]
    cases = [
        ("attachment data block", [(int(big["offset"]), int(big["size"]))], None),
        ("inside an attachment data block", [(middle, 256)], None),
        ("subnode block", [(int(sub["offset"]), int(sub["size"]))], None),
        ("B-tree page", [(int(pages[len(pages) // 2]["offset"]), 512)], None),
    ]
    for offset in (200000, 400000, 600000):
        cases.append((f"8 KB at {offset}", [(offset, 8192)], None))
    for cut in (102400, size // 2, int(pages[0]["offset"]) + 512, size - 4096):
        cases.append((f"cut at {cut}", [], cut))
    return cases


def damaged_copy(source, target, ranges, cut, rng):
    shutil.copyfile(source, target)
    with open(target, "r+b") as f:
        for offset, length in ranges:
            f.seek(offset)
            f.write(bytes(rng.randrange(256) for _ in range(length)))
        if cut is not None:
            f.truncate(cut)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--mailwright", required=True)
    parser.add_argument("--mkpst", required=True)
    args = parser.parse_args()
    failures = []
    with tempfile.TemporaryDirectory() as work:
        clean_pst = os.path.join(work, "box.pst")
        tsv = os.path.join(work, "layout.tsv")
        subprocess.run([args.mkpst, "--quiet", "--seed", str(SEED), "--layout", tsv, clean_pst],
                       check=True)
        status, stderr, _ = convert(args.mailwright, clean_pst, os.path.join(work, "clean"))
        if status != 0:
            sys.exit(f"the clean mailbox does not convert: {status} {stderr}")
        clean = messages(os.path.join(work, "clean"))
        rng = random.Random(SEED)
        for number, (name, ranges, cut) in enumerate(
                damage_cases(layout(tsv), os.path.getsize(clean_pst))):
            pst = os.path.join(work, f"case{number}", "box.pst")
            os.makedirs(os.path.dirname(pst))
            damaged_copy(clean_pst, pst, ranges, cut, rng)
            out = os.path.join(work, f"case{number}", "out")
            status, stderr, report = convert(args.mailwright, pst, out)
            check_case(name, clean, status, stderr, report, messages(out), failures)
    for failure in failures:
        print("FAIL:", failure)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
