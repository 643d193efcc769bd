"""What a process holds, read from outside by the resource_counts probe:
kernel handles (the system's handle list), GDI objects (the process's GDI
handle table) and its windows. Each figure is None when the probe's
self-check found the method does not work where it runs."""

from . import probes

PROBE = "resource_counts"
probes.PROBES.setdefault(PROBE, ["-lntdll", "-lgdi32"])
MEASURED = ("handles", "gdi_objects", "windows")
# What Windows itself would answer, which Wine 8 gives as 0 for another process.
SYSTEM_ANSWERS = ("handles_api", "gdi_api", "user_api")


def counts(session, pid):
    found = {}
    for line in session.probe(PROBE, str(pid)).splitlines():
        fields = line.rstrip("\r").split("\t")
        if len(fields) == 2:
            found[fields[0]] = None if fields[1] == "-" else int(fields[1])
    return found


def growth(before, after):
    """What -> how much more `after` holds, for figures measured both times."""
    return {what: after[what] - before[what] for what in MEASURED
            if before.get(what) is not None and after.get(what) is not None}


def unmeasured(before, after):
    return [what for what in MEASURED if before.get(what) is None or after.get(what) is None]
