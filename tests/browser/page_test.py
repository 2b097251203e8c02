#!/usr/bin/env python3
"""The preview page in headless Chromium: pick a chart, see its picture, type a mistake and
see it reported while the last good picture stays, jump to it, fix it, save, and follow a save
made by another editor. Usage: page_test.py BEATPLATE CHART [SCREENSHOT]"""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

TIMEOUT = 20  # seconds; generous for the sanitizer build


def start_server(binary, directory):
    server = subprocess.Popen([binary, "serve", "--port", "0", directory],
                              stdin=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    line = server.stderr.readline()
    match = re.search(r"http://127\.0\.0\.1:\d+/", line)
    if not match:
        server.kill()
        sys.exit("the server printed no address: " + line)
    return server, match.group(0)


def start_browser(profile):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    # A closed network refuses Chromium's own connections unless all of them are turned off.
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                 "--no-first-run", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--disable-dev-shm-usage",
                 "--user-data-dir=" + profile, "--window-size=1400,1000"):
        options.add_argument(flag)
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


class PageTest:
    def __init__(self, browser, url, directory):
        self.browser = browser
        self.url = url
        self.directory = directory
        self.wait = WebDriverWait(browser, TIMEOUT)

    def element(self, id):
        return self.browser.find_element(By.ID, id)

    def picture(self):
        return self.browser.execute_script(
            "const p = document.getElementById('picture');"
            "return p.complete && p.naturalWidth > 0 ? [p.src, p.naturalHeight] : null;")

    def wait_for_new_picture(self, old_src):
        self.wait.until(lambda _: (self.picture() or [old_src])[0] != old_src,
                        "the picture was not drawn again")
        return self.picture()

    def diagnostics(self):
        return [item.text for item in self.browser.find_elements(By.CSS_SELECTOR, "#diagnostics button")]

    def run(self):
        self.browser.get(self.url)
        self.wait.until(lambda _: self.browser.find_elements(By.CSS_SELECTOR, "#chart-list button"))
        self.browser.find_element(By.XPATH, "//ul[@id='chart-list']//button[text()='song.txt']").click()
        self.wait.until(lambda _: self.picture(), "the chart's picture did not load")
        first = self.picture()
        editor = self.element("editor")
        assert editor.get_property("value").startswith("; beatplate example chart")

        # A typo on the last line: reported with its line, and the picture stays as it was.
        lines = editor.get_property("value").split("\n")
        editor.send_keys(Keys.CONTROL, Keys.END)
        editor.send_keys("\n#bmp 200")
        self.wait.until(lambda _: any("unknown command." in d for d in self.diagnostics()),
                        "the mistake was not reported")
        typo_line = len(lines) + 1
        assert re.match(r"%d:\d+ error: unknown command\. \(#bmp\)$" % typo_line,
                        self.diagnostics()[0]), self.diagnostics()
        assert self.picture() == first, "the last good picture was replaced"
        assert "without errors" in self.element("picture-note").text

        # Clicking the diagnostic puts the cursor at its line.
        editor.send_keys(Keys.CONTROL, Keys.HOME)
        self.browser.find_element(By.CSS_SELECTOR, "#diagnostics button").click()
        cursor_line = self.browser.execute_script(
            "const e = document.getElementById('editor');"
            "return e.value.slice(0, e.selectionStart).split('\\n').length;")
        assert cursor_line == typo_line, cursor_line

        # The fix, with more notes: a new picture, taller than the first.
        editor.send_keys(Keys.CONTROL, Keys.END)
        editor.send_keys(Keys.BACKSPACE * len("#bmp 200"))
        editor.send_keys("#bpm 200\no o o o x x x x \no o o o x x x x \n#newline\nO   X   O   X   \n")
        fixed = self.wait_for_new_picture(first[0])
        assert fixed[1] > first[1], (fixed, first)
        assert self.diagnostics() == [], self.diagnostics()

        # Saved in the chart's own encoding and line ends.
        self.element("save").click()
        self.wait.until(lambda _: self.element("status").text == "saved song.txt")
        with open(os.path.join(self.directory, "song.txt"), "rb") as file:
            saved = file.read().decode("cp932")
        assert saved == editor.get_property("value"), "the file on disk is not the text saved"

        # Another editor saves the chart: the page loads it, with its picture and warning.
        outside = saved + "(ooo\n"
        with open(os.path.join(self.directory, ".song.txt.swp"), "wb") as file:
            file.write(outside.encode("cp932"))
        os.rename(os.path.join(self.directory, ".song.txt.swp"),
                  os.path.join(self.directory, "song.txt"))
        self.wait.until(lambda _: editor.get_property("value") == outside,
                        "the page did not load the chart saved elsewhere")
        self.wait_for_new_picture(fixed[0])
        self.wait.until(lambda _: any("span is never closed" in d for d in self.diagnostics()))


def main():
    binary, chart = sys.argv[1], sys.argv[2]
    screenshot = sys.argv[3] if len(sys.argv) > 3 else None
    directory = tempfile.mkdtemp(prefix="beatplate-page-")
    profile = tempfile.mkdtemp(prefix="beatplate-chromium-")
    shutil.copy(chart, os.path.join(directory, "song.txt"))
    server, url = start_server(binary, directory)
    browser = None
    try:
        browser = start_browser(profile)
        PageTest(browser, url, directory).run()
        if screenshot:
            browser.execute_script("document.getElementById('editor').scrollTop = 0;")
            browser.save_screenshot(screenshot)
    finally:
        if browser:
            browser.quit()
        server.send_signal(signal.SIGTERM)
        status = server.wait(timeout=TIMEOUT)
        left = sorted(os.listdir(directory))
        shutil.rmtree(directory)
        shutil.rmtree(profile, ignore_errors=True)
    assert status == 0, "the server ended with status %d" % status
    assert left == ["song.txt"], left
    print("page test: passed")


if __name__ == "__main__":
    main()
