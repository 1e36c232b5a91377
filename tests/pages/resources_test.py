#!/usr/bin/env python3
"""The resources inside Zel.exe: both pages, icon, manifest and version, in the expected languages.

    resources_test.py ZEL_EXE GENERATED_DIR VERSION SERVICE_HOST
"""
import pathlib
import struct
import sys
import unittest
import xml.etree.ElementTree as ET

ROOT = pathlib.Path(__file__).resolve().parents[2]
CHINESE_PRC = 0x0804
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24


def read_resources(path):
    """{(type, name, language): bytes}; type and name are numbers or upper-case texts."""
    image = pathlib.Path(path).read_bytes()
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    optional = pe + 24
    if struct.unpack_from("<H", image, optional)[0] != 0x10B:
        raise ValueError("not a 32-bit image")
    resource_rva = struct.unpack_from("<I", image, optional + 96 + 2 * 8)[0]
    table = [struct.unpack_from("<8xIIII", image, optional + optional_size + 40 * i) for i in range(sections)]

    def offset(rva):
        for vaddr_size, vaddr, raw_size, raw in ((s[0], s[1], s[2], s[3]) for s in table):
            if vaddr <= rva < vaddr + max(vaddr_size, raw_size):
                return raw + rva - vaddr
        raise ValueError(f"address {rva:#x} outside every section")

    base = offset(resource_rva)

    def entries(directory):
        named, numbered = struct.unpack_from("<12xHH", image, base + directory)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", image, base + directory + 16 + 8 * i)
            if name & 0x80000000:
                length = struct.unpack_from("<H", image, base + (name & 0x7FFFFFFF))[0]
                start = base + (name & 0x7FFFFFFF) + 2
                name = image[start:start + 2 * length].decode("utf-16-le")
            yield name, target

    found = {}
    for kind, kinds in entries(0):
        for name, names in entries(kinds & 0x7FFFFFFF):
            for language, leaf in entries(names & 0x7FFFFFFF):
                rva, size = struct.unpack_from("<II", image, base + leaf)
                found[(kind, name, language)] = image[offset(rva):offset(rva) + size]
    return found


def value_of(block, key):
    """The value bytes of the version entry named key (its header precedes the key's text)."""
    at = block.find(key.encode("utf-16-le") + b"\0\0")
    if at < 0:
        return None
    start = at - 6
    length, value_length, is_text = struct.unpack_from("<HHH", block, start)
    value = (at + 2 * len(key) + 2 + 3) & ~3
    return block[value:value + (2 * value_length if is_text else value_length)]


class ResourcesTest(unittest.TestCase):
    exe = generated = version = host = None

    @classmethod
    def setUpClass(cls):
        cls.resources = read_resources(cls.exe)

    def one(self, kind, name, language=CHINESE_PRC):
        self.assertIn((kind, name, language), self.resources,
                      f"resources: {sorted(map(str, self.resources))}")
        return self.resources[(kind, name, language)]

    def test_pages_are_embedded_as_built(self):
        loading = self.one("RC_DATA", "ZELLOADING")
        self.assertEqual(loading, (pathlib.Path(self.generated) / "Zelloading.html").read_bytes())
        self.assertIn(f'"http://{self.host}/pcprice/default/index"'.encode(), loading)
        self.assertNotIn(b"@ZEL_SERVICE_HOST@", loading)
        self.assertEqual(self.one("RC_DATA", "ZELERROR"), (ROOT / "resources" / "ZelError.html").read_bytes())

    def test_icon_group_has_three_sizes(self):
        group = self.one(RT_GROUP_ICON, "MAINICON")
        count = struct.unpack_from("<HHH", group)[2]
        sizes = []
        for i in range(count):
            width, _, _, _, _, bits, _, ident = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
            sizes.append((width, bits))
            self.one(RT_ICON, ident)
        self.assertEqual(sorted(sizes), [(16, 32), (32, 32), (48, 32)])

    def test_manifest(self):
        manifest = [v for (k, n, _), v in self.resources.items() if (k, n) == (RT_MANIFEST, 1)]
        self.assertEqual(len(manifest), 1)
        root = ET.fromstring(manifest[0])
        ns = "{urn:schemas-microsoft-com:asm.v1}"
        self.assertEqual(root.find(ns + "assemblyIdentity").get("version"), self.version)
        dependency = root.find(f"{ns}dependency/{ns}dependentAssembly/{ns}assemblyIdentity")
        self.assertEqual((dependency.get("name"), dependency.get("version")),
                         ("Microsoft.Windows.Common-Controls", "6.0.0.0"))
        # A 32-bit image that asks for another processor's controls cannot load them.
        self.assertEqual({root.find(ns + "assemblyIdentity").get("processorArchitecture"),
                          dependency.get("processorArchitecture")}, {"x86"})
        levels = [e.get("level") for e in root.iter("{urn:schemas-microsoft-com:asm.v3}requestedExecutionLevel")]
        self.assertEqual(levels, ["asInvoker"])
        self.assertEqual(len(list(root.iter("{urn:schemas-microsoft-com:compatibility.v1}supportedOS"))), 4)
        # Per monitor, version 2 first; the older element for Windows 8.1.
        settings = {e.tag.split("}")[1]: e.text for e in
                    root.iter() if e.tag.endswith("}dpiAware") or e.tag.endswith("}dpiAwareness")}
        self.assertEqual(settings, {"dpiAware": "true/pm", "dpiAwareness": "PerMonitorV2, PerMonitor"})

    def test_version_block(self):
        block = self.one(RT_VERSION, 1)
        self.assertIn("080403A8".encode("utf-16-le"), block)
        self.assertEqual(value_of(block, "FileVersion"), self.version.encode("utf-16-le") + b"\0\0")
        # VarFileInfo\Translation: language 0x0804, code page 936.
        self.assertEqual(value_of(block, "Translation"), struct.pack("<HH", 0x0804, 936))
        numbers = [int(p) for p in self.version.split(".")]
        fixed = block.find(struct.pack("<I", 0xFEEF04BD))
        self.assertEqual(struct.unpack_from("<II", block, fixed + 8),
                         ((numbers[0] << 16) | numbers[1], (numbers[2] << 16) | numbers[3]))


if __name__ == "__main__":
    ResourcesTest.exe, ResourcesTest.generated, ResourcesTest.version, ResourcesTest.host = sys.argv[1:5]
    unittest.main(argv=sys.argv[:1])
