"""What is on a session's drive C:, to show that a run changed nothing but
the files the program is meant to write. Each file is known by its size and
modification time, so a file written again with the same bytes still counts
as changed."""

import os

# Wine's own DLLs are shared with the template and never written.
SKIPPED = (os.path.join("windows", "system32"),)


def snapshot(session):
    """Path under drive_c -> (size, modification time in ns)."""
    root = os.path.join(session.prefix, "drive_c")
    found = {}
    for folder, folders, files in os.walk(root):
        relative_folder = os.path.relpath(folder, root)
        folders[:] = [name for name in folders
                      if os.path.normpath(os.path.join(relative_folder, name)) not in SKIPPED]
        for name in files:
            path = os.path.join(folder, name)
            try:
                status = os.lstat(path)
            except FileNotFoundError:
                continue
            found[os.path.relpath(path, root)] = (status.st_size, status.st_mtime_ns)
    return found


def changed(before, after, allowed=()):
    """Paths added, removed or changed between two snapshots, except those
    in `allowed` (paths relative to drive_c, compared without case)."""
    allowed = {os.path.normcase(path).lower() for path in allowed}
    differing = {path for path in before.keys() | after.keys()
                 if before.get(path) != after.get(path)}
    return sorted(path for path in differing if path.lower() not in allowed)


def relative(session, unix_path):
    """<prefix>/drive_c/a/b -> a/b, the form snapshots use."""
    return os.path.relpath(unix_path, os.path.join(session.prefix, "drive_c"))


def drive_c_path(session, windows_path):
    """C:\\a\\b -> a/b, the form snapshots use."""
    return relative(session, session.path(windows_path))


def windows_path(session, unix_path):
    """<prefix>/drive_c/a/b -> C:\\a\\b."""
    return "C:\\" + relative(session, unix_path).replace(os.sep, "\\")
