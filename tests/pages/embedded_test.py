#!/usr/bin/env python3
"""The two embedded pages as the program carries them: markup, encoding, pictures, contract ids."""
import base64
import pathlib
import re
import struct
import subprocess
import sys
import unittest
import xml.etree.ElementTree as ET

ROOT = pathlib.Path(__file__).resolve().parents[2]
RESOURCES = ROOT / "resources"
XHTML = "{http://www.w3.org/1999/xhtml}"
DOCTYPE = ('<!DOCTYPE html PUBLIC "-//W3C//DTD XHTML 1.0 Transitional//EN" '
           '"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd">')
BOM = b"\xef\xbb\xbf"


def parse(raw):
    text = raw[len(BOM):] if raw.startswith(BOM) else raw
    return ET.fromstring(text.decode("utf-8"))


def png_size(data_url):
    prefix = "data:image/png;base64,"
    assert data_url.startswith(prefix), data_url[:40]
    png = base64.b64decode(data_url[len(prefix):], validate=True)
    assert png[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    return struct.unpack(">II", png[16:24])


def by_id(root, ident):
    # The program finds elements through document.all, which matches ids and names.
    return [e for e in root.iter() if ident in (e.get("id"), e.get("name"))]


def text_of(root):
    return "".join(root.itertext())


class PagesTest(unittest.TestCase):
    loading_raw = (RESOURCES / "Zelloading.html.in").read_bytes()
    error_raw = (RESOURCES / "ZelError.html").read_bytes()

    def test_generated_pages_match_their_sources(self):
        run = subprocess.run([sys.executable, str(RESOURCES / "make_resources.py"), "--check"],
                             capture_output=True, text=True)
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)

    def test_both_pages_are_xhtml_transitional_in_utf8(self):
        for name, raw, bom in (("loading", self.loading_raw, False), ("error", self.error_raw, True)):
            with self.subTest(name):
                self.assertEqual(raw.startswith(BOM), bom)
                text = raw.decode("utf-8").lstrip("\ufeff")
                self.assertTrue(text.startswith(DOCTYPE), text[:120])
                root = parse(raw)
                self.assertEqual(root.tag, XHTML + "html")
                metas = [m.get("content", "").lower() for m in root.iter(XHTML + "meta")]
                self.assertIn("text/html; charset=utf-8", metas)

    def test_pictures_are_png_data_addresses_that_old_browsers_accept(self):
        for name, raw in (("loading", self.loading_raw), ("error", self.error_raw)):
            for img in parse(raw).iter(XHTML + "img"):
                with self.subTest(name, alt=img.get("alt")):
                    source = img.get("src")
                    # Internet Explorer 8 ignores data addresses of 32 KiB and more.
                    self.assertLess(len(source), 32 * 1024)
                    self.assertEqual(png_size(source), (int(img.get("width")), int(img.get("height"))))

    def test_loading_page_template(self):
        text = self.loading_raw.decode("utf-8")
        # configure_file would also replace any other @NAME@ pair.
        self.assertEqual(re.findall(r"@[A-Za-z0-9_]+@", text), ["@ZEL_SERVICE_HOST@"])
        self.assertIn('window.location = "http://@ZEL_SERVICE_HOST@/pcprice/default/index";', text)
        root = parse(self.loading_raw)
        forms = [f for f in root.iter(XHTML + "form") if f.get("name") == "loading"]
        self.assertEqual(len(forms), 1)
        fields = {i.get("name"): i for i in forms[0].iter(XHTML + "input")}
        self.assertEqual(sorted(fields), ["chart", "percent"])
        for field in fields.values():
            self.assertEqual((field.get("type"), field.get("size"), field.get("readonly")),
                             ("text", "46", "readonly"))
        self.assertIn("正在载入首页，请稍候.......", text_of(forms[0]))
        self.assertEqual(len(list(root.iter(XHTML + "img"))), 1)

    def test_error_page(self):
        root = parse(self.error_raw)
        self.assertEqual(text_of(next(root.iter(XHTML + "title"))), "泽米宝pc选型端宽版")
        body = text_of(next(root.iter(XHTML + "body")))
        for line in ("哎呀，网络连接出错啦", "网络连接失败，请检查您的网络是否通畅"):
            self.assertIn(line, body)
        # The program binds the buttons by id; the page itself must not act on them.
        self.assertEqual(list(root.iter(XHTML + "script")), [])
        self.assertFalse([a for e in root.iter() for a in e.attrib if a.lower().startswith("on")])
        for ident, size in (("ErrorRefreshID", (118, 32)), ("ErrorCloseID", (85, 32))):
            with self.subTest(ident):
                links = by_id(root, ident)
                self.assertEqual(len(links), 1)
                self.assertEqual((links[0].tag, links[0].get("href")), (XHTML + "a", "#"))
                self.assertEqual(png_size(next(links[0].iter(XHTML + "img")).get("src")), size)
        # Neither page may carry the id by which service pages are recognised.
        for raw in (self.loading_raw, self.error_raw):
            self.assertEqual(by_id(parse(raw), "CloseID"), [])
        self.assertEqual(by_id(parse(self.loading_raw), "ErrorCloseID"), [])


if __name__ == "__main__":
    unittest.main()
