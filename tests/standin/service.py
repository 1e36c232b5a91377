#!/usr/bin/env python3
"""Stand-in for the price service: the three pages Zel shows and the update downloads.

    service.py [--port 8731] [--download DIR]

Pages: /pcprice/default/index (wide), /pcprice/default/indexzb (narrow),
/pcprice/default/miniindex (mini). Downloads: /download/version.txt, /download/updateInfo.txt,
/download/Zel_<version>.exe, read from DIR at each request (404 while missing).
Elements that act as buttons carry role="button" (the Wine tests' stand-in browser shows them as
native buttons); the wide page's 帮助 link (HelpID) leads to a page the service does not have, and two links
open a new window: NewTabID to the service's own wide page, DatasheetID to another host;
AgainID opens the wide page again in place, a step in the browser's history; OrderOpenID and
VendorOpenID do the same as the two new-window links by script (window.open).

Tests steer the pages through /standin/set?name=value&... (names below in DEFAULTS), undo that with
/standin/reset, and read the requests seen so far, as JSON, from /standin/requests.
"""
import argparse
import collections
import html
import json
import pathlib
import re
import signal
import sys
import threading
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

SETTINGS = json.dumps({"title": ",名称,规格,单位,数量,单价,金额,厂商,表价,折扣",
                       "soft": "EXCEL", "state": "0"}, ensure_ascii=False, separators=(",", ":"))
ROW = "电阻#0603 10kΩ#个#100#0.01#1.00#国巨#0.02#50%"

DEFAULTS = {
    "pin_state": "0",     # page variable pin_state
    "paste_flag": "1",    # page variable pasteFlag
    "settings": SETTINGS, # value of SettingStrID
    "row": ROW,           # value of InsertExcelStrID
    "omit": "",           # comma-separated element ids or page variables left out of every page
    "frame": "",          # src of an <iframe> in the wide and narrow pages (none when empty);
                          # /standin/frame answers a small page, any unknown path 404
}

# Sample price lines of the wide and narrow pages: name, spec, unit, quantity, price, amount,
# maker, list price, discount.
PARTS = [
    ROW.split("#"),
    ["电容", "0805 10uF 25V", "个", "50", "0.05", "2.50", "村田", "0.08", "62%"],
    ["二极管", "1N4148 SOD-123", "个", "200", "0.02", "4.00", "长电", "0.03", "67%"],
    ["稳压芯片", "AMS1117-3.3 SOT-223", "个", "20", "0.45", "9.00", "AMS", "0.60", "75%"],
    ["晶振", "HC-49S 12MHz", "个", "30", "0.30", "9.00", "泰晶", "0.40", "75%"],
    ["排针", "2.54mm 1x40P", "条", "10", "0.25", "2.50", "连兴", "0.35", "71%"],
]
CAPTIONS = ["名称", "规格", "单位", "数量", "单价", "金额", "厂商", "表价", "折扣"]

HEAD = r"""<!DOCTYPE html PUBLIC "-//W3C//DTD XHTML 1.0 Transitional//EN" "http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd">
<html xmlns="http://www.w3.org/1999/xhtml">
<head>
<meta http-equiv="Content-Type" content="text/html; charset=utf-8" />
<title>{title}</title>
<style type="text/css">
html, body {{ margin: 0; padding: 0; overflow: hidden; background: #fff; font: 12px "Microsoft YaHei", "WenQuanYi Micro Hei", Arial, sans-serif; color: #333; }}
.frame {{ position: relative; width: {width}px; height: {height}px; overflow: hidden; background: #f6f6f6; }}
.bar {{ height: 36px; background: #323232; color: #fff; }}
.bar .drag {{ float: left; height: 36px; line-height: 36px; cursor: move; }}
.logo {{ width: 28px; margin: 6px 8px 0 8px; height: 24px !important; line-height: 24px !important; background: #fa694e; text-align: center; font-size: 16px; font-weight: bold; }}
.bar .name {{ font-size: 14px; padding-right: 10px; }}
.bar .btns {{ float: right; }}
.bar .btns span {{ float: left; height: 36px; line-height: 36px; padding: 0 8px; cursor: pointer; color: #ddd; }}
.bar .btns span:hover {{ background: #4a4a4a; color: #fff; }}
.bar .btns span#CloseID:hover {{ background: #e04343; }}
.tool {{ padding: 10px 12px; }}
.tool input {{ width: 200px; height: 22px; border: 1px solid #ccc; padding: 0 4px; }}
.btn {{ display: inline-block; height: 24px; line-height: 24px; padding: 0 12px; background: #fa694e; color: #fff; cursor: pointer; }}
.btn.grey {{ background: #888; }}
table.parts {{ width: 100%; border-collapse: collapse; background: #fff; }}
table.parts th {{ background: #eee; font-weight: normal; color: #666; }}
table.parts td, table.parts th {{ border-bottom: 1px solid #e6e6e6; padding: 6px 6px; text-align: left; }}
table.parts td:first-child, table.parts th:first-child {{ padding-left: 12px; }}
table.parts tr.sel td {{ background: #fff1ec; }}
.foot {{ position: absolute; left: 0; right: 0; bottom: 0; height: 44px; line-height: 44px; padding: 0 12px; background: #fff; border-top: 1px solid #e6e6e6; }}
.foot .btn {{ margin-right: 8px; }}
#msgBox {{ display: none; position: absolute; left: 50%; top: 42%; width: 300px; margin-left: -160px; padding: 12px 10px; background: #323232; color: #fff; text-align: center; font-size: 14px; z-index: 9; }}
.panel {{ display: none; position: absolute; left: 60px; right: 60px; top: 70px; padding: 14px; background: #fff; border: 1px solid #fa694e; z-index: 5; }}
.panel h3 {{ margin: 0 0 10px 0; font-size: 14px; color: #f50; }}
#status {{ color: #999; }}
</style>
<script type="text/javascript">
//<![CDATA[
var pin_state = {pin_state};
var pasteFlag = {paste_flag};
var inserted = 0;
function el(id) {{ return document.getElementById(id); }}
// Sets what the element shows and what getAttribute("value") returns: the program reads the latter.
function setVal(id, v) {{ var e = el(id); if (e) {{ e.value = v; e.setAttribute("value", v); }} }}
var msgTimer = null;
function alertMsg(msg) {{
  var box = el("msgBox");
  box.innerHTML = "";
  box.appendChild(document.createTextNode(msg));
  box.style.display = "block";
  if (msgTimer) clearTimeout(msgTimer);
  msgTimer = setTimeout(function () {{ box.style.display = "none"; }}, 3000);
}}
function status(text) {{ var s = el("status"); if (s) s.innerHTML = text; }}
function showPanel(id) {{
  var ids = ["orderDiv", "settingDiv"];
  for (var i = 0; i < ids.length; i++) {{ var p = el(ids[i]); if (p) p.style.display = ids[i] == id ? "block" : "none"; }}
}}
function Tobatu() {{ alertMsg("未找到看图工具，请先安装泽米宝看图助手"); }}
function miniToHorizontal() {{ showPanel(""); status("已从迷你窗口切换到宽版"); }}
function loadOrderDiv() {{ showPanel("orderDiv"); }}
function parseJson(text) {{ return window.JSON ? JSON.parse(text) : eval("(" + text + ")"); }}
function quote(text) {{ return '"' + String(text).replace(/\\/g, "\\\\").replace(/"/g, '\\"') + '"'; }}
function openSetting() {{
  try {{
    var s = parseJson(el("SettingStrID") ? el("SettingStrID").value : "{{}}");
    if (el("softSel")) el("softSel").value = s.soft || "EXCEL";
    if (el("stateSel")) el("stateSel").value = s.state || "0";
  }} catch (e) {{}}
  showPanel("settingDiv");
}}
function saveSetting() {{
  var s = parseJson(el("SettingStrID").value);
  setVal("SettingStrID", "{{\"title\":" + quote(s.title || "") + ",\"soft\":" + quote(el("softSel").value)
         + ",\"state\":" + quote(el("stateSel").value) + "}}");
  showPanel("");
  alertMsg("设置已保存");
}}
function QueryByMini(keyword) {{
  setVal("keyword", keyword);
  search();
  status("迷你窗口查询：" + keyword);
}}
function Q_GetPraiseInsert(n) {{
  inserted = inserted + 1;
  status("已插入 " + inserted + " 次（" + n + "）");
}}
function pick(row) {{
  var rows = el("parts").getElementsByTagName("tr");
  for (var i = 0; i < rows.length; i++) rows[i].className = rows[i] == row ? "sel" : "";
  setVal("InsertExcelStrID", row.getAttribute("data-line"));
}}
function search() {{
  var k = el("keyword") ? el("keyword").value : "";
  var rows = el("parts").getElementsByTagName("tr");
  for (var i = 0; i < rows.length; i++) {{
    var line = rows[i].getAttribute("data-line") || "";
    rows[i].style.display = (k == "" || line.indexOf(k) >= 0) ? "" : "none";
  }}
}}
//]]>
</script>
</head>
"""

WIDE = """<body>
<div class="frame">
  <div class="bar">
    <div class="drag logo" id="MoveFormID2" role="button">泽</div>
    <div class="drag name" id="MoveFormID" role="button" style="width: 520px">泽米宝 · 元器件选型比价</div>
    <div class="btns">
      <span id="ReadDwgID" role="button" title="看图">看图</span>
      <span id="MiniID" role="button" title="迷你窗口">迷你</span>
      <span id="HVID" role="button" title="切换到竖版">竖版</span>
      <span id="PinID" role="button" title="置顶">置顶</span>
      <span id="MinID" role="button" title="最小化">&#8211;</span>
      <span id="CloseID" role="button" title="关闭">&#215;</span>
    </div>
  </div>
  <div class="tool">
    <input type="text" id="keyword" value="" />
    <span class="btn" onclick="search()">查询</span>
    <span class="btn grey" onclick="loadOrderDiv()">价格查询</span>
    <span class="btn grey" onclick="openSetting()">设置</span>
    <a id="HelpID" href="/pcprice/default/help">帮助</a>
    <a id="NewTabID" href="/pcprice/default/index?from=newtab" target="_blank">新窗口打开</a>
    <a id="AgainID" href="/pcprice/default/index?from=again">重新打开</a>
    <span id="OrderOpenID" role="button" onclick="window.open('/pcprice/default/index?from=open')">订单</span>
    <span id="VendorOpenID" role="button" onclick="window.open('http://vendor.example.org/prices')">厂商报价</span>
    <a id="DatasheetID" href="http://vendor.example.org/datasheet.pdf" target="_blank">规格书</a>
  </div>
  <table class="parts"><thead><tr>{captions}</tr></thead><tbody id="parts">{rows}</tbody></table>
  <div class="foot">
    <span class="btn" id="InsertExcelID" role="button">插入Excel</span>
    <span class="btn grey" id="btnAddTitle" role="button">插入表头</span>
    <span id="status">选中一行后点“插入Excel”</span>
  </div>
  <div class="panel" id="orderDiv"><h3>价格查询</h3><p>输入型号后回车，或从列表中选一行。</p>
    <span class="btn grey" onclick="showPanel('')">关闭</span></div>
  <div class="panel" id="settingDiv"><h3>设置</h3>
    <p>插入到：<select id="softSel"><option value="EXCEL">Excel</option><option value="WPS">WPS表格</option><option value="EXWINNER">ExWinner</option></select></p>
    <p>关闭按钮：<select id="stateSel"><option value="0">隐藏到迷你窗口</option><option value="1">退出程序</option></select></p>
    <span class="btn" onclick="saveSetting()">保存</span> <span class="btn grey" onclick="showPanel('')">取消</span></div>
  <input type="hidden" id="SettingStrID" value="{settings}" />
  <input type="hidden" id="InsertExcelStrID" value="{row}" />
  <div id="msgBox"></div>
</div>
</body>
</html>
"""

NARROW = """<body>
<div class="frame">
  <div class="bar">
    <div class="drag logo" id="MoveFormID2" role="button">泽</div>
    <div class="drag name" id="MoveFormID" role="button" style="width: 60px">泽米宝</div>
    <div class="btns">
      <span id="SettingID" role="button" title="设置">设</span>
      <span id="ReadDwgID" role="button" title="看图">图</span>
      <span id="MiniID" role="button" title="迷你窗口">迷</span>
      <span id="HVID" role="button" title="切换到宽版">横</span>
      <span id="PinID" role="button" title="置顶">顶</span>
      <span id="MinID" role="button" title="最小化">&#8211;</span>
      <span id="CloseID" role="button" title="关闭">&#215;</span>
    </div>
  </div>
  <div class="tool"><span class="btn" id="QueryPriceID" role="button">查价格</span> <span id="status"></span></div>
  <table class="parts"><tbody id="parts">{rows}</tbody></table>
  <div class="foot"><span class="btn" id="InsertExcelID" role="button">插入Excel</span></div>
  <input type="hidden" id="InsertExcelStrID" value="{row}" />
  <div id="msgBox"></div>
</div>
</body>
</html>
"""

MINI = """<body>
<div class="frame" style="background: #323232">
  <div class="drag logo" id="MoveFormID" role="button" style="float: left; cursor: move; color: #fff; margin: 18px 6px 0 6px">泽</div>
  <input type="text" id="InputID" value="输入型号查价格" style="float: left; width: 150px; height: 24px; margin-top: 17px; border: 0; padding: 0 4px" />
  <span class="btn" id="SearchID" role="button" style="float: left; margin-top: 17px; height: 26px; line-height: 26px">搜</span>
  <span id="PinID" role="button" style="float: left; color: #ddd; margin: 22px 0 0 6px; cursor: pointer">顶</span>
  <span id="CloseID" role="button" style="float: left; color: #ddd; margin: 22px 0 0 6px; cursor: pointer">&#215;</span>
  <div id="MoveFormID2" role="button" style="position: absolute; left: 0; right: 0; top: 0; height: 12px; cursor: move"></div>
  <input type="hidden" id="MonitorID" value="" />
  <div id="msgBox"></div>
</div>
<script type="text/javascript">
//<![CDATA[
var input = el("InputID");
// The window reads MonitorID on key-up: mark Enter before that, clear it for any other key.
input.onkeydown = function (e) {{
  e = e || window.event;
  setVal("MonitorID", (e.keyCode == 13) ? "enter" : "");
}};
input.onfocus = function () {{ if (input.value.indexOf("查价格") >= 0) setVal("InputID", ""); }};
//]]>
</script>
</body>
</html>
"""


def esc(text):
    return html.escape(text, quote=True)


def remove_ids(page, names):
    # A left-out id simply loses its id attribute; the element stays so the layout is unchanged.
    # A left-out page variable loses its declaration.
    for name in names:
        page = page.replace(f'id="{name}"', "")
        page = re.sub(r"^var %s = .*;\n" % re.escape(name), "", page, flags=re.M)
    return page


def render(kind, state):
    sizes = {"index": (900, 600), "indexzb": (360, 670), "miniindex": (290, 60)}
    width, height = sizes[kind]
    rows = ""
    for i, part in enumerate(PARTS):
        if kind == "index":
            cells = "".join(f"<td>{esc(c)}</td>" for c in part)
        else:
            cells = (f"<td>{esc(part[0])}<br />{esc(part[1])}</td>"
                     f"<td>{esc(part[4])} 元/{esc(part[2])}<br />{esc(part[6])}</td>")
        selected = ' class="sel"' if i == 0 else ""
        rows += f'<tr data-line="{esc("#".join(part))}" onclick="pick(this)"{selected}>{cells}</tr>'
    head = HEAD.format(title={"index": "泽米宝pc选型端宽版", "indexzb": "泽米宝pc选型端竖版",
                              "miniindex": "泽米宝迷你输入"}[kind],
                       width=width, height=height,
                       pin_state=json.dumps(state["pin_state"]), paste_flag=json.dumps(state["paste_flag"]))
    body = {"index": WIDE, "indexzb": NARROW, "miniindex": MINI}[kind].format(
        captions="".join(f"<th>{c}</th>" for c in CAPTIONS), rows=rows,
        settings=esc(state["settings"]), row=esc(state["row"]))
    if state["frame"] and kind != "miniindex":
        body = body.replace("</body>", f'<iframe src="{esc(state["frame"])}" width="1" height="1"></iframe>\n</body>')
    omit = [i.strip() for i in state["omit"].split(",") if i.strip()]
    return remove_ids(head + body, omit)


class Service(ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, address, download):
        super().__init__(address, Handler)
        self.download = pathlib.Path(download).resolve()
        self.lock = threading.Lock()
        self.state = dict(DEFAULTS)
        self.requests = collections.deque(maxlen=500)


DOWNLOAD_NAME = re.compile(r"^(version\.txt|updateInfo\.txt|Zel_[A-Za-z0-9._-]+\.exe)$")


class Handler(BaseHTTPRequestHandler):
    server_version = "ZelStandIn/1.0"

    def do_GET(self):
        self.answer(with_body=True)

    def do_HEAD(self):
        self.answer(with_body=False)

    def answer(self, with_body):
        url = urllib.parse.urlsplit(self.path)
        path = urllib.parse.unquote(url.path)
        with self.server.lock:
            if not path.startswith("/standin/"):
                self.server.requests.append({"method": self.command, "path": self.path,
                                             "user_agent": self.headers.get("User-Agent", "")})
            state = dict(self.server.state)
        page = re.fullmatch(r"/pcprice/default/(index|indexzb|miniindex)", path)
        if page:
            return self.send(200, "text/html; charset=utf-8", render(page.group(1), state).encode(), with_body)
        if path == "/standin/frame":
            return self.send(200, "text/html; charset=utf-8",
                             b"<html><body><p>frame</p></body></html>", with_body)
        if path.startswith("/download/"):
            name = path[len("/download/"):]
            file = self.server.download / name
            if DOWNLOAD_NAME.match(name) and file.is_file():
                kind = "application/octet-stream" if name.endswith(".exe") else "text/plain"
                return self.send(200, kind, file.read_bytes(), with_body)
            return self.send(404, "text/plain", b"not found", with_body)
        if path == "/standin/set":
            changes = urllib.parse.parse_qs(url.query, keep_blank_values=True)
            unknown = [k for k in changes if k not in DEFAULTS]
            if unknown:
                return self.send(400, "text/plain", ("unknown: " + ",".join(unknown)).encode(), with_body)
            with self.server.lock:
                for key, values in changes.items():
                    self.server.state[key] = values[-1]
            return self.send(200, "text/plain", b"ok", with_body)
        if path == "/standin/reset":
            with self.server.lock:
                self.server.state = dict(DEFAULTS)
                self.server.requests.clear()
            return self.send(200, "text/plain", b"ok", with_body)
        if path == "/standin/requests":
            with self.server.lock:
                seen = list(self.server.requests)
            return self.send(200, "application/json",
                             json.dumps(seen, ensure_ascii=False).encode(), with_body)
        return self.send(404, "text/plain", b"not found", with_body)

    def send(self, code, kind, body, with_body):
        self.send_response(code)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        # Every reload and every update check must reach the service, not a cache.
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        if with_body:
            self.wfile.write(body)

    def log_request(self, code="-", size="-"):
        sys.stderr.write(f"{self.command} {self.path} {code}\n")
        sys.stderr.flush()


def main():
    parser = argparse.ArgumentParser(description="Stand-in for the price service.")
    parser.add_argument("--port", type=int, default=8731)
    parser.add_argument("--download", default=".", help="folder of the update downloads")
    args = parser.parse_args()
    server = Service(("127.0.0.1", args.port), args.download)
    # serve_forever ends through this exception; the with block closes the socket.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    with server:
        sys.stderr.write(f"stand-in service on 127.0.0.1:{server.server_address[1]}\n")
        sys.stderr.flush()
        try:
            server.serve_forever()
        except KeyboardInterrupt:
            pass


if __name__ == "__main__":
    main()
