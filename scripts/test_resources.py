"""Compiles res/quorvane.rc with windres and checks what the program relies on.

Skipped where i686-w64-mingw32-windres is not installed.

    python3 -m unittest discover -s scripts -p 'test_*.py'
"""

import os
import re
import shutil
import struct
import subprocess
import tempfile
import unittest
import xml.etree.ElementTree as ET

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir))
WINDRES = shutil.which("i686-w64-mingw32-windres")

RT_MENU, RT_DIALOG, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 4, 5, 14, 16, 24
WS_VISIBLE, WS_TABSTOP, DS_CENTER = 0x10000000, 0x00010000, 0x0800


def project_version():
    with open(os.path.join(ROOT, "CMakeLists.txt")) as f:
        match = re.search(r"project\(\s*Quorvane\s+VERSION\s+([0-9.]+)", f.read())
    return match.group(1)


def configure_version_header(folder):
    """What CMake's configure_file makes of res/version.h.in."""
    parts = project_version().split(".")
    values = {
        "PROJECT_VERSION": project_version(),
        "PROJECT_VERSION_MAJOR": parts[0],
        "PROJECT_VERSION_MINOR": parts[1],
        "PROJECT_VERSION_PATCH": parts[2],
        "PROJECT_VERSION_TWEAK": parts[3],
    }
    with open(os.path.join(ROOT, "res", "version.h.in")) as f:
        text = re.sub(r"@(\w+)@", lambda m: values[m.group(1)], f.read())
    with open(os.path.join(folder, "version.h"), "w") as f:
        f.write(text)


def resource_ids():
    ids = {}
    with open(os.path.join(ROOT, "res", "resource_ids.h")) as f:
        for name, value in re.findall(r"#define\s+(\w+)\s+(0x[0-9A-Fa-f]+|\d+)", f.read()):
            ids[name] = int(value, 0)
    return ids


def read_name(data, at):
    """A .res type or name: an ordinal, or a zero-ended UTF-16 string."""
    if struct.unpack_from("<H", data, at)[0] == 0xFFFF:
        return struct.unpack_from("<H", data, at + 2)[0], at + 4
    end = at
    while struct.unpack_from("<H", data, end)[0] != 0:
        end += 2
    return data[at:end].decode("utf-16-le"), end + 2


def read_res(data):
    """{(type, name): bytes} from a .res file."""
    resources = {}
    at = 0
    while at < len(data):
        size, header = struct.unpack_from("<II", data, at)
        kind, after = read_name(data, at + 8)
        name, _ = read_name(data, after)
        if size:
            resources[(kind, name)] = data[at + header : at + header + size]
        at += header + size
        at = (at + 3) & ~3
    return resources


def read_dialogex(data):
    """(style, [(id, style, x, y, cx, cy)]) of a DIALOGEX template."""
    version, signature, _help, _ex, style, count = struct.unpack_from("<HHIIIH", data, 0)
    assert (version, signature) == (1, 0xFFFF)
    at = 26
    _, at = read_name(data, at)  # menu
    _, at = read_name(data, at)  # class
    _, at = read_name(data, at)  # caption
    if style & 0x40:  # DS_SETFONT: point size, weight, italic, charset, face
        _, at = read_name(data, at + 6)
    controls = []
    for _ in range(count):
        at = (at + 3) & ~3
        _help, _ex, cstyle, x, y, cx, cy, cid = struct.unpack_from("<IIIhhhhi", data, at)
        at += 24
        _, at = read_name(data, at)  # class
        _, at = read_name(data, at)  # text
        extra = struct.unpack_from("<H", data, at)[0]
        at += 2 + extra
        controls.append((cid, cstyle, x, y, cx, cy))
    return style, controls


def utf16(text):
    return text.encode("utf-16-le")


@unittest.skipUnless(WINDRES, "needs i686-w64-mingw32-windres")
class CompiledResources(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        configure_version_header(cls.tmp.name)
        out = os.path.join(cls.tmp.name, "quorvane.res")
        # Built from another folder, as the build does, so that file names
        # in the script must resolve against the script's own folder.
        subprocess.run(
            [WINDRES, "-I", ROOT, "-I", cls.tmp.name, os.path.join(ROOT, "res", "quorvane.rc"),
             "-O", "res", "-o", out],
            cwd=cls.tmp.name, check=True,
        )
        with open(out, "rb") as f:
            cls.res = read_res(f.read())
        cls.ids = resource_ids()

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_every_icon_id_is_there_and_the_app_icon_comes_first(self):
        groups = sorted(name for kind, name in self.res if kind == RT_GROUP_ICON)
        wanted = sorted(v for k, v in self.ids.items() if k.startswith("IDI_"))
        self.assertEqual(groups, wanted)
        self.assertEqual(groups[0], self.ids["IDI_APP"])
        for name in wanted:
            _, _, count = struct.unpack_from("<HHH", self.res[(RT_GROUP_ICON, name)], 0)
            self.assertGreaterEqual(count, 2, name)

    def test_options_dialog_tab_order_and_controls(self):
        style, controls = read_dialogex(self.res[(RT_DIALOG, self.ids["IDD_OPTIONS"])])
        self.assertTrue(style & WS_VISIBLE)
        self.assertFalse(style & DS_CENTER, "the program centres the dialog itself")
        tab_order = [cid for cid, cstyle, *_ in controls if cstyle & WS_TABSTOP]
        ids = self.ids
        self.assertEqual(tab_order, [1, 2, ids["IDC_RUN_AT_STARTUP"], ids["IDC_DESKTOP_COMBO"]])
        combo = next(c for c in controls if c[0] == self.ids["IDC_DESKTOP_COMBO"])
        # CBS_DROPDOWN (2), not a drop-down list (3): the user may type a number.
        self.assertEqual(combo[1] & 3, 2)

    def test_options_dialog_controls_stay_inside_it(self):
        data = self.res[(RT_DIALOG, self.ids["IDD_OPTIONS"])]
        width, height = struct.unpack_from("<hh", data, 22)
        _, controls = read_dialogex(data)
        for cid, _, x, y, cx, cy in controls:
            self.assertLessEqual(x + cx, width, cid)
            self.assertLessEqual(y + cy, height, cid)

    def test_version_everywhere_is_the_cmake_project_version(self):
        version = project_version()
        numbers = [int(p) for p in version.split(".")]
        blob = self.res[(RT_VERSION, 1)]
        fixed = blob.index(struct.pack("<I", 0xFEEF04BD))
        file_ms, file_ls, prod_ms, prod_ls = struct.unpack_from("<IIII", blob, fixed + 8)
        as_pair = [(numbers[0] << 16) | numbers[1], (numbers[2] << 16) | numbers[3]]
        self.assertEqual([file_ms, file_ls], as_pair)
        self.assertEqual([prod_ms, prod_ls], as_pair)
        self.assertIn(utf16(version), blob)
        # The About box keeps its own wording, "Version 1.2", which users know it by.
        about = self.res[(RT_DIALOG, self.ids["IDD_ABOUTBOX"])]
        self.assertIn(utf16("Quorvane Version 1.2\0"), about)

        manifest = ET.fromstring(self.res[(RT_MANIFEST, 1)])
        identity = manifest.find("{urn:schemas-microsoft-com:asm.v1}assemblyIdentity")
        self.assertEqual(identity.get("version"), version)

    def test_manifest_asks_for_styled_controls_and_no_elevation(self):
        manifest = ET.fromstring(self.res[(RT_MANIFEST, 1)])
        asm_v1 = "{urn:schemas-microsoft-com:asm.v1}"
        deps = [e.get("name") for e in manifest.iter(asm_v1 + "assemblyIdentity")]
        self.assertIn("Microsoft.Windows.Common-Controls", deps)
        level = next(manifest.iter("{urn:schemas-microsoft-com:asm.v3}requestedExecutionLevel"))
        self.assertEqual(level.get("level"), "asInvoker")
        # System aware, which is what the program is: nothing in it reloads
        # its icons or resizes its window when a window's DPI changes.
        smi_2005 = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
        aware = next(manifest.iter(smi_2005 + "dpiAware"))
        self.assertEqual(aware.text, "true")
        smi_2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"
        self.assertIsNone(next(manifest.iter(smi_2016 + "dpiAwareness"), None))

    def test_tray_menu_carries_the_command_ids(self):
        menu = self.res[(RT_MENU, self.ids["IDR_TRAY_MENU"])]
        for name in ("ID_SHOW_OPTIONS", "ID_ABOUT", "ID_EXIT"):
            self.assertIn(struct.pack("<H", self.ids[name]), menu, name)
        self.assertIn(utf16("Show options..."), menu)


if __name__ == "__main__":
    unittest.main()
