#!/usr/bin/env python3
"""The embedded loading page counts 2% .. 100% and then opens the wide page of its service host.

    loading_test.py [TEMPLATE]   (default: resources/Zelloading.html.in)

The page is made from its template as the build makes it, with the host of a stand-in service
on a free port. A watcher installed before the page's own script records every value written
into the page's text fields, with its time.
"""
import json
import pathlib
import sys
import tempfile
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import chromium  # noqa: E402

TEMPLATE = chromium.ROOT / "resources" / "Zelloading.html.in"
STEP_MS = 10
STEPS = 50

# Reports each write of an input's value to the test, leaving the write itself unchanged.
WATCH = """
(function () {
  var d = Object.getOwnPropertyDescriptor(HTMLInputElement.prototype, "value");
  Object.defineProperty(HTMLInputElement.prototype, "value", {
    configurable: true, enumerable: d.enumerable, get: d.get,
    set: function (v) {
      d.set.call(this, v);
      zelReport(JSON.stringify({field: this.name || this.id, value: String(v), t: performance.now()}));
    }
  });
})();
"""


def fail(message, service=None):
    print("FAIL: " + message)
    if service:
        print("service log:\n" + service.output())
    sys.exit(1)


def main():
    chromium.skip_without_chromium()
    with chromium.Service() as service, tempfile.TemporaryDirectory(prefix="zel-loading-") as tmp:
        page = pathlib.Path(tmp) / "Zelloading.html"
        template = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else TEMPLATE
        text = template.read_text(encoding="utf-8")
        page.write_text(text.replace("@ZEL_SERVICE_HOST@", service.host), encoding="utf-8")
        wide_url = service.url("/pcprice/default/index")

        with chromium.Chromium() as browser:
            browser.call("Runtime.enable")
            browser.call("Page.enable")
            browser.call("Runtime.addBinding", name="zelReport")
            browser.call("Page.addScriptToEvaluateOnNewDocument", source=WATCH)
            browser.call("Page.navigate", url=page.as_uri())

            writes = []
            deadline = time.monotonic() + 20
            while True:
                event = browser.next_event_of(("Runtime.bindingCalled", "Page.frameNavigated"),
                                              deadline - time.monotonic())
                if event is None:
                    fail(f"the wide page was not opened within 20 s; {len(writes)} writes seen", service)
                if event["method"] == "Runtime.bindingCalled":
                    writes.append(json.loads(event["params"]["payload"]))
                elif event["params"]["frame"].get("parentId") is None and \
                        event["params"]["frame"]["url"] != page.as_uri():
                    opened = event["params"]["frame"]["url"]
                    if opened != wide_url:
                        fail(f"the loading page opened {opened}, expected {wide_url}")
                    break
            if browser.next_event("Page.loadEventFired", 15) is None:
                fail("the wide page did not finish loading", service)
            if not browser.evaluate("!!document.getElementById('CloseID')"):
                fail("the page shown after loading is not the service's wide page")

        percents = [w for w in writes if w["field"] == "percent"]
        charts = [w["value"] for w in writes if w["field"] == "chart"]
        expected = [f"{n}%" for n in range(2, 101, 2)]
        if [w["value"] for w in percents] != expected:
            fail(f"percent showed {[w['value'] for w in percents]}, expected {expected}")
        if charts != ["||" * (n + 1) for n in range(1, STEPS + 1)]:
            fail(f"bar texts have lengths {[len(c) for c in charts]}, expected 4, 6, .., {2 * STEPS + 2}")
        if any(w["field"] not in ("chart", "percent") for w in writes):
            fail(f"unexpected fields written: {writes}")
        # Each step after the first waits at least 10 ms (a little less allows for timer rounding).
        gaps = [b["t"] - a["t"] for a, b in zip(percents, percents[1:])]
        if min(gaps) < STEP_MS - 1:
            fail(f"a step followed after {min(gaps):.1f} ms, less than {STEP_MS} ms")
        span = percents[-1]["t"] - percents[0]["t"]

        gets = [r["path"] for r in service.requests() if r["method"] == "GET"]
        if "/pcprice/default/index" not in gets:
            fail(f"the service saw no request for the wide page: {gets}", service)
        print(f"ok: counted 2% .. 100% in {STEPS} steps over {span:.0f} ms, then loaded {wide_url}")


if __name__ == "__main__":
    main()
