#!/usr/bin/env python3
"""The VS Code extension inside VS Code (code-server), driven through headless Chromium: a chart
opened is recognised; its squiggles and the Problems panel say what --check says; hover tells a
note's measure; a quick fix mends a mistake; completion offers the directives; the picture panel
shows the picture and follows an edit. Every wait is for a condition in the page.
Usage: vscode_test.py BEATPLATE URL FOLDER SHOTS_DIRECTORY
FOLDER, open in code-server at URL, holds song.txt, a chart with mistakes, and example.txt, one
without; screenshots of each step go to SHOTS_DIRECTORY."""
import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "browser"))
from page_test import start_browser  # noqa: E402  (the page tests' Chromium set-up)
from selenium.webdriver.common.action_chains import ActionChains  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.common.keys import Keys  # noqa: E402
from selenium.webdriver.support.ui import WebDriverWait  # noqa: E402

TIMEOUT = 60  # seconds: code-server's first start compiles nothing, but loads a lot


class EditorTest:
    def __init__(self, browser, binary, folder, shots):
        self.browser = browser
        self.binary = binary
        self.folder = folder
        self.chart = os.path.join(folder, "song.txt")
        self.shots = shots
        self.wait = WebDriverWait(browser, TIMEOUT)

    def shot(self, name):
        self.browser.save_screenshot(os.path.join(self.shots, name + ".png"))

    def texts(self, selector):
        """The text of every element that matches, read at once: the workbench redraws often."""
        return self.browser.execute_script(
            "return [...document.querySelectorAll(arguments[0])].map(e => e.innerText)", selector)

    def keys(self, *keys):
        ActionChains(self.browser).send_keys(*keys).perform()

    def chord(self, modifiers, key):
        chain = ActionChains(self.browser)
        for modifier in modifiers:
            chain.key_down(modifier)
        chain.send_keys(key)
        for modifier in reversed(modifiers):
            chain.key_up(modifier)
        chain.perform()

    def command(self, name):
        """Runs a command from the palette by its title."""
        self.keys(Keys.F1)
        box = self.wait.until(lambda b: b.find_element(By.CSS_SELECTOR, ".quick-input-widget input"))
        box.send_keys(">" + name if not box.get_attribute("value").startswith(">") else name)
        self.wait.until(lambda _: any(name.lower() in t.lower() for t in
                                      self.texts(".quick-input-list .monaco-list-row")))
        box.send_keys(Keys.ENTER)

    def go_to(self, line, column):
        self.command("Go to Line/Column")
        box = self.wait.until(lambda b: b.find_element(By.CSS_SELECTOR, ".quick-input-widget input"))
        box.send_keys(Keys.CONTROL, "a")
        box.send_keys(":%d:%d" % (line, column), Keys.ENTER)
        self.wait.until(lambda _: any("Ln %d, Col %d" % (line, column) in t
                                      for t in self.texts(".statusbar-item")))

    def editor_text(self):
        return self.browser.execute_script(
            "return [...document.querySelectorAll('.editor-instance .view-line')]"
            ".sort((a, b) => parseFloat(a.style.top) - parseFloat(b.style.top))"
            ".map(l => l.textContent.replace(/\\u00a0/g, ' ')).join('\\n')")

    def checked(self):
        """--check's lines for the chart, as "line:column: severity: message"."""
        out = subprocess.run([self.binary, "--check", self.chart], capture_output=True, text=True).stdout
        rest = [line[len(self.chart) + 1:] for line in out.splitlines() if line.startswith(self.chart + ":")]
        return sorted(line for line in rest if re.match(r"\d+:\d+: ", line))

    def open_chart(self, name):
        self.wait.until(lambda b: b.find_elements(By.CSS_SELECTOR, ".explorer-folders-view .monaco-list-row"))
        self.command("Go to File")
        box = self.wait.until(lambda b: b.find_element(By.CSS_SELECTOR, ".quick-input-widget input"))
        box.send_keys(Keys.CONTROL, "a")
        box.send_keys(name)
        self.wait.until(lambda _: any(name in t for t in self.texts(".quick-input-list .monaco-list-row")))
        box.send_keys(Keys.ENTER)
        self.wait.until(lambda _: any(name in t for t in self.texts(".tab.active")))
        self.wait.until(lambda _: any(t == "beatplate chart" for t in self.texts(".statusbar-item")),
                        "the chart was not recognised")

    def problems(self):
        self.command("View: Focus Problems")
        expected = self.checked()

        def rows():
            return [t for t in self.texts(".part.panel .monaco-list-row") if "[Ln " in t]

        try:
            self.wait.until(lambda _: len(rows()) == len(expected))
        except Exception:
            raise AssertionError("the Problems panel lists %r, --check %r" % (
                self.texts(".part.panel .monaco-list-row"), expected))
        for line in expected:
            position, severity, message = line.split(": ", 2)
            row, column = position.split(":")
            place = "[Ln %s, Col %s]" % (row, column)
            assert any(message in r and place in r for r in rows()), \
                "no problem %r among %r" % (line, rows())
        for severity in ("error", "warning"):
            squiggles = self.browser.find_elements(By.CSS_SELECTOR, ".editor-instance .squiggly-" + severity)
            count = sum(1 for line in expected if ": %s: " % severity in line)
            assert len(squiggles) == count, "%d %s squiggles for %d" % (len(squiggles), severity, count)
        self.shot("2-problems")

    def hover(self):
        self.go_to(3, 11)
        self.command("Show or Focus Hover")
        self.wait.until(lambda _: any("measure 1" in t for t in self.texts(".monaco-hover-content")),
                        "no hover with the note's measure")
        self.shot("3-hover")
        self.keys(Keys.ESCAPE)

    def quick_fix(self, line, column, title, mended):
        self.go_to(line, column)
        self.command("Quick Fix...")
        self.wait.until(lambda _: any(title in t for t in self.texts(".action-widget .monaco-list-row")),
                        "no quick fix %r" % title)
        self.shot("4-quick-fix")
        # The menu takes keys, not clicks (a layer over the page holds the pointer).
        for _ in self.texts(".action-widget .monaco-list-row"):
            if any(title in t for t in self.texts(".action-widget .monaco-list-row.focused")):
                break
            self.keys(Keys.DOWN)
        self.keys(Keys.ENTER)
        self.wait.until(lambda _: mended in self.editor_text(), "the fix changed nothing")

    def completion(self):
        self.command("Go to Line/Column")
        self.keys(":1:1", Keys.ENTER)
        self.keys(Keys.HOME, Keys.ENTER, Keys.UP, "#me")
        self.wait.until(lambda _: any("meter" in t for t in self.texts(".suggest-widget .monaco-list-row")),
                        "completion offered no directive")
        shown = " ".join(self.texts(".suggest-widget .monaco-list-row"))
        assert "d n" in shown, shown
        self.shot("5-completion")
        self.keys(Keys.ENTER)
        self.wait.until(lambda _: "#meter" in self.editor_text())

    def picture(self):
        self.open_chart("example.txt")
        self.command("beatplate: Show the picture beside the chart")
        source = self.picture_source(None)
        self.shot("6-picture")
        self.go_to(9, 1)
        self.keys("oooooooooooooooo", Keys.ENTER)
        self.picture_source(source)
        self.shot("7-picture-edited")

    def picture_source(self, old):
        """Waits for the panel's picture to be there and differ from old; returns its source."""
        found = {}

        def ready(browser):
            browser.switch_to.default_content()
            for outer in browser.find_elements(By.CSS_SELECTOR, "iframe.webview"):
                browser.switch_to.frame(outer)
                for inner in browser.find_elements(By.CSS_SELECTOR, "iframe#active-frame"):
                    browser.switch_to.frame(inner)
                    images = browser.find_elements(By.CSS_SELECTOR, "img[src^='data:image/png']")
                    src = images[0].get_attribute("src") if images else None
                    browser.switch_to.parent_frame()
                    if src and src != old:
                        found["src"] = src
                browser.switch_to.default_content()
            return "src" in found

        self.wait.until(ready, "the picture panel showed no new picture")
        return found["src"]

    def run(self):
        self.open_chart("song.txt")
        self.shot("1-recognised")
        self.problems()
        self.hover()
        self.quick_fix(6, 1, "Close the span", "(==)")
        self.completion()
        self.picture()


def main():
    binary, url, folder, shots = sys.argv[1:5]
    profile = tempfile.mkdtemp(prefix="beatplate-chromium-")
    browser = start_browser(profile)
    try:
        browser.get(url)
        test = EditorTest(browser, binary, folder, shots)
        try:
            test.run()
        except Exception:
            test.shot("failed")
            with open(os.path.join(shots, "failed.html"), "w") as page:
                page.write(browser.page_source)
            raise
    finally:
        browser.quit()
    print("vscode: every step passed")


if __name__ == "__main__":
    main()
