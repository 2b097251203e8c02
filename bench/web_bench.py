#!/usr/bin/env python3
"""The page's figures, printed: the time its core takes to draw charts of each size against the
native program (median of RUNS, after one run to warm up), the time from opening the page to its
first picture with an empty cache and again with the browser's cache, and the bytes the page's
script and wasm take on the wire, gzipped, apart from the header font.
Usage: web_bench.py BEATPLATE PAGE_DIRECTORY RUNS CHART..."""
import gzip
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "browser"))
from page_test import start_browser  # noqa: E402
from standalone_test import LoggedServer  # noqa: E402

TIMEOUT = 600
TARGET_RATIO = 3.0
TARGET_BYTES = 1.5e6


def native_seconds(binary, sheet, chart, runs, *options):
    out = os.path.join(tempfile.gettempdir(), "beatplate-web-bench.png")
    times = []
    for _ in range(runs + 1):
        start = time.perf_counter()
        subprocess.run([binary, "-q", *options, "--sheet", sheet, "-o", out, chart], check=True,
                       stdin=subprocess.DEVNULL)
        times.append(time.perf_counter() - start)
    os.remove(out)
    return statistics.median(times[1:])


def page_seconds(browser, chart, runs):
    with open(chart, "rb") as file:
        data = file.read()
    times = browser.execute_async_script(
        """const [text, runs, done] = arguments;
        const bytes = new Uint8Array([...text].map((c) => c.charCodeAt(0)));
        (async () => {
          const times = [];
          for (let run = 0; run <= runs; ++run) {
            const start = performance.now();
            await window.beatplate.draw(bytes);
            times.push((performance.now() - start) / 1000);
          }
          return times.slice(1);
        })().then(done, (error) => done(String(error)));""",
        data.decode("latin-1"), runs)
    if isinstance(times, str):
        sys.exit("the page could not draw %s: %s" % (chart, times))
    return statistics.median(times)


def first_picture_seconds(browser, url, chart):
    """From the start of the page's navigation to the first picture of chart drawn by the core,
    as soon as the page has loaded it."""
    with open(chart, "rb") as file:
        data = file.read()
    browser.get(url)
    return browser.execute_async_script(
        """const [text, done] = arguments;
        const bytes = new Uint8Array([...text].map((c) => c.charCodeAt(0)));
        const wait = () => window.beatplate ? window.beatplate.ready : new Promise((r) => setTimeout(r, 5)).then(wait);
        wait().then(() => window.beatplate.draw(bytes)).then(() => done(performance.now() / 1000), (e) => done(String(e)));""",
        data.decode("latin-1"))


def gzipped(path):
    with open(path, "rb") as file:
        return len(gzip.compress(file.read(), compresslevel=9))


def main():
    binary, page, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
    charts = sys.argv[4:]
    sheet = os.path.join(page, "pic.png")
    print("load before: " + subprocess.run(["uptime"], capture_output=True, text=True).stdout.strip())
    script, wasm = gzipped(os.path.join(page, "beatplate.js")), gzipped(os.path.join(page, "beatplate.wasm"))
    page_files = sum(gzipped(os.path.join(page, name)) for name in ("index.html", "app.js", "player.js", "served.js", "standalone.js", "style.css"))
    font = os.path.getsize(os.path.join(page, "fonts", "ipag.ttf"))
    verdict = "within" if script + wasm <= TARGET_BYTES else "OVER"
    print("transfer, gzip -9: beatplate.js %d B + beatplate.wasm %d B = %.2f MB (%s the target of 1.5 MB); "
          "the page's own files %d B; the header font %.1f MB, fetched once" % (script, wasm, (script + wasm) / 1e6, verdict, page_files, font / 1e6))

    server = LoggedServer(page)
    profile = tempfile.mkdtemp(prefix="beatplate-chromium-")
    browser = None
    try:
        browser = start_browser(profile)
        browser.set_script_timeout(TIMEOUT)
        cold = first_picture_seconds(browser, server.url, charts[0])
        warm = first_picture_seconds(browser, server.url, charts[0])
        print("opening the page to its first picture (%s): %.2f s with an empty cache, %.2f s with the browser's cache" % (os.path.basename(charts[0]), cold, warm))
        print("%-22s %10s %12s %12s %8s" % ("chart", "page", "native -j1", "native", "page/native"))
        for chart in charts:
            web = page_seconds(browser, chart, runs)
            alone = native_seconds(binary, sheet, chart, runs, "-j", "1")
            native = native_seconds(binary, sheet, chart, runs)
            ratio = web / native
            mark = "" if ratio <= TARGET_RATIO else "  (over the target of 3x)"
            print("%-22s %9.3fs %11.3fs %11.3fs %7.2fx%s" % (os.path.basename(chart), web, alone, native, ratio, mark))
    finally:
        if browser:
            browser.quit()
        server.stop()
        shutil.rmtree(profile, ignore_errors=True)
    print("load after: " + subprocess.run(["uptime"], capture_output=True, text=True).stdout.strip())


if __name__ == "__main__":
    main()
