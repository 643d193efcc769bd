"""Which desktop a copy of the program asks for, read from its +relay trace:
the handles OpenDesktopW/CreateDesktopW gave it per desktop name, and the
handles it passed to SwitchDesktop. Wine 8's SwitchDesktop changes nothing
on screen, so the call is what the tests can check."""

import re

from . import relay

_HANDLE_ARGUMENT = re.compile(r"\.SwitchDesktop\(([0-9a-f]+)\)")
_GETTERS = ("OpenDesktopW", "CreateDesktopW")


def _of_process(calls, pid):
    return [call for call in calls if call.pid is not None and int(call.pid, 16) == pid]


def desktop_handles(trace_text, pid):
    """Desktop name -> the handle the process got for it (its latest)."""
    handles = {}
    for call in _of_process(relay.parse(trace_text), pid):
        if call.function in _GETTERS and call.succeeded and call.strings:
            handles[call.strings[0]] = call.retval
    return handles


def switch_requests(trace_text, pid):
    """The handles the process passed to SwitchDesktop, in order."""
    requests = []
    for call in relay.calls_to(_of_process(relay.parse(trace_text), pid), "SwitchDesktop"):
        match = _HANDLE_ARGUMENT.search(call.raw[0])
        if match:
            requests.append(int(match[1], 16))
    return requests
