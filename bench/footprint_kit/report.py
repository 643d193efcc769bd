"""Turns the collected figures into the printed table and the verdicts on
Quorvane's footprint targets."""

import statistics
from collections import namedtuple

KIB = 1024

# Quorvane's targets. Start-up and memory are against the design floor
# measured in the same run, because the designed start (the options window
# shown, hidden 5 ms later, then the icons) is the owner's decision and the
# floor is the least any program that starts that way costs; the baseline is
# there for information. Idle CPU is against the baseline, which also idles.
START_RATIO_LIMIT = 1.15
WORKING_SET_RATIO_LIMIT = 1.15
IDLE_CPU_RATIO_LIMIT = 1.5
IDLE_CPU_SLACK_MS = 20.0
EXE_SIZE_LIMIT_KIB = 180
EXE_SIZE_FLOOR_RATIO_STRETCH = 1.25
COPIES_AT_ONCE = 4  # one per desktop
FLOAT_SLACK = 1e-9

# values: one figure per run, in the row's unit.
Row = namedtuple("Row", "key label unit quorvane baseline floor", defaults=(None,))
Verdict = namedtuple("Verdict", "met text")


def spread(values):
    """'median (min..max)', or the single figure for a one-off."""
    if len(set(values)) == 1:
        return _number(values[0])
    return (f"{_number(statistics.median(values))} "
            f"({_number(min(values))}..{_number(max(values))})")


def _number(value):
    return f"{value:.0f}" if abs(value) >= 100 else f"{value:.1f}"


def ratio(quorvane, baseline):
    if baseline == 0:
        return "n/a" if quorvane == 0 else "inf"
    return f"{quorvane / baseline:.2f}x"


def median(row, side):
    return statistics.median(getattr(row, side))


def table(rows):
    header = ("metric", "Quorvane median (min..max)", "baseline median (min..max)", "ratio",
              "difference", "design floor median (min..max)", "Quorvane / floor")
    lines = [header]
    for row in rows:
        q, b = median(row, "quorvane"), median(row, "baseline")
        floor = ("n/a", "n/a") if not row.floor else (spread(row.floor),
                                                     ratio(q, median(row, "floor")))
        lines.append((f"{row.label} [{row.unit}]", spread(row.quorvane), spread(row.baseline),
                      ratio(q, b), f"{q - b:+.1f}", *floor))
    widths = [max(len(line[column]) for line in lines) for column in range(len(header))]
    text = [" | ".join(cell.ljust(width) for cell, width in zip(line, widths)).rstrip()
            for line in lines]
    text.insert(1, "-+-".join("-" * width for width in widths))
    return "\n".join(text)


def at_most(value, limit):
    # 1.15 * 100 is 114.99999999999999 in binary floating point; a figure
    # right at a limit is within it.
    return value <= limit * (1 + FLOAT_SLACK)


def _within_ratio(label, q, other, limit, unit, yardstick):
    met = at_most(q, limit * other)
    return Verdict(met, f"{label}: {q:.1f} vs {other:.1f} {unit} ({yardstick}) = "
                        f"{ratio(q, other)} (target <= {limit:.2f}x)")


def verdicts(rows_by_key, exe_size_kib, floor_size_kib):
    """The targets, each checked on the medians."""
    floor_targets = [("start to last tray icon", "start_last", START_RATIO_LIMIT, "ms"),
                     ("peak working set", "peak_ws", WORKING_SET_RATIO_LIMIT, "KiB"),
                     ("working set after start-up", "ws", WORKING_SET_RATIO_LIMIT, "KiB")]
    found = [_within_ratio(label, median(rows_by_key[key], "quorvane"),
                           median(rows_by_key[key], "floor"), limit, unit, "design floor")
             for label, key, limit, unit in floor_targets]
    cpu = rows_by_key["idle_cpu"]
    q_cpu, b_cpu = median(cpu, "quorvane"), median(cpu, "baseline")
    cpu_met = at_most(q_cpu, IDLE_CPU_RATIO_LIMIT * b_cpu) or at_most(q_cpu,
                                                                      b_cpu + IDLE_CPU_SLACK_MS)
    found.append(Verdict(cpu_met, f"idle CPU: {q_cpu:.1f} vs {b_cpu:.1f} ms (baseline) = "
                                  f"{ratio(q_cpu, b_cpu)}, {q_cpu - b_cpu:+.1f} ms (target <= "
                                  f"{IDLE_CPU_RATIO_LIMIT}x or <= +{IDLE_CPU_SLACK_MS:.0f} ms)"))
    found.append(Verdict(at_most(exe_size_kib, EXE_SIZE_LIMIT_KIB),
                         f"Quorvane.exe size: {exe_size_kib:.1f} KiB "
                         f"(target <= {EXE_SIZE_LIMIT_KIB} KiB)"))
    stretch = _within_ratio("Quorvane.exe size, stretch", exe_size_kib, floor_size_kib,
                            EXE_SIZE_FLOOR_RATIO_STRETCH, "KiB", "design floor")
    found.append(stretch)
    return found


def verdict_lines(found):
    return "\n".join(f"  [{'met ' if v.met else 'MISS'}] {v.text}" for v in found)


def copies_lines(rows_by_key, keys):
    """What four copies at once (one per desktop) add up to."""
    lines = []
    for key in keys:
        row = rows_by_key[key]
        q, b = median(row, "quorvane"), median(row, "baseline")
        lines.append(f"  {row.label}: {COPIES_AT_ONCE} x {q:.1f} = {COPIES_AT_ONCE * q:.1f} "
                     f"{row.unit} (baseline {COPIES_AT_ONCE} x {b:.1f} = "
                     f"{COPIES_AT_ONCE * b:.1f} {row.unit})")
    return "\n".join(lines)


def mapping_difference(quorvane, other, limit):
    """The mappings whose resident size differs most between the two, as
    lines 'name: Quorvane KiB vs other KiB (+diff)'."""
    names = set(quorvane) | set(other)
    diffs = sorted(names, key=lambda n: -abs(quorvane.get(n, 0) - other.get(n, 0)))
    lines = []
    for name in diffs[:limit]:
        q, b = quorvane.get(name, 0) / KIB, other.get(name, 0) / KIB
        if q == b:
            break
        lines.append(f"  {name}: {q:.0f} vs {b:.0f} KiB ({q - b:+.0f})")
    return "\n".join(lines)
