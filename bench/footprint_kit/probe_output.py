"""Reads what probe_process.exe prints: one tab-separated line per process."""

from collections import namedtuple

FIELDS = ("pid peak_ws ws private kernel_100ns user_100ns handles gdi_objects user_objects")
ProbeRecord = namedtuple("ProbeRecord", FIELDS)


def parse(text):
    records = []
    for line in text.splitlines():
        fields = line.strip().split("\t")
        if len(fields) == len(ProbeRecord._fields) and all(f.isdigit() for f in fields):
            records.append(ProbeRecord(*map(int, fields)))
    return records


def unreported(records):
    """The figures that came out the same for every process probed, such as
    Wine's zero private bytes or its fixed CPU time for other processes:
    those were not measured. Needs two or more processes to tell."""
    if len({record.pid for record in records}) < 2:
        return []
    return [name for name in ProbeRecord._fields[1:]
            if len({getattr(record, name) for record in records}) == 1]
