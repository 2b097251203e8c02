#!/usr/bin/env python3
"""The page with nothing behind it but a static file server, in headless Chromium: its core draws
the reference charts byte for byte as the Linux program does, checks them as --check does and
gives the figures of --stats --json; a dropped picture opens its chart, a dropped chart its text;
after the page has loaded it makes no request at all (by its own resource timing and by the
server's log); and a reload keeps the unsaved text.
Usage: standalone_test.py BEATPLATE PAGE_DIRECTORY SOURCE_DIRECTORY"""
import base64
import functools
import glob
import http.server
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading

from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from page_test import start_browser  # noqa: E402

TIMEOUT = 60  # seconds: the core draws long charts on one thread, under whatever load


class LoggedServer:
    """A static file server on the loopback that notes every request it is sent."""

    def __init__(self, directory):
        self.requests = []
        lock = threading.Lock()
        requests = self.requests

        class Handler(http.server.SimpleHTTPRequestHandler):
            def log_message(self, format, *args):
                with lock:
                    requests.append(self.requestline)

        handler = functools.partial(Handler, directory=directory)
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        self.url = "http://127.0.0.1:%d/" % self.server.server_address[1]
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def count(self):
        return len(self.requests)

    def stop(self):
        self.server.shutdown()


def reference_charts(source):
    charts = [os.path.join(source, "examples/example.txt")]
    for folder in ("tests/data", "tests/data/reference"):
        charts += sorted(glob.glob(os.path.join(source, folder, "*.txt")))
    return charts


def run(command, **kwargs):
    return subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True, **kwargs)


class StandaloneTest:
    def __init__(self, browser, server, binary, page, source, work):
        self.browser = browser
        self.server = server
        self.binary = binary
        self.page = page
        self.source = source
        self.work = work
        self.wait = WebDriverWait(browser, TIMEOUT)
        browser.set_script_timeout(TIMEOUT)

    def call(self, function, data, options=None):
        """window.beatplate[function](bytes of data, options) in the page: its value, or
        {"error": message} when it rejects; bytes come and go in base64."""
        answer = self.browser.execute_async_script(
            """const [name, data, options, done] = arguments;
            const bytes = Uint8Array.from(atob(data), (c) => c.charCodeAt(0));
            const encode = (png) => {
              let text = "";
              for (let at = 0; at < png.length; at += 0x8000)
                text += String.fromCharCode(...png.subarray(at, at + 0x8000));
              return btoa(text);
            };
            window.beatplate[name](bytes, options).then(
              (value) => done({ value: value instanceof Uint8Array ? encode(value)
                                  : Array.isArray(value) && value[0] instanceof Uint8Array ? value.map(encode)
                                  : value }),
              (error) => done({ error: error.message, line: error.line }));""",
            function, base64.b64encode(data).decode(), options or {})
        if "error" in answer:
            return answer
        value = answer["value"]
        if isinstance(value, str) and function == "draw":
            return base64.b64decode(value)
        if isinstance(value, list) and function == "draw":
            return [base64.b64decode(part) for part in value]
        return value

    def resource_count(self):
        return self.browser.execute_script(
            "return performance.getEntriesByType('resource').filter((e) => !e.name.startsWith('blob:')).length")

    def drop(self, name, data, kind):
        self.browser.execute_script(
            """const [name, data, kind] = arguments;
            const bytes = Uint8Array.from(atob(data), (c) => c.charCodeAt(0));
            const transfer = new DataTransfer();
            transfer.items.add(new File([bytes], name, { type: kind }));
            document.dispatchEvent(new DragEvent("drop", { dataTransfer: transfer, bubbles: true, cancelable: true }));""",
            name, base64.b64encode(data).decode(), kind)

    def editor_text(self):
        return self.browser.find_element(By.ID, "editor").get_property("value")

    def load(self):
        self.browser.get(self.server.url)
        state = lambda: self.browser.execute_script("return document.body.dataset.state")
        self.wait.until(lambda _: state() in ("ready", "failed"))
        assert state() == "ready", self.browser.find_element(By.ID, "status").text

    def linux_picture(self, chart, *options):
        out = os.path.join(self.work, "linux.png")
        result = run([self.binary, "-q", "--sheet", os.path.join(self.page, "pic.png"), *options, "-o", out, chart])
        assert result.returncode == 0, (chart, result.stderr)
        with open(out, "rb") as file:
            return file.read()

    def same_pictures(self):
        for chart in reference_charts(self.source):
            with open(chart, "rb") as file:
                data = file.read()
            expected = self.linux_picture(chart)
            drawn = self.call("draw", data)
            assert drawn == expected, "%s: the page's picture differs from the Linux program's (%s)" % (chart, drawn if isinstance(drawn, dict) else len(drawn))
        # In columns, and in parts whose every one is the Linux program's part.
        long_chart = os.path.join(self.source, "examples/sharing/two-hundred.txt")
        with open(long_chart, "rb") as file:
            data = file.read()
        assert self.call("draw", data, {"columns": "auto"}) == self.linux_picture(long_chart, "--columns", "auto")
        parts = self.call("draw", data, {"maxSize": "1200x1200"})
        run([self.binary, "-q", "--sheet", os.path.join(self.page, "pic.png"), "--max-size", "1200x1200", "-o", os.path.join(self.work, "part.png"), long_chart])
        linux_parts = []
        for index in range(1, len(parts) + 2):
            path = os.path.join(self.work, "part-%d.png" % index)
            if os.path.exists(path):
                with open(path, "rb") as file:
                    linux_parts.append(file.read())
        assert len(parts) > 1 and parts == linux_parts, (len(parts), len(linux_parts))
        assert "invalid number of columns" in self.call("draw", data, {"columns": "0"})["error"]

    def same_diagnostics(self):
        charts = reference_charts(self.source) + sorted(glob.glob(os.path.join(self.source, "tests/data/regress/*.txt")))
        checked = 0
        for chart in charts:
            with open(chart, "rb") as file:
                data = file.read()
            expected = run([self.binary, "--check", chart]).stdout.decode().splitlines()[:-1]
            diagnostics = self.call("check", data)
            lines = ["%s:%d:%d: %s: %s%s" % (chart, d["line"], d["column"], d["severity"], d["message"],
                                             " (%s)" % d["detail"] if d["detail"] else "") for d in diagnostics]
            assert lines == expected, (chart, lines, expected)
            checked += len(lines)
        assert checked > 20, checked  # errors and warnings were compared, not only empty lists
        for chart in reference_charts(self.source)[:3]:
            with open(chart, "rb") as file:
                data = file.read()
            name = os.path.basename(chart)
            expected = json.loads(run([self.binary, "--stats", "--json", name], cwd=os.path.dirname(chart)).stdout)
            assert self.call("figures", data, {"name": name}) == expected, chart

    def drops(self, example):
        with open(example, "rb") as file:
            chart = file.read()
        text = chart.decode("cp932").replace("\r\n", "\n")
        picture = self.linux_picture(example)
        assert self.call("chartOf", picture) == text
        assert self.call("chartOf", chart)["error"] == "PNG画像ではありません。"
        # A picture dropped opens the chart inside it, drawn again.
        self.drop("song.png", picture, "image/png")
        self.wait.until(lambda _: self.browser.find_element(By.ID, "chart-name").text == "song.txt")
        assert self.editor_text() == text, "the dropped picture's chart is not the one drawn"
        # No file on disk to compare with: the page offers no marks of changes since saved.
        assert not self.browser.find_element(By.ID, "since-saved").is_displayed(), "changes since saved offered"
        self.wait.until(lambda _: self.browser.execute_script(
            "const p = document.getElementById('picture'); return p.complete && p.naturalWidth === 816"))
        # Its sound comes from the core too: the page may play it with nothing served.
        self.wait.until(lambda _: not self.browser.find_element(By.ID, "play").get_property("disabled"))
        # A chart in UTF-16 opens as its text, and saving gives back the file's own bytes.
        utf16 = b"\xff\xfe" + chart.decode("cp932").encode("utf-16-le")
        self.drop("wide.txt", utf16, "text/plain")
        self.wait.until(lambda _: self.browser.find_element(By.ID, "chart-name").text == "wide.txt")
        assert self.editor_text() == chart.decode("cp932").replace("\r\n", "\n"), "the UTF-16 chart's text"
        assert self.browser.find_element(By.ID, "encoding").text.startswith("UTF-16LE")
        saved = self.browser.execute_async_script(
            """const [data, done] = arguments;
            const bytes = Uint8Array.from(atob(data), (c) => c.charCodeAt(0));
            window.beatplate.readChartFile(bytes).then((file) => window.beatplate.writeChartFile(file.text, file))
              .then((file) => done(btoa(String.fromCharCode(...file))));""",
            base64.b64encode(utf16).decode())
        assert base64.b64decode(saved) == utf16, "saving the text unchanged does not give the file back"

    def edits_survive_reload(self):
        editor = self.browser.find_element(By.ID, "editor")
        editor.send_keys(Keys.CONTROL, Keys.END)
        editor.send_keys("\n#bmp 99")
        self.wait.until(lambda _: any("unknown command." in item.text for item in self.browser.find_elements(By.CSS_SELECTOR, "#diagnostics button")))
        edited = self.editor_text()
        self.load()
        self.wait.until(lambda _: self.browser.find_element(By.ID, "chart-name").text == "wide.txt")
        assert self.editor_text() == edited, "the unsaved text was lost on reload"
        names = [item.text for item in self.browser.find_elements(By.CSS_SELECTOR, "#chart-list button")]
        assert names == ["song.txt", "wide.txt"], names

    def run(self):
        self.load()
        requests, resources = self.server.count(), self.resource_count()
        self.same_pictures()
        self.same_diagnostics()
        self.drops(os.path.join(self.source, "examples/example.txt"))
        assert self.server.count() == requests, "requests after load: %s" % self.server.requests[requests:]
        assert self.resource_count() == resources, "the page fetched something after it loaded"
        self.edits_survive_reload()


def main():
    binary, page, source = (os.path.abspath(argument) for argument in sys.argv[1:4])
    work = tempfile.mkdtemp(prefix="beatplate-standalone-")
    profile = tempfile.mkdtemp(prefix="beatplate-chromium-")
    server = LoggedServer(page)
    browser = None
    try:
        browser = start_browser(profile)
        StandaloneTest(browser, server, binary, page, source, work).run()
    finally:
        if browser:
            browser.quit()
        server.stop()
        shutil.rmtree(work, ignore_errors=True)
        shutil.rmtree(profile, ignore_errors=True)
    print("standalone page test: passed")


if __name__ == "__main__":
    main()
