#!/usr/bin/env python3
"""The stand-in's page scripts in a real browser: the calls Zel makes work and show something."""
import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import chromium  # noqa: E402

# (page, script the program or the user runs, expression, expected value)
CASES = [
    ("index", 'alertMsg("亲，请先打开Excel，再来插入吧！")', 'el("msgBox").style.display + el("msgBox").innerText',
     "block亲，请先打开Excel，再来插入吧！"),
    ("index", "Tobatu()", 'el("msgBox").innerText.indexOf("看图") >= 0', True),
    ("index", "loadOrderDiv()", 'el("orderDiv").style.display', "block"),
    ("index", "openSetting()", 'el("settingDiv").style.display + el("softSel").value', "blockEXCEL"),
    ("index", "openSetting(); miniToHorizontal()", 'el("settingDiv").style.display', "none"),
    ("index", 'QueryByMini("晶振")', "visibleRows()", "晶振"),
    ("index", "Q_GetPraiseInsert(2); Q_GetPraiseInsert(2)", 'el("status").innerText', "已插入 2 次（2）"),
    # The program reads values with getAttribute: a picked row must change the attribute too.
    ("index", 'pick(el("parts").rows[1])', 'el("InsertExcelStrID").getAttribute("value")',
     "电容#0805 10uF 25V#个#50#0.05#2.50#村田#0.08#62%"),
    ("index", 'openSetting(); el("softSel").value = "WPS"; el("stateSel").value = "1"; saveSetting()',
     'JSON.parse(el("SettingStrID").getAttribute("value")).soft + JSON.parse(el("SettingStrID").value).state',
     "WPS1"),
    ("indexzb", 'alertMsg("表头不能插入ExWinner")', 'el("msgBox").innerText', "表头不能插入ExWinner"),
    ("indexzb", "Q_GetPraiseInsert(2)", 'el("status").innerText', "已插入 1 次（2）"),
    ("miniindex", 'key(13)', 'el("MonitorID").getAttribute("value")', "enter"),
    ("miniindex", 'key(13); key(65)', 'el("MonitorID").getAttribute("value")', ""),
    ("miniindex", 'el("InputID").focus()', 'el("InputID").value', ""),
]

HELPERS = """
function visibleRows() {
  var out = [], rows = el("parts").rows;
  for (var i = 0; i < rows.length; i++) if (rows[i].style.display != "none") out.push(rows[i].cells[0].innerText);
  return out.join(",");
}
function key(code) {
  var e = new KeyboardEvent("keydown", {bubbles: true});
  Object.defineProperty(e, "keyCode", {get: function () { return code; }});
  el("InputID").dispatchEvent(e);
}
"""


def main():
    chromium.skip_without_chromium()
    failures = []
    with chromium.Service() as service, chromium.Chromium() as browser:
        browser.call("Page.enable")
        for kind, script, expression, expected in CASES:
            browser.call("Page.navigate", url=service.url(f"/pcprice/default/{kind}"))
            if browser.next_event("Page.loadEventFired", 15) is None:
                failures.append(f"{kind}: page did not load")
                continue
            try:
                browser.evaluate(HELPERS + script)
                got = browser.evaluate(expression)
            except RuntimeError as error:
                got = f"error: {error}"
            if got != expected:
                failures.append(f"{kind}: after {script}: {expression} is {got!r}, expected {expected!r}")
    for failure in failures:
        print("FAIL: " + failure)
    if failures:
        sys.exit(1)
    print(f"ok: {len(CASES)} page script cases")


if __name__ == "__main__":
    main()
