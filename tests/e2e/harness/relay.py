"""Reads a WINEDEBUG=+timestamp,+pid,+relay trace (narrowed by RelayInclude)
into calls with their string arguments, return values and times."""

import re
from dataclasses import dataclass, field

_LINE = re.compile(
    r"^(?:(?P<time>\d+\.\d+):)?(?:(?P<pid>[0-9a-f]{4,8}):)?(?P<tid>[0-9a-f]{4,8}):"
    r"(?P<kind>Call|Ret) +(?P<dll>[\w.]+)\.(?P<function>\w+)\((?P<args>.*)\)"
    r"(?: retval=(?P<retval>[0-9a-f]+))? ret=[0-9a-f]+$")
_STRING_ARG = re.compile(r'L"((?:[^"\\]|\\.)*)"')
_ESCAPES = {"n": "\n", "r": "\r", "t": "\t", "0": "\0"}
_ESCAPE = re.compile(r"\\(x[0-9a-fA-F]{2,4}|.)")


def _unescape(text):
    """Undoes Wine's debugstr_w quoting (\\\\, \\", \\n, \\xNNNN)."""

    def replace(match):
        code = match.group(1)
        if code.startswith("x") and len(code) > 1:
            return chr(int(code[1:], 16))
        return _ESCAPES.get(code, code)

    return _ESCAPE.sub(replace, text)


def _seconds(text):
    return float(text) if text else None


@dataclass
class Call:
    pid: str
    tid: str
    function: str
    strings: list
    called_at: float = None
    returned_at: float = None
    retval: int = None
    raw: list = field(default_factory=list)

    @property
    def thread(self):
        return self.pid, self.tid

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
            strings = [_unescape(s) for s in _STRING_ARG.findall(match["args"])]
            call = Call(match["pid"], match["tid"], match["function"], strings,
                        called_at=_seconds(match["time"]), raw=[line])
            calls.append(call)
            open_calls.setdefault(thread, []).append(call)
            continue
        stack = open_calls.get(thread, [])
        if stack and stack[-1].function == match["function"]:
            call = stack.pop()
            call.retval = int(match["retval"] or "0", 16)
            call.returned_at = _seconds(match["time"])
            call.raw.append(line)
    return calls


def calls_to(calls, function):
    return [call for call in calls if call.function == function]


def calls_of(trace_text, pid, function):
    """The calls one process made to a function, in order."""
    return [call for call in calls_to(parse(trace_text), function)
            if call.pid is not None and int(call.pid, 16) == pid]
