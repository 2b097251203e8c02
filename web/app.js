// The preview page: every name, text and message from the server goes in as text, never HTML.
"use strict";

const kRedrawPause = 250; // ms after the last key before the text is drawn again
const kDefaultTabWidth = 4; // as the chart reader counts a tab without #tab
const kGraphWidth = 600; // the density graph's viewBox
const kGraphHeight = 120;
const kSvg = "http://www.w3.org/2000/svg";

const $ = (id) => document.getElementById(id);
const page = {
  chart: null, // { name, etag, encoding, savedText, readOnly }
  openSequence: 0, // counts charts opened, so that a late answer for an earlier one is dropped
  renderSequence: 0,
  redrawTimer: 0,
  pictureUrl: null, // an object URL of the last good picture, or null
  pictureChart: null, // the name of the chart that picture shows
  player: null, // plays the chart of the picture shown; made once the voices are loaded
  playLine: 0, // the chart line of the measure being played, marked in the gutter
  sound: null, // { stats, sound } of the picture shown: its timeline and strokes
};

function showStatus(message, failure = false) {
  $("status").textContent = message;
  $("status").classList.toggle("failure", failure);
}

function chartUrl(name, rest = "") {
  return "/api/charts/" + encodeURIComponent(name) + rest;
}

async function fetchJson(url, options) {
  const response = await fetch(url, options);
  let body = null;
  try {
    body = await response.json();
  } catch (error) {
    body = { error: response.statusText };
  }
  return { status: response.status, ok: response.ok, body };
}

function isDirty() {
  return page.chart !== null && $("editor").value !== page.chart.savedText;
}

// Whether the edits may go: none were made, or the user lets them go.
function mayDiscardEdits(doing) {
  return !isDirty() || window.confirm("Your edits to " + page.chart.name + " are not saved. " + doing + " and discard them?");
}

// The tab width the chart reader uses for the text: its first #tab, or the default.
function tabWidthOf(text) {
  const match = /^#tab[ \t]+(4|8)[ \t]*$/m.exec(text);
  return match ? Number(match[1]) : kDefaultTabWidth;
}

// An item of a list: a button with text that does something when clicked.
function listButton(text, onClick) {
  const item = document.createElement("li");
  const button = document.createElement("button");
  button.type = "button";
  button.textContent = text;
  button.addEventListener("click", onClick);
  item.append(button);
  return item;
}

async function loadChartList() {
  const { ok, body } = await fetchJson("/api/charts");
  if (!ok) return showStatus(body.error, true);
  const list = $("chart-list");
  list.replaceChildren();
  for (const chart of body) {
    const item = listButton(chart.name, () => chooseChart(chart.name));
    item.firstChild.title = chart.size + " bytes, saved " + new Date(chart.modified).toLocaleString();
    item.firstChild.setAttribute("aria-current", String(page.chart?.name === chart.name));
    list.append(item);
  }
  $("no-charts").hidden = body.length > 0;
}

function updateGutter() {
  const lines = $("editor").value.split("\n").length;
  const numbers = [];
  for (let line = 1; line <= lines; ++line) numbers.push(line);
  const gutter = $("gutter");
  if (page.playLine > 0 && page.playLine <= lines) {
    const mark = document.createElement("mark");
    mark.textContent = String(page.playLine);
    gutter.replaceChildren(numbers.slice(0, page.playLine - 1).join("\n") + (page.playLine > 1 ? "\n" : ""), mark,
      (page.playLine < lines ? "\n" : "") + numbers.slice(page.playLine).join("\n"));
  } else {
    gutter.textContent = numbers.join("\n");
  }
  gutter.scrollTop = $("editor").scrollTop;
}

function showPicture(blob) {
  if (page.pictureUrl) URL.revokeObjectURL(page.pictureUrl);
  page.pictureUrl = URL.createObjectURL(blob);
  page.pictureChart = page.chart.name;
  $("picture").src = page.pictureUrl;
  $("picture").hidden = false;
  $("no-picture").hidden = true;
  $("download").href = page.pictureUrl;
  $("download").hidden = false;
  $("picture").parentElement.classList.remove("stale");
  $("picture-note").textContent = "";
}

// No picture at all: another chart's would be taken for this one's.
function clearPicture(placeholder) {
  if (page.pictureUrl) URL.revokeObjectURL(page.pictureUrl);
  page.pictureUrl = null;
  page.pictureChart = null;
  $("picture").removeAttribute("src");
  $("picture").hidden = true;
  $("no-picture").textContent = placeholder;
  $("no-picture").hidden = false;
  $("download").removeAttribute("href");
  $("download").hidden = true;
  $("picture").parentElement.classList.remove("stale");
  $("picture-note").textContent = "";
}

function pictureFromBase64(text) {
  const bytes = Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
  return new Blob([bytes], { type: "image/png" });
}

// The UTF-16 offset in text of a line and column counted in characters from 1.
function offsetOf(text, line, column) {
  let offset = 0;
  for (let at = 1; at < line && offset <= text.length; ++at) {
    const end = text.indexOf("\n", offset);
    if (end < 0) return text.length;
    offset = end + 1;
  }
  for (let at = 1; at < column && offset < text.length && text[offset] !== "\n"; ++at)
    offset += text.codePointAt(offset) > 0xffff ? 2 : 1;
  return offset;
}

function goToDiagnostic(diagnostic) {
  const editor = $("editor");
  const offset = offsetOf(editor.value, diagnostic.line, diagnostic.column);
  editor.focus();
  editor.setSelectionRange(offset, offset);
  // Bring the line into view: the editor scrolls by its line height.
  const lineHeight = parseFloat(getComputedStyle(editor).lineHeight) || 20;
  editor.scrollTop = Math.max(0, (diagnostic.line - 3) * lineHeight);
  updateGutter();
}

function showDiagnostics(diagnostics) {
  const list = $("diagnostics");
  list.replaceChildren();
  for (const diagnostic of diagnostics) {
    const where = diagnostic.line + ":" + diagnostic.column;
    const detail = diagnostic.detail ? " (" + diagnostic.detail + ")" : "";
    const text = where + " " + diagnostic.severity + ": " + diagnostic.message + detail;
    const item = listButton(text, () => goToDiagnostic(diagnostic));
    item.firstChild.className = diagnostic.severity;
    list.append(item);
  }
  $("no-diagnostics").hidden = diagnostics.length > 0;
}

function addFigure(list, name, value) {
  const term = document.createElement("dt");
  term.textContent = name;
  const data = document.createElement("dd");
  data.textContent = value;
  list.append(term, data);
}

function rangeText(range) {
  return range.lowest === range.highest ? String(range.lowest) : range.lowest + " to " + range.highest;
}

// The picture's form as the server takes it: "?columns=..." or "&columns=...".
function columnsQuery(separator) {
  return separator + "columns=" + encodeURIComponent($("columns").value);
}

function svgElement(name, attributes) {
  const element = document.createElementNS(kSvg, name);
  for (const [key, value] of Object.entries(attributes)) element.setAttribute(key, value);
  return element;
}

// Notes per second over the chart's time, a line per branch path (one for a chart without
// branches), over the gogo sections shaded.
function showDensity(stats) {
  const graph = $("density");
  graph.replaceChildren();
  $("density-note").textContent = "";
  if (!stats || stats.seconds <= 0) return;
  const paths = stats.branches.length
    ? stats.branches.map((path) => ({ name: "branch " + path.branch, ordinal: path.branch, series: path.density.series }))
    : [{ name: "every note", ordinal: 0, series: stats.density.series }];
  const x = (seconds) => (Math.min(seconds, stats.seconds) / stats.seconds) * kGraphWidth;
  for (const section of stats.gogo)
    graph.append(svgElement("rect", { class: "gogo", x: x(section.start), y: 0, width: x(section.end) - x(section.start), height: kGraphHeight }));
  const highest = Math.max(1, ...paths.flatMap((path) => path.series));
  for (const path of paths) {
    // Each entry is drawn at the middle of its step.
    const points = path.series.map((perSecond, at) =>
      x((at + 0.5) * stats.densityStep).toFixed(2) + "," + (kGraphHeight - (perSecond / highest) * (kGraphHeight - 4)).toFixed(2));
    const line = svgElement("polyline", { class: "path-" + path.ordinal, points: points.join(" ") });
    line.append(svgElement("title", {}));
    line.firstChild.textContent = path.name;
    graph.append(line);
  }
  $("density-note").textContent = "(at most " + highest.toFixed(1) + " per " + (stats.densityStep === 1 ? "second" : stats.densityStep + " s step") + (stats.gogo.length ? "; gogo shaded" : "") + ")";
}

function showFigures(stats) {
  const list = $("figures");
  list.replaceChildren();
  showDensity(stats);
  if (!stats) return;
  const notes = stats.notes;
  addFigure(list, "title", stats.title);
  addFigure(list, "measures", stats.measures);
  addFigure(list, "length", stats.seconds.toFixed(3) + " s");
  addFigure(list, "tempo", rangeText(stats.tempo));
  addFigure(list, "scroll speed", rangeText(stats.scrollSpeed));
  addFigure(list, "notes", notes.total + " (o " + notes.o + ", O " + notes.O + ", x " + notes.x + ", X " + notes.X + ")");
  const spans = Object.entries(stats.spans).map(([kind, span]) => kind + " " + span.count);
  addFigure(list, "spans", spans.length ? spans.join(", ") : "none");
  addFigure(list, "counted spans", stats.countedSpans + ", counts adding up to " + stats.countSum);
  addFigure(list, "density", stats.density.average.toFixed(3) + " notes/s, at most " + stats.density.peak + " in one second");
  for (const path of stats.branches)
    addFigure(list, "branch " + path.branch, path.notes + " notes, " + path.density.average.toFixed(3) + " notes/s");
}

function keepLastPicture(result) {
  const errors = result.diagnostics.filter((d) => d.severity === "error").length;
  const count = errors + " error" + (errors === 1 ? "" : "s");
  if (page.pictureChart !== page.chart.name)
    return clearPicture("No picture: " + page.chart.name + " has " + count + " and has not been drawn without errors here.");
  $("picture").parentElement.classList.add("stale");
  $("picture-note").textContent = "(the last one without errors; " + count + " now)";
}

// The picture's pixels per pixel of the page.
function pictureScale() {
  const picture = $("picture");
  return picture.naturalWidth ? picture.clientWidth / picture.naturalWidth : 1;
}

// The play cursor over the picture, and the chart line of its measure marked in the editor.
function showPlayCursor(place) {
  const cursor = $("play-cursor");
  const picture = $("picture");
  if (!place || picture.hidden) {
    cursor.hidden = true;
    $("play-note").textContent = "";
    return followLine(0);
  }
  const scale = pictureScale();
  cursor.style.left = picture.offsetLeft + place.x * scale + "px";
  cursor.style.top = picture.offsetTop + place.top * scale + "px";
  cursor.style.height = place.height * scale + "px";
  cursor.hidden = false;
  $("play-note").textContent = "measure " + place.measure + ", " + place.seconds.toFixed(1) + " s";
  if (page.player.playing) {
    // Keep the cursor in view as it moves down the picture or into another column.
    const view = picture.parentElement;
    const left = picture.offsetLeft + place.x * scale;
    const top = picture.offsetTop + place.top * scale;
    if (top < view.scrollTop || top + place.height * scale > view.scrollTop + view.clientHeight) view.scrollTop = top - 20;
    if (left < view.scrollLeft || left > view.scrollLeft + view.clientWidth) view.scrollLeft = left - 40;
  }
  followLine(place.lines ? place.lines[page.player.options.branch - 1] : 0);
}

// Marks the chart line being played and brings it into view.
function followLine(line) {
  if (line === page.playLine) return;
  page.playLine = line;
  updateGutter();
  if (line <= 0 || !page.player?.playing) return;
  const editor = $("editor");
  const lineHeight = parseFloat(getComputedStyle(editor).lineHeight) || 20;
  const top = (line - 1) * lineHeight;
  if (top < editor.scrollTop || top > editor.scrollTop + editor.clientHeight - lineHeight) {
    editor.scrollTop = Math.max(0, top - 2 * lineHeight);
    updateGutter();
  }
}

// Gives the player the timeline and strokes of the picture now shown.
function showSound(stats, sound) {
  if (!page.player || !stats || !sound) return;
  page.player.setChart(stats.timeline, sound);
  $("play").disabled = stats.timeline.measures.length === 0;
  const branches = stats.branches.map((path) => path.branch);
  $("branch-choice").hidden = branches.length === 0;
  const chosen = Number($("branch").value) || 1;
  $("branch").replaceChildren(...branches.map((branch) => new Option(String(branch), String(branch))));
  if (branches.length) {
    const branch = branches.includes(chosen) ? chosen : branches[0];
    $("branch").value = String(branch);
    page.player.setOptions({ branch });
  } else {
    page.player.setOptions({ branch: 1 });
  }
}

function updatePlayButton() {
  $("play").textContent = page.player?.playing ? "Pause" : "Play";
}

function togglePlay() {
  if (!page.player) return;
  if (page.player.playing) page.player.pause();
  else page.player.play();
  updatePlayButton();
}

// A click on the picture plays from the start of the measure clicked.
function playFromPicture(event) {
  if (!page.player) return;
  const picture = $("picture");
  const box = picture.getBoundingClientRect();
  const scale = pictureScale();
  const measure = page.player.measureAtPoint((event.clientX - box.left) / scale, (event.clientY - box.top) / scale);
  if (!measure) return;
  page.player.play(measure.start);
  updatePlayButton();
}

// While nothing plays, the play starts where the editor's cursor is.
function holdAtEditorCursor() {
  if (!page.player || page.player.playing) return;
  const editor = $("editor");
  const line = editor.value.slice(0, editor.selectionStart).split("\n").length;
  const measure = page.player.measureOfLine(line);
  if (measure) page.player.seek(measure.start);
}

async function loadPlayer() {
  const response = await fetch("/api/sound/voices.wav");
  if (!response.ok) return;
  page.player = new ChartPlayer({
    voiceBytes: await response.arrayBuffer(),
    showCursor: (place) => {
      showPlayCursor(place);
      updatePlayButton();
    },
  });
  page.player.setOptions({ speed: Number($("speed").value), metronome: $("metronome").checked });
  if (page.sound) showSound(page.sound.stats, page.sound.sound);
}

async function redraw() {
  const sequence = ++page.renderSequence;
  const { body } = await fetchJson("/api/render" + columnsQuery("?"), {
    method: "POST",
    headers: { "Content-Type": "text/plain; charset=utf-8" },
    body: $("editor").value,
  });
  // A later redraw has begun: this answer is already out of date.
  if (sequence !== page.renderSequence) return;
  if (!body.diagnostics) return showStatus(body.error ?? "the chart cannot be drawn", true);
  showDiagnostics(body.diagnostics);
  if (body.stats) showFigures(body.stats);
  if (body.png) {
    showPicture(pictureFromBase64(body.png));
    rememberSound(body.stats, body.sound);
  } else if (body.error) {
    // A chart the preview does not draw, for its length: the answer says why.
    clearPicture("No picture: " + body.error);
  } else {
    keepLastPicture(body);
  }
}

// The sound goes with the picture it was drawn with: a chart with an error keeps both.
function rememberSound(stats, sound) {
  page.sound = { stats, sound };
  showSound(stats, sound);
}

function scheduleRedraw() {
  clearTimeout(page.redrawTimer);
  page.redrawTimer = setTimeout(redraw, kRedrawPause);
  $("editor").style.tabSize = tabWidthOf($("editor").value);
  updateGutter();
}

// Loads the chart from disk, with its picture, diagnostics and figures as they are saved.
async function openChart(name) {
  const opening = ++page.openSequence;
  const { ok, body } = await fetchJson(chartUrl(name));
  if (opening !== page.openSequence) return;
  if (!ok) return showStatus(name + ": " + body.error, true);
  clearTimeout(page.redrawTimer);
  ++page.renderSequence;
  const readOnly = body.readOnly ?? null;
  page.chart = { name, etag: body.etag, encoding: body.encoding, savedText: body.text, readOnly };
  if (page.pictureChart !== name) {
    clearPicture("Drawing " + name + "…");
    page.player?.stop();
    page.sound = null;
  }
  $("workspace").hidden = false;
  $("no-chart").hidden = true;
  $("chart-name").textContent = name;
  $("encoding").textContent = body.encoding + (body.lineEnds === "CRLF" ? ", CR LF" : "");
  $("editor").value = body.text;
  $("editor").readOnly = readOnly !== null;
  $("editor").style.tabSize = tabWidthOf(body.text);
  $("save").disabled = readOnly !== null;
  $("read-only").textContent = readOnly === null ? "" : "Read-only: " + readOnly + ".";
  $("read-only").hidden = readOnly === null;
  $("download").download = name.replace(/\.txt$/i, "") + ".png";
  $("reload").hidden = true;
  $("save-utf8").hidden = true;
  updateGutter();
  for (const button of $("chart-list").querySelectorAll("button"))
    button.setAttribute("aria-current", String(button.textContent === name));
  const version = "?v=" + encodeURIComponent(body.etag);
  const [picture, report] = await Promise.all([
    fetch(chartUrl(name, "/picture.png") + version + columnsQuery("&")),
    fetchJson(chartUrl(name, "/report") + version + columnsQuery("&")),
  ]);
  // The picture is read whole first, so that it changes together with the figures.
  const blob = picture.ok ? await picture.blob() : null;
  const refusal = picture.ok ? null : await picture.json().catch(() => null);
  // Another chart was chosen meanwhile: these answers are not for the chart shown.
  if (opening !== page.openSequence) return;
  ++page.renderSequence;
  if (report.body.diagnostics) {
    showDiagnostics(report.body.diagnostics);
    showFigures(report.body.stats);
  }
  if (blob) {
    showPicture(blob);
    rememberSound(report.body.stats, report.body.sound);
  } else if (picture.status === 413) {
    clearPicture("No picture: " + (refusal?.error ?? "the chart is too long to draw here"));
  } else if (report.body.diagnostics) {
    keepLastPicture(report.body);
  } else {
    clearPicture("No picture: " + (report.body.error ?? "the chart cannot be drawn"));
  }
  showStatus(readOnly === null ? "loaded " + name : "loaded " + name + " (read-only)", readOnly !== null);
}

function chooseChart(name) {
  if (page.chart?.name !== name && mayDiscardEdits("Open " + name)) openChart(name);
}

// Asks for a name and saves an empty chart under it, unless a chart has that name already.
async function newChart() {
  if (!mayDiscardEdits("Make a new chart")) return;
  let name = window.prompt("Name of the new chart:", "new.txt");
  if (!name) return;
  name = name.trim();
  if (!/\.txt$/i.test(name)) name += ".txt";
  const { status, body } = await fetchJson(chartUrl(name), {
    method: "PUT",
    headers: { "Content-Type": "text/plain; charset=utf-8", "If-None-Match": "*" },
    body: "",
  });
  if (status !== 200) return showStatus(name + ": " + body.error, true);
  await loadChartList();
  await openChart(name);
  showStatus("made " + name);
}

async function save(encoding) {
  const chart = page.chart;
  if (!chart || chart.readOnly !== null) return;
  const text = $("editor").value;
  const query = encoding ? "?encoding=" + encodeURIComponent(encoding) : "";
  const { status, body } = await fetchJson(chartUrl(chart.name) + query, {
    method: "PUT",
    headers: { "Content-Type": "text/plain; charset=utf-8", "If-Match": chart.etag },
    body: text,
  });
  if (status === 412) {
    $("reload").hidden = false;
    return showStatus(chart.name + " changed on disk since it was loaded; it was not saved.", true);
  }
  if (status === 409) {
    $("save-utf8").hidden = false;
    return showStatus(body.error + " (" + chart.name + " is " + body.encoding + ")", true);
  }
  // A text that would not read back whole: the cursor goes where it would be cut.
  if (status === 422 && body.line) goToDiagnostic(body);
  if (status !== 200) return showStatus(chart.name + ": " + body.error, true);
  chart.etag = body.etag;
  chart.encoding = body.encoding;
  chart.savedText = text;
  $("encoding").textContent = body.encoding;
  $("save-utf8").hidden = true;
  showStatus("saved " + chart.name);
}

function listenForSaves() {
  const events = new EventSource("/api/events");
  events.addEventListener("saved", (event) => {
    const saved = JSON.parse(event.data);
    loadChartList();
    const chart = page.chart;
    // Our own save, or one we have already loaded.
    if (!chart || saved.name !== chart.name || saved.etag === chart.etag) return;
    if (isDirty()) {
      $("reload").hidden = false;
      return showStatus(chart.name + " was saved elsewhere; your edits are not saved.", true);
    }
    openChart(chart.name);
  });
}

$("editor").addEventListener("input", scheduleRedraw);
$("editor").addEventListener("scroll", () => ($("gutter").scrollTop = $("editor").scrollTop));
$("save").addEventListener("click", () => save(null));
$("save-utf8").addEventListener("click", () => save("utf-8"));
$("reload").addEventListener("click", () => {
  if (page.chart && mayDiscardEdits("Load the file on disk")) openChart(page.chart.name);
});
$("new-chart").addEventListener("click", newChart);
// The text as it stands is drawn again in the new form, which Download then gives.
$("columns").addEventListener("change", () => {
  if (page.chart) redraw();
});
window.addEventListener("beforeunload", (event) => {
  if (!isDirty()) return;
  event.preventDefault();
  event.returnValue = ""; // browsers that predate preventDefault ask only with this
});
$("play").addEventListener("click", togglePlay);
$("picture").addEventListener("click", playFromPicture);
$("speed").addEventListener("change", () => page.player?.setOptions({ speed: Number($("speed").value) }));
$("metronome").addEventListener("change", () => page.player?.setOptions({ metronome: $("metronome").checked }));
$("branch").addEventListener("change", () => page.player?.setOptions({ branch: Number($("branch").value) }));
for (const event of ["click", "keyup"]) $("editor").addEventListener(event, holdAtEditorCursor);
// A held cursor stays over its measure when the picture is shown anew or at another size; a
// play moves its own on the next frame.
function placeHeldCursor() {
  const player = page.player;
  if (player && !player.playing && player.position() > 0) showPlayCursor(player.placeAt(player.position()));
}
window.addEventListener("resize", placeHeldCursor);
$("picture").addEventListener("load", placeHeldCursor);
loadChartList();
listenForSaves();
loadPlayer();
