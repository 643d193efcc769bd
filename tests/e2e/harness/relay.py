"""Reads a WINEDEBUG=+pid,+relay trace (narrowed by RelayInclude) into calls
with their string arguments and return values."""

import re
from dataclasses import dataclass, field

_LINE = re.compile(
    r"^(?:(?P<pid>[0-9a-f]{4,8}):)?(?P<tid>[0-9a-f]{4,8}):"
    r"(?P<kind>Call|Ret) +(?P<dll>[\w.]+)\.(?P<function>\w+)\((?P<args>.*)\)"
    r"(?: retval=(?P<retval>[0-9a-f]+))? ret=[0-9a-f]+$")
_STRING_ARG = re.compile(r'L"((?:[^"\\]|\\.)*)"')


@dataclass
class Call:
    pid: str
    tid: str
    function: str
    strings: list
    retval: int = None
    raw: list = field(default_factory=list)

    @property
    def succeeded(self):
        return self.retval not in (None, 0)


def parse(text):
    """Calls in the order they were made. A call still running when the trace
    was read has retval None."""
    calls, open_calls = [], {}
    for line in text.splitlines():
        match = _LINE.match(line.strip())
        if not match:
            continue
        thread = (match["pid"], match["tid"])
        if match["kind"] == "Call":
            call = Call(match["pid"], match["tid"], match["function"],
                        _STRING_ARG.findall(match["args"]), raw=[line])
            calls.append(call)
            open_calls.setdefault(thread, []).append(call)
            continue
        stack = open_calls.get(thread, [])
        if stack and stack[-1].function == match["function"]:
            call = stack.pop()
            call.retval = int(match["retval"] or "0", 16)
            call.raw.append(line)
    return calls


def calls_to(calls, function):
    return [call for call in calls if call.function == function]
