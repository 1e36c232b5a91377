#!/usr/bin/env python3
"""Redraws docs/screenshots/*.png: the loading page mid-way, the error page, the stand-in's pages."""
import pathlib
import subprocess
import sys
import tempfile

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import chromium  # noqa: E402

OUT = chromium.ROOT / "docs" / "screenshots"


def shot(url, path, width, height, budget_ms=None):
    with tempfile.TemporaryDirectory(prefix="zel-shot-") as profile:
        command = [chromium.chromium_path(), *chromium.FLAGS, f"--user-data-dir={profile}",
                   f"--window-size={width},{height}", f"--screenshot={path}", url]
        if budget_ms:
            # Virtual time: the page's timers run this long, then the picture is taken.
            command.insert(-1, f"--virtual-time-budget={budget_ms}")
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
    print(f"wrote {path}")


def main():
    if not chromium.chromium_path():
        sys.exit("chromium is not installed")
    OUT.mkdir(parents=True, exist_ok=True)
    with chromium.Service() as service, tempfile.TemporaryDirectory(prefix="zel-pages-") as tmp:
        loading = pathlib.Path(tmp) / "Zelloading.html"
        template = (chromium.ROOT / "resources" / "Zelloading.html.in").read_text(encoding="utf-8")
        loading.write_text(template.replace("@ZEL_SERVICE_HOST@", service.host), encoding="utf-8")
        shot(loading.as_uri(), OUT / "loading.png", 900, 600, budget_ms=250)
        shot((chromium.ROOT / "resources" / "ZelError.html").as_uri(), OUT / "error.png", 900, 600)
        shot(service.url("/pcprice/default/index"), OUT / "service-wide.png", 900, 600)
        shot(service.url("/pcprice/default/indexzb"), OUT / "service-narrow.png", 360, 670)
        shot(service.url("/pcprice/default/miniindex"), OUT / "service-mini.png", 290, 60)


if __name__ == "__main__":
    main()
