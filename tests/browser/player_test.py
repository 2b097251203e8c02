#!/usr/bin/env python3
"""The page's player in headless Chromium: its schedule, rendered with an OfflineAudioContext,
strikes where the WAV that beatplate --sound writes does (at speed 2 as the chart at twice its
tempos does), and its cursor stands
where the picture draws the note of each moment, in one column and in three.
Usage: player_test.py BEATPLATE [SCREENSHOT]"""
import base64
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import wave
from array import array

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from page_test import TIMEOUT, PageTest, start_browser, start_server  # noqa: E402

from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.support.ui import Select  # noqa: E402

RATE = 44100
# Tempo changes between and inside measures, a meter of three, a triplet, a roll, branches.
LINES = [
    "#title player",
    "#bpm 120",
    "o   x   O   X",  # measure 1, from 0 s
    "#meter 4 3",
    "o   o   o",  # 3/4, from 2 s
    "#meter 4 4",
    "#bpm 60 4 8",
    "o       o   o",  # from 3.5 s, at 60 from its middle
    "#bpm 120",
    "3ooo    o",  # from 6.5 s
    "(=====)     x",  # from 8.5 s
    "#branch ooo",
    "o   o",
    "x   x",
    "O   O",  # from 10.5 s
    "#branch oxx",
    "o   x   o   x",  # from 12.5 s
    "o              x",  # from 14.5 s
    "o", "o", "o", "o",  # from 16.5 s
]
# Notes whose place the cursor is checked at: (line index, column of the note, its time).
PROBES = [(2, 12, 1.5), (7, 12, 5.5), (10, 12, 10.0), (17, 15, 16.375), (21, 0, 22.5)]
# The times that strokes of branch 2 with the metronome begin at, counted by hand measure by
# measure (a note and a click together are one): 4, 3, 4, 6, 9 (a roll of 7), 4, 4, 5, 4 x 4.
EXPECTED_ONSETS = 55


def read_wav(path):
    with wave.open(path, "rb") as file:
        assert (file.getnchannels(), file.getsampwidth(), file.getframerate()) == (1, 2, RATE)
        samples = array("h")
        samples.frombytes(file.readframes(file.getnframes()))
    return samples


def onsets(samples):
    """Where the peak of a millisecond of the signal's slope stands well above every peak of the
    15 ms before it: each stroke begins steeply, while the low drums ring on with gentle slopes;
    none is counted twice within 20 ms."""
    frame = RATE // 1000
    slope = [abs(b - a) for a, b in zip(samples, samples[1:])]
    peaks = [max(slope[start:start + frame]) for start in range(0, len(slope) - frame, frame)]
    found = []
    for k in range(len(peaks)):
        before = max(peaks[max(0, k - 15):k], default=0)
        if peaks[k] > max(2.5 * before, 50) and (not found or k - found[-1] > 20):
            found.append(k)
    return [k / 1000 for k in found]


def assert_same_onsets(heard, expected, what):
    assert len(heard) == len(expected), (what, len(heard), len(expected))
    worst = max(abs(a - b) for a, b in zip(heard, expected))
    assert worst <= 0.002, (what, worst)


RENDER_OFFLINE = """
const [speed, done] = arguments;
const player = page.player;
const context = new OfflineAudioContext(1, Math.ceil((player.length() / speed + 0.6) * 44100), 44100);
const kept = player.options.speed;
player.options.speed = speed;
player.scheduleStrokes(context, { first: 0, from: 0, until: Infinity, origin: 0 });
player.options.speed = kept;
context.startRendering().then((buffer) => {
  const data = buffer.getChannelData(0);
  const bytes = new Uint8Array(data.length * 2);
  const view = new DataView(bytes.buffer);
  for (let i = 0; i < data.length; ++i)
    view.setInt16(2 * i, Math.max(-32768, Math.min(32767, Math.round(data[i] * 32767))), true);
  let text = "";
  for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
  done(btoa(text));
});
"""

# Where the picture draws a note: the box of the pixels that differ when it is taken out.
NOTE_PLACE = """
const [withNote, without, columns, done] = arguments;
const draw = async (text) => {
  const answer = await fetch("/api/render?columns=" + columns, { method: "POST", body: text });
  const picture = new Image();
  picture.src = "data:image/png;base64," + (await answer.json()).png;
  await picture.decode();
  const canvas = document.createElement("canvas");
  canvas.width = picture.naturalWidth;
  canvas.height = picture.naturalHeight;
  const context = canvas.getContext("2d");
  context.drawImage(picture, 0, 0);
  return context.getImageData(0, 0, canvas.width, canvas.height);
};
Promise.all([draw(withNote), draw(without)]).then(([a, b]) => {
  let left = Infinity, right = -1, top = Infinity;
  for (let i = 0; i < a.data.length; i += 4) {
    if (a.data[i] === b.data[i] && a.data[i + 1] === b.data[i + 1] && a.data[i + 2] === b.data[i + 2]) continue;
    const x = (i / 4) % a.width;
    left = Math.min(left, x);
    right = Math.max(right, x);
    top = Math.min(top, Math.floor(i / 4 / a.width));
  }
  done([(left + right + 1) / 2, top]);
});
"""

# Where the cursor stands once the player is held at a time, in the picture's pixels.
CURSOR_AT = """
const [seconds] = arguments;
page.player.seek(seconds);
const picture = document.getElementById("picture").getBoundingClientRect();
const cursor = document.getElementById("play-cursor").getBoundingClientRect();
const scale = document.getElementById("picture").naturalWidth / picture.width;
return [(cursor.left + cursor.width / 2 - picture.left) * scale, (cursor.top - picture.top) * scale,
        (cursor.bottom - picture.top) * scale];
"""


class PlayerTest(PageTest):
    def picture_source(self):
        return self.browser.execute_script(
            "const p = document.getElementById('picture');"
            "return p.complete && p.naturalWidth > 0 && page.sound ? p.src : null;")

    def open_chart(self):
        self.browser.get(self.url)
        self.wait.until(lambda _: self.browser.find_elements(By.CSS_SELECTOR, "#chart-list button"))
        self.browser.find_element(By.XPATH, "//ul[@id='chart-list']//button[text()='beat.txt']").click()
        self.wait.until(lambda _: self.picture_source() and self.element("play").is_enabled(),
                        "the chart was not loaded with its sound")

    def check_onsets(self, binary):
        # The page's choices: metronome on, branch 2.
        self.element("metronome").click()
        self.wait.until(lambda _: self.element("branch-choice").is_displayed())
        Select(self.element("branch")).select_by_value("2")
        # Played twice as fast, the chart sounds as it would at twice its tempos.
        for speed, chart in ((1, "beat.txt"), (2, "fast.txt")):
            subprocess.run([binary, "--sound", "--metronome", "--branch", "2",
                            os.path.join(self.directory, chart)], check=True)
            written = onsets(read_wav(os.path.join(self.directory, chart[:-4] + ".wav")))
            assert len(written) == EXPECTED_ONSETS, (speed, len(written), written)
            rendered = array("h")
            rendered.frombytes(base64.b64decode(self.browser.execute_async_script(RENDER_OFFLINE, speed)))
            assert_same_onsets(onsets(rendered), written, "speed %d" % speed)

    def check_cursor(self, columns):
        if self.element("columns").get_property("value") != str(columns):
            before = self.picture_source()
            Select(self.element("columns")).select_by_value(str(columns))
            self.wait.until(lambda _: (self.picture_source() or before) != before, "not drawn again")
        text = "\n".join(LINES) + "\n"
        for line, column, seconds in PROBES:
            taken = LINES.copy()
            taken[line] = taken[line][:column] + " " + taken[line][column + 1:]
            note_x, note_top = self.browser.execute_async_script(
                NOTE_PLACE, text, "\n".join(taken) + "\n", columns)
            cursor_x, cursor_top, cursor_bottom = self.browser.execute_script(CURSOR_AT, seconds)
            assert abs(cursor_x - note_x) <= 2, (columns, seconds, cursor_x, note_x)
            assert cursor_top <= note_top <= cursor_bottom, (columns, seconds, cursor_top, note_top)

    def check_playing(self):
        # The editor's cursor on a note line holds the play at its measure.
        held = self.browser.execute_script(
            "const editor = document.getElementById('editor');"
            "const at = editor.value.split('\\n').slice(0, 7).join('\\n').length + 1;"
            "editor.setSelectionRange(at, at);"
            "editor.dispatchEvent(new KeyboardEvent('keyup'));"
            "return page.player.position();")
        assert held == 3.5, held
        # A click on the picture's second measure plays from it: the cursor moves on and the
        # editor's line that fills the measure is marked.
        self.browser.execute_script(
            "const picture = document.getElementById('picture');"
            "const box = picture.getBoundingClientRect();"
            "const scale = box.width / picture.naturalWidth;"
            "const measure = page.player.timeline.measures[1];"
            "picture.dispatchEvent(new MouseEvent('click', { bubbles: true,"
            "  clientX: box.left + (measure.x + 10) * scale, clientY: box.top + (measure.top + 40) * scale }));")
        self.wait.until(lambda _: self.element("play").text == "Pause", "it does not play")
        self.wait.until(lambda _: self.browser.execute_script("return page.player.position() > 2.1"),
                        "the play does not go on")
        self.element("play").click()
        assert self.element("play").text == "Play"
        # Paused, the cursor stays, and the gutter marks the line that fills its measure.
        position, marked, line = self.browser.execute_script(
            "const at = page.player.position();"
            "const measure = page.player.timeline.measures.filter((m) => m.start <= at).pop();"
            "return [at, document.querySelector('#gutter mark')?.textContent, String(measure.lines[1])];")
        assert position >= 2.1 and marked == line, (position, marked, line)
        assert self.element("play-cursor").is_displayed()


def main():
    binary = sys.argv[1]
    screenshot = sys.argv[2] if len(sys.argv) > 2 else None
    directory = tempfile.mkdtemp(prefix="beatplate-player-")
    profile = tempfile.mkdtemp(prefix="beatplate-chromium-")
    with open(os.path.join(directory, "beat.txt"), "w", encoding="utf-8") as file:
        file.write("\n".join(LINES) + "\n")
    with open(os.path.join(directory, "fast.txt"), "w", encoding="utf-8") as file:
        fast = [line.replace("#bpm 120", "#bpm 240").replace("#bpm 60 ", "#bpm 120 ") for line in LINES]
        file.write("\n".join(fast) + "\n")
    server, url = start_server(binary, directory)
    browser = None
    try:
        browser = start_browser(profile)
        test = PlayerTest(browser, url, directory, None)
        test.open_chart()
        test.check_onsets(binary)
        test.check_playing()
        test.check_cursor(1)
        if screenshot:
            browser.save_screenshot(screenshot)
        test.check_cursor(3)
    finally:
        if browser:
            browser.quit()
        server.send_signal(signal.SIGTERM)
        server.wait(timeout=TIMEOUT)
        shutil.rmtree(directory)
        shutil.rmtree(profile, ignore_errors=True)
    print("player test: passed")


if __name__ == "__main__":
    main()
