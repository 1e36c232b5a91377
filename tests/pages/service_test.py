#!/usr/bin/env python3
"""The stand-in service: the page contract Zel binds to, the update downloads, clean shutdown."""
import html.parser
import json
import pathlib
import re
import sys
import unittest
import urllib.parse

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import chromium  # noqa: E402

IDS = {
    "index": ["MiniID", "ReadDwgID", "PinID", "MinID", "HVID", "CloseID", "MoveFormID", "MoveFormID2",
              "InsertExcelID", "btnAddTitle", "SettingStrID", "InsertExcelStrID"],
    "indexzb": ["SettingID", "MiniID", "ReadDwgID", "PinID", "MinID", "HVID", "QueryPriceID", "CloseID",
                "MoveFormID", "MoveFormID2", "InsertExcelID", "InsertExcelStrID"],
    "miniindex": ["InputID", "SearchID", "PinID", "CloseID", "MoveFormID", "MoveFormID2", "MonitorID"],
}
# Functions the program calls by script, and the page variables it reads.
FUNCTIONS = ["alertMsg", "Tobatu", "miniToHorizontal", "loadOrderDiv", "openSetting", "QueryByMini",
             "Q_GetPraiseInsert"]
SETTINGS = {"title": ",名称,规格,单位,数量,单价,金额,厂商,表价,折扣", "soft": "EXCEL", "state": "0"}
ROW = "电阻#0603 10kΩ#个#100#0.01#1.00#国巨#0.02#50%"


class Elements(html.parser.HTMLParser):
    def __init__(self, text):
        super().__init__()
        self.ids = []
        self.values = {}
        self.feed(text)

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if "id" in attrs:
            self.ids.append(attrs["id"])
            if "value" in attrs:
                self.values[attrs["id"]] = attrs["value"]


def variable(text, name):
    match = re.search(r"var %s = (\"[^\"]*\");" % name, text)
    return json.loads(match.group(1)) if match else None


class ServiceTest(unittest.TestCase):
    def setUp(self):
        self.service = chromium.Service()
        self.addCleanup(self.service.close)

    def page(self, kind):
        status, headers, body = self.service.get(f"/pcprice/default/{kind}")
        self.assertEqual(status, 200)
        self.assertEqual(headers["Content-Type"], "text/html; charset=utf-8")
        return body.decode("utf-8")

    def test_pages_carry_each_bound_id_once(self):
        for kind, ids in IDS.items():
            with self.subTest(kind):
                found = Elements(self.page(kind)).ids
                for ident in ids:
                    self.assertEqual(found.count(ident), 1, ident)
                # Error page ids would make the program take a service page for its error page.
                self.assertNotIn("ErrorCloseID", found)

    def test_page_variables_and_functions(self):
        for kind in ("index", "indexzb"):
            with self.subTest(kind):
                text = self.page(kind)
                self.assertEqual((variable(text, "pin_state"), variable(text, "pasteFlag")), ("0", "1"))
                for name in FUNCTIONS:
                    self.assertRegex(text, r"function %s\(" % name)

    def test_settings_and_row_values(self):
        values = Elements(self.page("index")).values
        self.assertEqual(json.loads(values["SettingStrID"]), SETTINGS)
        self.assertEqual(values["InsertExcelStrID"], ROW)
        self.assertEqual(len(values["InsertExcelStrID"].split("#")), 9)
        self.assertEqual(Elements(self.page("indexzb")).values["InsertExcelStrID"], ROW)

    def test_tests_can_change_and_reset_the_pages(self):
        settings = '{"title":"a\\"b<c>","soft":"WPS","state":"1"}'
        status = self.service.get("/standin/set?pin_state=1&paste_flag=0&omit=CloseID,MiniID&settings="
                                  + urllib.parse.quote(settings, safe=""))[0]
        self.assertEqual(status, 200)
        text = self.page("index")
        parsed = Elements(text)
        self.assertEqual((variable(text, "pin_state"), variable(text, "pasteFlag")), ("1", "0"))
        self.assertNotIn("CloseID", parsed.ids)
        self.assertNotIn("MiniID", parsed.ids)
        self.assertEqual(parsed.values["SettingStrID"], settings)
        self.assertEqual(self.service.get("/standin/set?bogus=1")[0], 400)
        self.service.get("/standin/reset")
        self.assertIn("CloseID", Elements(self.page("index")).ids)

    def test_requests_are_recorded_with_their_user_agent(self):
        self.page("miniindex")
        seen = self.service.requests()
        self.assertEqual(seen[-1]["path"], "/pcprice/default/miniindex")
        self.assertIn("Python-urllib", seen[-1]["user_agent"])

    def test_downloads_come_from_the_folder_and_nothing_else(self):
        folder = self.service.download
        for name in ("version.txt", "updateInfo.txt", "Zel_3.0.0.6122.exe"):
            with self.subTest(name):
                self.assertEqual(self.service.get("/download/" + name)[0], 404)
                (folder / name).write_bytes(b"MZ\x00\x01" + name.encode())
                status, headers, body = self.service.get("/download/" + name)
                self.assertEqual((status, body), (200, b"MZ\x00\x01" + name.encode()))
                self.assertEqual(headers["Cache-Control"], "no-store")
        (folder.parent / "secret.txt").write_text("no")
        (folder / "other.txt").write_text("no")
        for path in ("/download/../secret.txt", "/download/%2e%2e/secret.txt", "/download/other.txt",
                     "/download/Zel_..%2f..%2fsecret.exe", "/download/"):
            with self.subTest(path):
                self.assertEqual(self.service.get(path)[0], 404)

    def test_head_answers_without_body(self):
        status, headers, body = self.service.get("/pcprice/default/index", method="HEAD")
        self.assertEqual((status, body), (200, b""))
        self.assertGreater(int(headers["Content-Length"]), 0)

    def test_ends_cleanly_on_sigterm(self):
        self.assertEqual(self.service.stop(), 0)


if __name__ == "__main__":
    unittest.main()
