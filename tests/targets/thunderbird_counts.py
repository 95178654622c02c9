#!/usr/bin/env python3
"""Prints the message count Thunderbird itself reads from every mailbox of
a converted Thunderbird tree, in the form of count_mailboxes.py: the tree's
contents are copied into the Local Folders of a fresh profile, Thunderbird
runs headless without a network with a probe add-on (thunderbird_probe/)
that has every folder's summary rebuilt and prints its count, and each
folder is named by its mailbox file below the tree ("A.sbd/B" for folder
B in A). Thunderbird's own Trash and Unsent Messages are left out.

Exit status 77 when Thunderbird is not installed, 1 when it gave no counts."""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.parse
import zipfile

PROBE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "thunderbird_probe")
PROBE_ID = "folder-count@mailwright.test"
OWN_FOLDERS = {"Trash", "Unsent Messages"}
TIMEOUT_SECONDS = 180


def make_profile(profile, tree):
    os.makedirs(os.path.join(profile, "extensions"))
    shutil.copy(os.path.join(PROBE, "user.js"), profile)
    with zipfile.ZipFile(os.path.join(profile, "extensions", PROBE_ID + ".xpi"), "w") as xpi:
        for name in ("manifest.json", "schema.json", "background.js", "implementation.js"):
            xpi.write(os.path.join(PROBE, name), name)
    shutil.copytree(tree, os.path.join(profile, "Mail", "Local Folders"))


def without_network():
    """The command prefix that gives Thunderbird a network namespace of its own."""
    unshare = shutil.which("unshare")
    if unshare and subprocess.run([unshare, "-n", "true"], capture_output=True).returncode == 0:
        return [unshare, "-n"]
    return []


def probe_output(profile):
    command = without_network() + ["thunderbird", "--headless", "--no-remote",
                                   "--profile", profile]
    env = dict(os.environ, MOZ_CRASHREPORTER_DISABLE="1", TMPDIR=profile)
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                               env=env, text=True, errors="replace")
    lines = []
    deadline = time.monotonic() + TIMEOUT_SECONDS
    try:
        for line in process.stdout:
            lines.append(line)
            if "FOLDERS-END" in line or "FOLDERS-ERROR" in line or time.monotonic() > deadline:
                break
    finally:
        process.kill()
        process.wait()
    return "".join(lines)


def mailbox_file(folder_path):
    parts = folder_path.split("/")
    return "/".join(p + ".sbd" for p in parts[:-1]) + ("/" if len(parts) > 1 else "") + parts[-1]


def main():
    if shutil.which("thunderbird") is None:
        print("thunderbird is not installed")
        return 77
    with tempfile.TemporaryDirectory(prefix="mw_thunderbird_") as work:
        profile = os.path.join(work, "profile")
        make_profile(profile, sys.argv[1])
        output = probe_output(profile)
    match = re.search(r"FOLDERS-BEGIN (\S*) FOLDERS-END", output)
    if not match:
        print("no counts from Thunderbird:\n" + output[-2000:])
        return 1
    lines = []
    for entry in urllib.parse.unquote(match.group(1)).splitlines():
        path, _, count = entry.partition("\t")
        if path not in OWN_FOLDERS:
            lines.append("%s\t%s" % (mailbox_file(path), count))
    print("\n".join(sorted(lines)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
