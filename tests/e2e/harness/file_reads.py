"""Which processes opened the settings file, from a +pid,+relay trace that
includes CreateFileW. A test that changes the file waits for each copy's
next open of it, so "the icons stayed" means "the copy read the file and
kept them", not "the copy had not looked yet"."""

import os

from . import relay

OPEN_FUNCTION = "CreateFileW"


def trace_size(path):
    return os.path.getsize(path)


def _text_from(path, offset):
    with open(path, "rb") as stream:
        stream.seek(offset)
        data = stream.read()
    return data[:data.rfind(b"\n") + 1].decode("utf-8", errors="replace")


def opens_since(trace_path, offset, file_name):
    """Process id -> finished opens of a path ending in file_name, by calls
    that start past `offset` of the trace. Wine writes each Call line before
    the call runs, so such an open began after anything the test did before
    it took the trace's size."""
    wanted = file_name.lower()
    counts = {}
    for call in relay.calls_to(relay.parse(_text_from(trace_path, offset)), OPEN_FUNCTION):
        named = any(text.lower().endswith(wanted) for text in call.strings)
        if named and call.retval is not None and call.pid is not None:
            pid = int(call.pid, 16)
            counts[pid] = counts.get(pid, 0) + 1
    return counts


def all_opened(trace_path, offset, file_name, pids):
    opened = opens_since(trace_path, offset, file_name)
    return all(opened.get(pid, 0) >= 1 for pid in pids)
