#!/usr/bin/env python3
"""Writes the fuzzers' seed corpora from the unit tests' own fixtures. Run it again after the
fixtures change; the seeds land in corpus/<fuzzer>/ named by a hash of their content."""
import hashlib
import pathlib
import re
import shutil

here = pathlib.Path(__file__).resolve().parent
tests = here.parent / "core"


def write(corpus, items):
    target = here / "corpus" / corpus
    shutil.rmtree(target, ignore_errors=True)
    target.mkdir(parents=True)
    for data in sorted(set(items)):
        (target / hashlib.sha1(data).hexdigest()[:16]).write_bytes(data)


stream = (tests / "fixtures" / "recorded-stream.sse").read_bytes()
write("sse", [stream, stream.replace(b"\n", b"\r\n")])

json_literals = []
for source in sorted(tests.glob("*.cpp")) + sorted(tests.glob("*.h")):
    for literal in re.findall(r'R"\((.*?)\)"', source.read_text(), re.S):
        if literal.strip().startswith(("{", "[")):
            json_literals.append(literal.encode())
write("records", json_literals)

texts = re.findall(r'text\(u"((?:[^"\\]|\\.)*)"\)', (tests / "tst_ValueFormat.cpp").read_text())
write("text", [t.encode() for t in texts if t])
