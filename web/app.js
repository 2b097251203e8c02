// The preview page: one page in two modes. Served by beatplate serve it shows the charts of the
// server's folder through its API (served.js); hosted as plain files it draws with the core in
// the browser the charts the user opens or drops, and keeps them in the browser's storage
// (standalone.js). Every name, text and message goes in as text, never HTML.
"use strict";

const kRedrawPause = 250; // ms after the last key before the text is drawn again
const kDefaultTabWidth = 4; // as the chart reader counts a tab without #tab
const kGraphWidth = 600; // the density graph's viewBox
const kGraphHeight = 120;
const kSvg = "http://www.w3.org/2000/svg";

const $ = (id) => document.getElementById(id);
const page = {
  charts: null, // servedCharts() or standaloneCharts()
  chart: null, // { name, encoding, savedText, readOnly, ... as the charts give it }
  openSequence: 0, // counts charts opened, so that a late answer for an earlier one is dropped
  renderSequence: 0,
  redrawTimer: 0,
  pictureUrls: [], // object URLs of the last good picture's parts
  pictureChart: null, // the name of the chart that picture shows
  player: null, // plays the chart of the picture shown; made once the voices are loaded
  playLine: 0, // the chart line of the measure being played, marked in the gutter
  sound: null, // { stats, sound } of the picture shown: its timeline and strokes
};

function showStatus(message, failure = false) {
  $("status").textContent = message;
  $("status").classList.toggle("failure", failure);
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
  let charts;
  try {
    charts = await page.charts.list();
  } catch (error) {
    return showStatus(error.message, true);
  }
  const list = $("chart-list");
  list.replaceChildren();
  for (const chart of charts) {
    const item = listButton(chart.name, () => chooseChart(chart.name));
    item.firstChild.title = chart.detail;
    item.firstChild.setAttribute("aria-current", String(page.chart?.name === chart.name));
    list.append(item);
  }
  $("no-charts").hidden = charts.length > 0;
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

function releasePictures() {
  for (const url of page.pictureUrls) URL.revokeObjectURL(url);
  page.pictureUrls = [];
  $("parts").replaceChildren();
}

// The picture, or its parts one under another, each with a link that downloads it.
function showPicture(blobs) {
  releasePictures();
  page.pictureUrls = blobs.map((blob) => URL.createObjectURL(blob));
  page.pictureChart = page.chart.name;
  const stem = page.chart.name.replace(/\.txt$/i, "");
  $("picture").src = page.pictureUrls[0];
  $("picture").hidden = false;
  $("no-picture").hidden = true;
  $("download").href = page.pictureUrls[0];
  $("download").download = blobs.length > 1 ? stem + "-1.png" : stem + ".png";
  $("download").textContent = blobs.length > 1 ? "Download part 1" : "Download";
  $("download").hidden = false;
  page.pictureUrls.slice(1).forEach((url, index) => {
    const part = index + 2;
    const figure = document.createElement("figure");
    const image = document.createElement("img");
    image.src = url;
    image.alt = "Part " + part + " of the chart drawn as a score";
    const link = document.createElement("a");
    link.href = url;
    link.download = stem + "-" + part + ".png";
    link.textContent = "Download part " + part;
    link.className = "button";
    figure.append(image, link);
    $("parts").append(figure);
  });
  $("picture").parentElement.classList.remove("stale");
  $("picture-note").textContent = blobs.length > 1 ? "(" + blobs.length + " parts)" : "";
}

// No picture at all: another chart's would be taken for this one's.
function clearPicture(placeholder) {
  releasePictures();
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

// The picture's form as the page's controls ask for it.
function pictureForm() {
  const maxSize = $("max-size").value;
  return { columns: $("columns").value, maxSize: maxSize || undefined, sinceSaved: $("since-saved").checked };
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

function keepLastPicture(diagnostics) {
  const errors = diagnostics.filter((d) => d.severity === "error").length;
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

// The player, once the voices it plays with are loaded; without them the page stays silent.
async function loadPlayer() {
  let voiceBytes;
  try {
    voiceBytes = await page.charts.voices();
  } catch (error) {
    return;
  }
  page.player = new ChartPlayer({
    voiceBytes,
    showCursor: (place) => {
      showPlayCursor(place);
      updatePlayButton();
    },
  });
  page.player.setOptions({ speed: Number($("speed").value), metronome: $("metronome").checked });
  if (page.sound) showSound(page.sound.stats, page.sound.sound);
}

// What differs from the chart on disk, when the picture marks it: "changed 3, 5; added 7".
function showChanges(changes) {
  if (!changes) return;
  const parts = [["changed", changes.changed], ["added", changes.added], ["removed", changes.removed]]
    .filter(([, measures]) => measures.length > 0)
    .map(([what, measures]) => what + " " + measures.join(", "));
  $("picture-note").textContent = changes.same ? "No changes since saved." : "Since saved, measures " + parts.join("; ") + ".";
}

// Shows what drawing a chart gave: its diagnostics, figures and picture, or why there is none.
function showDrawing(drawn) {
  if (!drawn.diagnostics) return clearPicture("No picture: " + drawn.error);
  showDiagnostics(drawn.diagnostics);
  showFigures(drawn.stats);
  if (drawn.pictures) {
    showPicture(drawn.pictures);
    showChanges(drawn.changes);
    rememberSound(drawn.stats, drawn.sound);
  } else if (drawn.error) clearPicture("No picture: " + drawn.error);
  else keepLastPicture(drawn.diagnostics);
}

// The sound goes with the picture it was drawn with: a chart with an error keeps both.
function rememberSound(stats, sound) {
  page.sound = { stats, sound };
  showSound(stats, sound);
}

async function redraw() {
  const sequence = ++page.renderSequence;
  let drawn;
  try {
    drawn = await page.charts.draw(page.chart, $("editor").value, pictureForm());
  } catch (error) {
    if (sequence === page.renderSequence) showStatus(error.message, true);
    return;
  }
  // A later redraw has begun: this answer is already out of date.
  if (sequence === page.renderSequence) showDrawing(drawn);
}

function edited() {
  clearTimeout(page.redrawTimer);
  page.redrawTimer = setTimeout(redraw, kRedrawPause);
  $("editor").style.tabSize = tabWidthOf($("editor").value);
  updateGutter();
  if (!page.charts.keepEdits) return;
  try {
    page.charts.keepEdits(page.chart, $("editor").value);
  } catch (error) {
    showStatus(error.message, true);
  }
}

function showChart(chart, text) {
  page.chart = chart;
  if (page.pictureChart !== chart.name) {
    clearPicture("Drawing " + chart.name + "…");
    page.player?.stop();
    page.sound = null;
  }
  $("workspace").hidden = false;
  $("no-chart").hidden = true;
  $("chart-name").textContent = chart.name;
  $("encoding").textContent = chart.encoding + (chart.lineEnds === "CRLF" ? ", CR LF" : "");
  $("editor").value = text;
  $("editor").readOnly = chart.readOnly !== null;
  $("editor").style.tabSize = tabWidthOf(text);
  $("save").disabled = chart.readOnly !== null;
  $("read-only").textContent = chart.readOnly === null ? "" : "Read-only: " + chart.readOnly + ".";
  $("read-only").hidden = chart.readOnly === null;
  $("reload").hidden = true;
  $("save-utf8").hidden = true;
  $("close-chart").hidden = page.charts.served;
  updateGutter();
  for (const button of $("chart-list").querySelectorAll("button"))
    button.setAttribute("aria-current", String(button.textContent === chart.name));
}

// Opens the chart with its picture, diagnostics and figures: as saved, or with the edits the
// browser kept.
async function openChart(name) {
  const opening = ++page.openSequence;
  let opened;
  try {
    opened = await page.charts.open(name);
  } catch (error) {
    if (opening === page.openSequence) showStatus(error.message, true);
    return;
  }
  if (opening !== page.openSequence) return;
  clearTimeout(page.redrawTimer);
  ++page.renderSequence;
  showChart(opened.chart, opened.text);
  page.charts.remember?.(name);
  const drawn = opened.text === opened.chart.savedText
    ? await page.charts.drawSaved(opened.chart, pictureForm())
    : await page.charts.draw(opened.chart, opened.text, pictureForm());
  // Another chart was chosen meanwhile: these answers are not for the chart shown.
  if (opening !== page.openSequence) return;
  ++page.renderSequence;
  showDrawing(drawn);
  const readOnly = opened.chart.readOnly !== null;
  showStatus(readOnly ? "loaded " + name + " (read-only)" : "loaded " + name, readOnly);
}

function chooseChart(name) {
  if (page.chart?.name === name) return;
  if (page.charts.keepEdits || mayDiscardEdits("Open " + name)) openChart(name);
}

// Asks for a name and makes an empty chart under it, unless a chart has that name already.
async function newChart() {
  if (!page.charts.keepEdits && !mayDiscardEdits("Make a new chart")) return;
  let name = window.prompt("Name of the new chart:", "new.txt");
  if (!name) return;
  name = name.trim();
  if (!/\.txt$/i.test(name)) name += ".txt";
  try {
    await page.charts.create(name);
  } catch (error) {
    return showStatus(error.message, true);
  }
  await loadChartList();
  await openChart(name);
  showStatus("made " + name);
}

async function save(options) {
  const chart = page.chart;
  if (!chart || chart.readOnly !== null) return;
  const text = $("editor").value;
  const result = await page.charts.save(chart, text, options);
  if (result.refusal === "changed") $("reload").hidden = false;
  if (result.refusal === "encoding") $("save-utf8").hidden = false;
  // A text that would not read back whole: the cursor goes where it would be cut.
  if (result.refusal === "place") goToDiagnostic(result);
  if (result.refusal) return showStatus(result.message, true);
  chart.savedText = text;
  $("encoding").textContent = chart.encoding + (chart.lineEnds === "CRLF" ? ", CR LF" : "");
  $("save-utf8").hidden = true;
  showStatus("saved " + chart.name);
  if (page.charts.keepEdits) loadChartList();
  // The marks were of the text as it differed from the file now replaced.
  if ($("since-saved").checked) redraw();
}

// A save by another editor: loaded at once, unless it would discard edits.
function followSave(saved) {
  loadChartList();
  const chart = page.chart;
  // Our own save, or one we have already loaded.
  if (!chart || saved.name !== chart.name || page.charts.isLoaded(chart, saved)) return;
  if (isDirty()) {
    $("reload").hidden = false;
    return showStatus(chart.name + " was saved elsewhere; your edits are not saved.", true);
  }
  openChart(chart.name);
}

// Forgets the chart in this browser (the file it came from stays as it is).
function closeChart() {
  const chart = page.chart;
  if (!chart || !window.confirm("Close " + chart.name + "?" + (isDirty() ? " Its edits are not saved and will be lost." : ""))) return;
  page.charts.close(chart.name);
  page.chart = null;
  ++page.openSequence;
  clearPicture("");
  $("workspace").hidden = true;
  $("no-chart").hidden = false;
  loadChartList();
}

// Opens the files the user gave: charts in any encoding the reader takes, or pictures with
// their chart inside.
async function addFiles(files) {
  if (!files || files.length === 0) return;
  let names;
  try {
    names = await page.charts.add(files);
  } catch (error) {
    return showStatus(error.message, true);
  }
  await loadChartList();
  await openChart(names[names.length - 1]);
}

function listenToControls() {
  $("editor").addEventListener("input", edited);
  $("editor").addEventListener("scroll", () => ($("gutter").scrollTop = $("editor").scrollTop));
  $("save").addEventListener("click", () => save());
  $("save-utf8").addEventListener("click", () => save({ utf8: true }));
  $("reload").addEventListener("click", () => {
    if (page.chart && mayDiscardEdits("Load the file on disk")) openChart(page.chart.name);
  });
  $("new-chart").addEventListener("click", newChart);
  // The text as it stands is drawn again in the new form, which Download then gives.
  for (const control of ["columns", "max-size", "since-saved"])
    $(control).addEventListener("change", () => {
      if (page.chart) redraw();
    });
  window.addEventListener("beforeunload", (event) => {
    if (page.charts.keepEdits || !isDirty()) return;
    event.preventDefault();
    event.returnValue = ""; // browsers that predate preventDefault ask only with this
  });
  $("play").addEventListener("click", togglePlay);
  $("picture").addEventListener("click", playFromPicture);
  $("speed").addEventListener("change", () => page.player?.setOptions({ speed: Number($("speed").value) }));
  $("metronome").addEventListener("change", () => page.player?.setOptions({ metronome: $("metronome").checked }));
  $("branch").addEventListener("change", () => page.player?.setOptions({ branch: Number($("branch").value) }));
  for (const event of ["click", "keyup"]) $("editor").addEventListener(event, holdAtEditorCursor);
  window.addEventListener("resize", placeHeldCursor);
  $("picture").addEventListener("load", placeHeldCursor);
}

// A held cursor stays over its measure when the picture is shown anew or at another size; a
// play moves its own on the next frame.
function placeHeldCursor() {
  const player = page.player;
  if (player && !player.playing && player.position() > 0) showPlayCursor(player.placeAt(player.position()));
}

// Files come by the picker or dropped anywhere on the page.
function listenForFiles() {
  $("open-chart").addEventListener("click", async () => {
    const picked = await page.charts.pick($("file-input"));
    if (picked) addFiles(picked);
  });
  $("file-input").addEventListener("change", () => addFiles([...$("file-input").files].map((file) => ({ file }))));
  document.addEventListener("dragover", (event) => {
    event.preventDefault();
    document.body.classList.add("dropping");
  });
  document.addEventListener("dragleave", (event) => {
    if (event.relatedTarget === null) document.body.classList.remove("dropping");
  });
  document.addEventListener("drop", (event) => {
    event.preventDefault();
    document.body.classList.remove("dropping");
    addFiles([...event.dataTransfer.files].map((file) => ({ file })));
  });
  $("close-chart").addEventListener("click", closeChart);
}

// Served by beatplate serve when its API answers; else the page's files are all there is.
async function start() {
  let served = null;
  try {
    const response = await fetch("/api/charts");
    if (response.ok && Array.isArray(await response.json())) served = servedCharts();
  } catch (error) {
    served = null;
  }
  page.charts = served ?? standaloneCharts();
  document.body.classList.add(page.charts.served ? "served" : "standalone");
  for (const id of ["open-chart", "drop-hint", "max-size", "max-size-label"]) $(id).hidden = page.charts.served;
  // Only the served page has a file on disk to mark the changes since.
  $("since-saved-label").hidden = !page.charts.served;
  if (!page.charts.served) {
    $("no-charts").textContent = "No chart yet.";
    $("no-chart").textContent = "Open a chart or a picture with its chart inside, drop one anywhere on the page, or make a new chart.";
  }
  listenToControls();
  if (page.charts.served) {
    loadPlayer();
    await loadChartList();
    page.charts.watch(followSave);
    return;
  }
  listenForFiles();
  showStatus("loading the drawing core…");
  try {
    await page.charts.ready();
  } catch (error) {
    document.body.dataset.state = "failed";
    return showStatus("the page cannot draw: " + error.message, true);
  }
  showStatus("ready: nothing you open leaves this browser");
  loadPlayer();
  await loadChartList();
  const last = page.charts.lastOpened();
  if (last && (await page.charts.list()).some((chart) => chart.name === last)) await openChart(last);
  // For scripts and tests: the page has loaded all it needs and shows what it kept.
  document.body.dataset.state = "ready";
}

start();
