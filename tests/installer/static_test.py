#!/usr/bin/env python3
"""What can be checked of the installer without running it (any host): the three signatures
and their one signer, what the archive carries, and that it asks for no administrator rights.
   static_test.py <setup.exe> <signed Zel.exe> <signed uninstaller copy> <signing scratch>"""
import os
import subprocess
import sys
import unittest

SETUP, ZEL, UNINSTALLER, SCRATCH = sys.argv[1:5]
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def run(*args):
    return subprocess.run(args, check=True, capture_output=True).stdout


def signer(path):
    """The signer's subject and issuer as tools/verify-signature.sh reports them."""
    report = run("bash", os.path.join(ROOT, "tools", "verify-signature.sh"), path, SCRATCH)
    lines = report.decode().splitlines()
    assert "Signature verification: ok" in lines, lines
    return [l for l in lines if l.startswith("signer ")]


class Installer(unittest.TestCase):
    def test_installer_uninstaller_and_program_are_signed_by_one_signer(self):
        names = {p: signer(p) for p in (SETUP, UNINSTALLER, ZEL)}
        self.assertEqual(len(names[ZEL]), 2, names[ZEL])
        self.assertEqual(names[SETUP], names[ZEL])
        self.assertEqual(names[UNINSTALLER], names[ZEL])

    def test_archive_carries_the_signed_program_and_the_uninstaller(self):
        listing = run("7z", "l", "-ba", SETUP).decode()
        files = sorted(l.split()[-1] for l in listing.splitlines()
                       if l.strip() and "$PLUGINSDIR" not in l)
        self.assertEqual(files, ["Zel.exe", "uninstall.exe"])
        with open(ZEL, "rb") as f:
            self.assertEqual(run("7z", "e", "-so", SETUP, "Zel.exe"), f.read())

    def test_32_bit_image_that_runs_as_the_invoking_user(self):
        with open(SETUP, "rb") as f:
            image = f.read(4096)
        pe = int.from_bytes(image[0x3C:0x40], "little")
        self.assertEqual(image[pe:pe + 4], b"PE\0\0")
        self.assertEqual(int.from_bytes(image[pe + 4:pe + 6], "little"), 0x14C)
        manifest = run("7z", "e", "-so", "-tpe", SETUP, ".rsrc/1033/MANIFEST/1").decode()
        self.assertRegex(manifest, r'requestedExecutionLevel level="asInvoker"')


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
