#!/usr/bin/env python3
"""Writes ARCHIVE.zip from the folder NAME inside STAGE, the same bytes for the same files: the
entries sorted, dated at STAMP (seconds since 1970, no earlier than 1980) and readable by all.
The archive appears only once complete.
    write-zip.py STAGE NAME ARCHIVE STAMP"""
import os
import sys
import time
import zipfile

stage, name, archive, stamp = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
date = time.gmtime(max(stamp, 315532800))[:6]
files = sorted(os.path.relpath(os.path.join(root, file), stage)
               for root, _, names in os.walk(os.path.join(stage, name)) for file in names)
partial = archive + ".partial"
with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as zip:
    for path in files:
        entry = zipfile.ZipInfo(path.replace(os.sep, "/"), date)
        entry.compress_type = zipfile.ZIP_DEFLATED
        entry.external_attr = 0o644 << 16
        with open(os.path.join(stage, path), "rb") as source:
            zip.writestr(entry, source.read())
os.replace(partial, archive)
