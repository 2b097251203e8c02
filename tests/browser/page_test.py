#!/usr/bin/env python3
"""The preview page in headless Chromium: pick a chart, see its picture, type a mistake and
see it reported while the last good picture stays, jump to it, fix it, save, and follow a save
made by another editor; see its density graph and draw it in three columns; mark its changes
since saved; then switch to a chart with an error, keep unsaved edits from being
discarded unasked, make a new chart, and see each chart with its own tab width and a cut-off
chart read-only. Usage: page_test.py BEATPLATE CHART [SCREENSHOT [SHOTS_DIRECTORY]]"""
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import urllib.request

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support import expected_conditions
from selenium.webdriver.support.ui import Select, WebDriverWait

TIMEOUT = 90  # seconds: only a page that never gets there waits so long, on a busy machine

# Charts beside the example: one with an error, one with tab stops of 8 and one whose text goes
# on after a 0x1A, which its reader never reads.
OTHER_CHARTS = {
    "broken.txt": b"#bmp 120\noooo\n",
    "wide.txt": b"#tab 8\n\to\to\n",
    "cut.txt": b"oooo\n\x1axxxx\n",
    "locked.txt": b"oooo\n",
    "long.txt": b"o               \n" * 2001,
}


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
    def __init__(self, browser, url, directory, shots):
        self.browser = browser
        self.url = url
        self.directory = directory
        self.shots = shots
        self.wait = WebDriverWait(browser, TIMEOUT)

    def shot(self, name):
        if self.shots:
            self.browser.save_screenshot(os.path.join(self.shots, name + ".png"))

    def open(self, name):
        self.browser.find_element(By.XPATH, "//ul[@id='chart-list']//button[text()='%s']" % name).click()
        self.wait.until(lambda _: self.element("status").text.startswith("loaded " + name))

    def answer_dialog(self, accept, text=None):
        dialog = self.wait.until(expected_conditions.alert_is_present(), "the page asked nothing")
        if text is not None:
            dialog.send_keys(text)
        if accept:
            dialog.accept()
        else:
            dialog.dismiss()

    def write_outside(self, name, data):
        with open(os.path.join(self.directory, "." + name + ".swp"), "wb") as file:
            file.write(data)
        os.rename(os.path.join(self.directory, "." + name + ".swp"), os.path.join(self.directory, name))

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
        # Before a chart is chosen there is nothing to type into, and nothing to save.
        assert not self.element("editor").is_displayed(), "an editor without a chart"
        assert not self.element("save").is_displayed()
        assert self.element("no-chart").is_displayed()
        self.shot("1-before-choosing")
        self.browser.find_element(By.XPATH, "//ul[@id='chart-list']//button[text()='song.txt']").click()
        self.wait.until(lambda _: self.picture(), "the chart's picture did not load")
        self.shot("2-open")
        first = self.picture()
        editor = self.element("editor")
        assert editor.get_property("value").startswith("; beatplate example chart")

        # A typo on the last line: reported with its line, and the picture stays as it was. Keys
        # come slowly on a busy machine, so the page may draw what has been typed so far before
        # the typo is whole: the test waits for the typo's report, and the last good picture is
        # then the chart's own (with a new address, when the empty line was drawn on its own).
        lines = editor.get_property("value").split("\n")
        editor.send_keys(Keys.CONTROL, Keys.END)
        editor.send_keys("\n#bmp 200")
        typo_line = len(lines) + 1
        typo = r"%d:\d+ error: unknown command\. \(#bmp; did you mean #bpm\?\)$" % typo_line
        self.wait.until(lambda _: any(re.match(typo, d) for d in self.diagnostics()),
                        "the mistake was not reported")
        assert self.picture()[1] == first[1], "the last good picture was replaced"
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
        self.wait.until(lambda _: (self.picture() or first)[1] > first[1],
                        "the fixed chart was not drawn taller")
        fixed = self.picture()
        self.wait.until(lambda _: self.diagnostics() == [], "the fixed chart is still reported")

        # Saved in the chart's own encoding and line ends.
        self.element("save").click()
        self.wait.until(lambda _: self.element("status").text == "saved song.txt")
        self.shot("3-saved")
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
        self.shot("4-saved-elsewhere")

    def run_columns_and_density(self):
        # The graph draws each branch path (or the one line of a chart without branches) with as
        # many points as its series has, over as many shaded gogo sections as the chart has.
        with urllib.request.urlopen(self.url + "api/charts/song.txt/report") as answer:
            stats = json.load(answer)["stats"]
        paths = [path["density"]["series"] for path in stats["branches"]] or [stats["density"]["series"]]
        self.wait.until(lambda _: self.browser.find_elements(By.CSS_SELECTOR, "#density polyline"))
        drawn = [len(line.get_attribute("points").split())
                 for line in self.browser.find_elements(By.CSS_SELECTOR, "#density polyline")]
        assert drawn == [len(series) for series in paths] and min(drawn) > 1, (drawn, paths)
        shaded = self.browser.find_elements(By.CSS_SELECTOR, "#density rect.gogo")
        assert len(shaded) == len(stats["gogo"]) > 0, (len(shaded), stats["gogo"])

        # Three columns: the picture shown and downloaded is three pages wide.
        width = lambda: self.browser.execute_script("return document.getElementById('picture').naturalWidth")
        assert width() == 816, width()
        before = self.picture()
        Select(self.element("columns")).select_by_value("3")
        self.wait_for_new_picture(before[0])
        assert width() == 3 * 816 + 2 * 8, width()
        assert self.element("download").get_attribute("href") == self.picture()[0]
        self.shot("4b-three-columns")
        Select(self.element("columns")).select_by_value("1")
        self.wait.until(lambda _: width() == 816, "one column was not drawn again")

    def run_changes_since_saved(self):
        # The picture marks the measures that differ from the file on disk and the note names
        # them; once saved, nothing differs.
        editor = self.element("editor")
        before = self.picture()
        self.element("since-saved").click()
        self.wait_for_new_picture(before[0])
        note = lambda: self.element("picture-note").text
        self.wait.until(lambda _: note() == "No changes since saved.", note())
        unmarked = self.picture()
        editor.send_keys(Keys.CONTROL, Keys.HOME)
        editor.send_keys("x x x x x x x x \n")
        self.wait.until(lambda _: "added 1" in note(), "the measure added was not named")
        self.wait_for_new_picture(unmarked[0])
        self.shot("4c-changes-since-saved")
        self.element("save").click()
        self.wait.until(lambda _: note() == "No changes since saved.", "the save left marks")
        self.element("since-saved").click()

    def run_other_charts(self):
        editor = self.element("editor")
        tab_size = lambda: self.browser.execute_script("return getComputedStyle(arguments[0]).tabSize", editor)
        assert tab_size() == "8", "the example's #tab 8 is not followed"
        # A chart with an error shows no picture of the chart before it.
        self.open("broken.txt")
        self.wait.until(lambda _: any("unknown command." in d for d in self.diagnostics()))
        assert not self.element("picture").is_displayed(), "another chart's picture is shown"
        assert "without errors" not in self.element("picture-note").text
        assert "broken.txt has 1 error" in self.element("no-picture").text, self.element("no-picture").text
        self.shot("5-switched-to-an-error")
        assert tab_size() == "4", "a chart without #tab does not have the reader's tab width"

        # The editor's tabs stand where the chart's #tab puts them.
        self.open("wide.txt")
        self.wait.until(lambda _: self.picture(), "the chart's picture did not load")
        assert tab_size() == "8"

        # Unsaved edits are not discarded unasked: a save elsewhere offers the file on disk.
        editor.send_keys(Keys.CONTROL, Keys.END)
        editor.send_keys("oooo\n")
        edited = editor.get_property("value")
        self.write_outside("wide.txt", b"#tab 8\n\tx\tx\n")
        self.wait.until(lambda _: self.element("reload").is_displayed(), "no offer to load the file on disk")
        self.shot("6-changed-elsewhere-while-edited")
        self.element("reload").click()
        self.answer_dialog(accept=False)
        assert editor.get_property("value") == edited, "the edits were discarded"
        edited_picture = self.picture()
        self.element("reload").click()
        self.answer_dialog(accept=True)
        self.wait.until(lambda _: editor.get_property("value") == "#tab 8\n\tx\tx\n")
        self.wait_for_new_picture(edited_picture[0])
        self.shot("7-loaded-from-disk")

        # A chart whose text goes on after a 0x1A can be read, not saved.
        self.open("cut.txt")
        assert "U+001A" in self.element("read-only").text, self.element("read-only").text
        assert editor.get_property("readOnly") and not self.element("save").is_enabled()
        self.shot("8-read-only")
        # So does one that a save would be refused for, before any save.
        self.open("locked.txt")
        assert "the chart is read-only" in self.element("read-only").text, self.element("read-only").text
        assert not self.element("save").is_enabled()

        # A chart longer than the preview draws says so where its picture would be.
        self.open("long.txt")
        assert "2001 measures" in self.element("no-picture").text, self.element("no-picture").text

        # A new chart is asked for by name and never replaces one that exists.
        self.element("new-chart").click()
        self.answer_dialog(accept=True, text="fresh")
        self.wait.until(lambda _: self.element("chart-name").text == "fresh.txt")
        assert editor.is_enabled() and not editor.get_property("readOnly")
        self.shot("9-new-chart")
        self.element("new-chart").click()
        self.answer_dialog(accept=True, text="song.txt")
        self.wait.until(lambda _: "exists already" in self.element("status").text)
        assert self.element("chart-name").text == "fresh.txt"


def main():
    binary, chart = sys.argv[1], sys.argv[2]
    screenshot = sys.argv[3] if len(sys.argv) > 3 else None
    shots = sys.argv[4] if len(sys.argv) > 4 else None
    directory = tempfile.mkdtemp(prefix="beatplate-page-")
    profile = tempfile.mkdtemp(prefix="beatplate-chromium-")
    shutil.copy(chart, os.path.join(directory, "song.txt"))
    for name, data in OTHER_CHARTS.items():
        with open(os.path.join(directory, name), "wb") as file:
            file.write(data)
    os.chmod(os.path.join(directory, "locked.txt"), 0o444)
    server, url = start_server(binary, directory)
    browser = None
    try:
        browser = start_browser(profile)
        test = PageTest(browser, url, directory, shots)
        test.run()
        if screenshot:
            browser.execute_script("document.getElementById('editor').scrollTop = 0;")
            browser.save_screenshot(screenshot)
        test.run_columns_and_density()
        test.run_changes_since_saved()
        test.run_other_charts()
    finally:
        if browser:
            browser.quit()
        server.send_signal(signal.SIGTERM)
        status = server.wait(timeout=TIMEOUT)
        left = sorted(os.listdir(directory))
        shutil.rmtree(directory)
        shutil.rmtree(profile, ignore_errors=True)
    assert status == 0, "the server ended with status %d" % status
    assert left == sorted(["fresh.txt", "song.txt", *OTHER_CHARTS]), left
    print("page test: passed")


if __name__ == "__main__":
    main()
