"""Headless Chromium driven over its DevTools pipe, and the stand-in service, for the page tests.

Only the standard library: Chromium reads commands from descriptor 3 and writes answers and
events to descriptor 4, one JSON text per message, each ended by a NUL byte.
"""
import fcntl
import json
import os
import pathlib
import queue
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request

ROOT = pathlib.Path(__file__).resolve().parents[2]
SERVICE = ROOT / "tests" / "standin" / "service.py"

FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--hide-scrollbars", "--mute-audio"]


def chromium_path():
    return shutil.which("chromium") or shutil.which("chromium-browser")


def skip_without_chromium():
    if not chromium_path():
        print("skipped: chromium is not installed")
        sys.exit(0)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Service:
    """The stand-in service on a free loopback port, stopped by its process id."""

    def __init__(self, download=None):
        self.port = free_port()
        self.tmp = tempfile.TemporaryDirectory(prefix="zel-service-")
        self.download = pathlib.Path(download or pathlib.Path(self.tmp.name) / "download")
        self.download.mkdir(exist_ok=True)
        self.log = open(pathlib.Path(self.tmp.name) / "service.log", "w+")
        self.process = subprocess.Popen(
            [sys.executable, str(SERVICE), "--port", str(self.port), "--download", str(self.download)],
            stdout=self.log, stderr=subprocess.STDOUT)
        deadline = time.monotonic() + 10
        while True:
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                break
            except OSError:
                if self.process.poll() is not None or time.monotonic() > deadline:
                    self.stop()
                    raise RuntimeError("stand-in service did not start:\n" + self.output())
                time.sleep(0.05)

    @property
    def host(self):
        return f"127.0.0.1:{self.port}"

    def url(self, path):
        return f"http://{self.host}{path}"

    def get(self, path, method="GET"):
        """(status, headers, body) of one request; error statuses are answers too."""
        request = urllib.request.Request(self.url(path), method=method)
        opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
        try:
            with opener.open(request, timeout=10) as answer:
                return answer.status, answer.headers, answer.read()
        except urllib.error.HTTPError as error:
            return error.code, error.headers, error.read()

    def requests(self):
        return json.loads(self.get("/standin/requests")[2])

    def output(self):
        self.log.flush()
        self.log.seek(0)
        return self.log.read()

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        return self.process.returncode

    def close(self):
        self.stop()
        self.log.close()
        self.tmp.cleanup()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def _above_four(fd):
    moved = fcntl.fcntl(fd, fcntl.F_DUPFD_CLOEXEC, 5)
    os.close(fd)
    return moved


class Chromium:
    """One headless browser with one page; `call` runs a DevTools command on that page."""

    def __init__(self, width=900, height=600):
        self.profile = tempfile.TemporaryDirectory(prefix="zel-chromium-")
        to_browser_r, self._to_browser = os.pipe()
        self._from_browser, from_browser_w = os.pipe()
        # Above 4, so that moving them onto 3 and 4 never closes one of them.
        to_browser_r, from_browser_w = (_above_four(fd) for fd in (to_browser_r, from_browser_w))
        command = [chromium_path(), *FLAGS, f"--user-data-dir={self.profile.name}",
                   f"--window-size={width},{height}", "--remote-debugging-pipe", "about:blank"]
        # The shell moves the pipe ends onto the descriptors Chromium expects.
        script = f'exec "$@" 3<&{to_browser_r} 4>&{from_browser_w} {to_browser_r}<&- {from_browser_w}>&-'
        self.process = subprocess.Popen(["bash", "-c", script, "bash", *command],
                                        pass_fds=(to_browser_r, from_browser_w),
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                        start_new_session=True)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self._next_id = 0
        self._answers = {}
        self._events = queue.Queue()
        self._cond = threading.Condition()
        threading.Thread(target=self._read, daemon=True).start()
        self.session = None
        target = self.call("Target.createTarget", url="about:blank", session=False)["targetId"]
        self.session = self.call("Target.attachToTarget", targetId=target, flatten=True,
                                 session=False)["sessionId"]

    def _read(self):
        pending = b""
        while True:
            chunk = os.read(self._from_browser, 65536)
            if not chunk:
                break
            pending += chunk
            *messages, pending = pending.split(b"\0")
            for raw in messages:
                message = json.loads(raw)
                if "id" in message:
                    with self._cond:
                        self._answers[message["id"]] = message
                        self._cond.notify_all()
                else:
                    self._events.put(message)
        with self._cond:
            self._answers[None] = {"error": {"message": "browser closed its pipe"}}
            self._cond.notify_all()

    def call(self, method, session=True, timeout=20, **params):
        with self._cond:
            self._next_id += 1
            ident = self._next_id
        message = {"id": ident, "method": method, "params": params}
        if session and self.session:
            message["sessionId"] = self.session
        os.write(self._to_browser, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        with self._cond:
            while ident not in self._answers and None not in self._answers:
                left = deadline - time.monotonic()
                if left <= 0:
                    raise TimeoutError(f"no answer to {method}")
                self._cond.wait(left)
            answer = self._answers.pop(ident, None) or self._answers[None]
        if "error" in answer:
            raise RuntimeError(f"{method}: {answer['error'].get('message')}")
        return answer.get("result", {})

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True)
        if "exceptionDetails" in result:
            raise RuntimeError(f"{expression}: {result['exceptionDetails'].get('text')}")
        return result["result"].get("value")

    def next_event_of(self, methods, timeout):
        """The next event with one of those names; others are dropped. None after the timeout."""
        deadline = time.monotonic() + timeout
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            try:
                event = self._events.get(timeout=left)
            except queue.Empty:
                return None
            if event.get("method") in methods:
                return event

    def next_event(self, method, timeout):
        return self.next_event_of((method,), timeout)

    def close(self):
        try:
            self.call("Browser.close", session=False, timeout=5)
        except (RuntimeError, TimeoutError, OSError):
            pass
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            # The browser and its helpers share the session started for them.
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait()
        os.close(self._to_browser)
        self.profile.cleanup()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
