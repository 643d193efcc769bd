#!/usr/bin/env python3
"""Packs the release ZIP and writes SHA256SUMS beside it (listing the ZIP and
any other file of the release given with --also), the same to the
byte wherever and whenever it runs on the same inputs: the entries go in the
order given, all dated with the commit's time (SOURCE_DATE_EPOCH when set,
else the last commit of the source tree, not counting one that only adds
signatures), with fixed permissions and no owner or other file-system details
of the machine that packed them.

    make_release.py --source DIR --output ZIP [--also PATH]... FILE...
"""

import argparse
import hashlib
import os
import subprocess
import sys
import time
import zipfile

EARLIEST_ZIP_TIME = (1980, 1, 1, 0, 0, 0)  # a ZIP entry cannot be dated earlier
SUMS_NAME = "SHA256SUMS"
SIGNATURES = "dist/signatures"
COMPRESSION_LEVEL = 9
UNIX = 3  # "made on", so that the fixed permissions below mean something
READABLE_FILE = 0o100644 << 16  # a plain file, rw-r--r--, whatever the packed file's own


def release_time(source):
    """Seconds since 1970 of the sources being packed."""
    if os.environ.get("SOURCE_DATE_EPOCH"):
        return int(os.environ["SOURCE_DATE_EPOCH"])
    try:
        # A commit that only adds a release's signatures must not move its
        # time: the signatures are over the bytes made with the time before.
        out = subprocess.run(["git", "-C", source, "log", "-1", "--format=%ct", "--", ".",
                              f":(exclude){SIGNATURES}"],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=True)
    except (OSError, subprocess.CalledProcessError) as error:
        raise SystemExit(f"no commit date for {source} ({error}); set SOURCE_DATE_EPOCH")
    return int(out.stdout.decode().strip())


def zip_time(seconds):
    return max(EARLIEST_ZIP_TIME, time.gmtime(seconds)[:6])


def pack(output, files, seconds):
    with zipfile.ZipFile(output, "w") as archive:
        for path in files:
            entry = zipfile.ZipInfo(os.path.basename(path), zip_time(seconds))
            entry.create_system = UNIX
            entry.external_attr = READABLE_FILE
            with open(path, "rb") as stream:
                archive.writestr(entry, stream.read(), zipfile.ZIP_DEFLATED, COMPRESSION_LEVEL)


def write_sums(output, others):
    """One line per file, the ZIP's first, as `sha256sum` writes them."""
    sums = os.path.join(os.path.dirname(output), SUMS_NAME)
    with open(sums, "w", newline="\n") as out:
        for path in [output, *others]:
            with open(path, "rb") as stream:
                digest = hashlib.sha256(stream.read()).hexdigest()
            out.write(f"{digest}  {os.path.basename(path)}\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source", required=True)
    parser.add_argument("--output", required=True)
    parser.add_argument("--also", action="append", default=[])
    parser.add_argument("files", nargs="+")
    arguments = parser.parse_args()
    pack(arguments.output, arguments.files, release_time(arguments.source))
    write_sums(arguments.output, arguments.also)
    return 0


if __name__ == "__main__":
    sys.exit(main())
