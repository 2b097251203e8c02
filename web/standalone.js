// The page's charts when no server is behind it: the files the user opens or drops, drawn by the
// core in the browser (window.beatplate), and kept with their unsaved edits in the browser's
// storage, so that a reload loses nothing. Nothing the user gives leaves the browser: a chart is
// saved back into the file it came from where the browser lets the page write files, else
// downloaded.
"use strict";

function standaloneCharts() {
  const kIndexKey = "beatplate.charts"; // the names of the charts kept, in the order opened
  const kChartKey = "beatplate.chart:"; // + name: {text, savedText, encoding, byteOrderMark, lineEnds, readOnly}
  const kPngSignature = [0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a];
  const handles = new Map(); // name -> the file handle a chart was opened from or saved to

  function names() {
    try {
      return JSON.parse(localStorage.getItem(kIndexKey)) ?? [];
    } catch (error) {
      return [];
    }
  }

  function stored(name) {
    const kept = localStorage.getItem(kChartKey + name);
    return kept === null ? null : JSON.parse(kept);
  }

  // Keeps a chart; throws a message when the browser's storage is full.
  function keep(name, record) {
    try {
      localStorage.setItem(kChartKey + name, JSON.stringify(record));
      const list = names();
      if (!list.includes(name)) localStorage.setItem(kIndexKey, JSON.stringify([...list, name]));
    } catch (error) {
      throw new Error("the browser's storage is full: " + name + " is not kept (" + error.message + ")");
    }
  }

  function forget(name) {
    localStorage.removeItem(kChartKey + name);
    localStorage.setItem(kIndexKey, JSON.stringify(names().filter((kept) => kept !== name)));
    handles.delete(name);
  }

  function recordOf(chart, text) {
    const { savedText, encoding, byteOrderMark, lineEnds, readOnly } = chart;
    return { text, savedText, encoding, byteOrderMark, lineEnds, readOnly };
  }

  function isPng(bytes) {
    return kPngSignature.every((byte, index) => bytes[index] === byte);
  }

  // A chart from a file's bytes: a chart file as the reader decodes it, or the chart a picture
  // carries, named after the picture.
  async function chartFrom(fileName, bytes) {
    if (isPng(bytes)) {
      const { text, encoding } = await window.beatplate.chartFileOf(bytes);
      const name = fileName.replace(/\.png$/i, "") + ".txt";
      return { name, record: { text, savedText: null, encoding, byteOrderMark: false, lineEnds: "LF", readOnly: null } };
    }
    const file = await window.beatplate.readChartFile(bytes);
    const { text, encoding, byteOrderMark, lineEnds, readOnly } = file;
    return { name: fileName, record: { text, savedText: text, encoding, byteOrderMark, lineEnds, readOnly } };
  }

  // Offers the bytes as a file to download.
  function download(name, bytes, type) {
    const link = document.createElement("a");
    link.href = URL.createObjectURL(new Blob([bytes], { type }));
    link.download = name;
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 0);
  }

  // Writes the bytes into the chart's file where the browser lets the page write files, asking
  // where the first time; else downloads them. False when the user chose no place.
  async function write(name, bytes) {
    if (!window.showSaveFilePicker) {
      download(name, bytes, "text/plain");
      return true;
    }
    let handle = handles.get(name);
    try {
      handle ??= await window.showSaveFilePicker({ suggestedName: name, types: [{ description: "Charts", accept: { "text/plain": [".txt"] } }] });
    } catch (error) {
      if (error.name === "AbortError") return false;
      throw error;
    }
    const file = await handle.createWritable();
    await file.write(bytes);
    await file.close();
    handles.set(name, handle);
    return true;
  }

  async function drawText(text, form) {
    const diagnostics = await window.beatplate.check(text);
    if (diagnostics.some((diagnostic) => diagnostic.severity === "error")) return { diagnostics, stats: null, pictures: null };
    const [stats, sound, drawn] = await Promise.all([
      window.beatplate.figures(text, form),
      window.beatplate.sound(text),
      window.beatplate.draw(text, form).catch((error) => error),
    ]);
    if (drawn instanceof Error) return { diagnostics, stats, sound, pictures: null, error: drawn.message };
    const parts = Array.isArray(drawn) ? drawn : [drawn];
    return { diagnostics, stats, sound, pictures: parts.map((part) => new Blob([part], { type: "image/png" })) };
  }

  return {
    served: false,

    // Loads the core beside the page; settles when it can draw.
    async ready() {
      await new Promise((resolve, reject) => {
        const script = document.createElement("script");
        script.src = "beatplate.js";
        script.addEventListener("load", resolve);
        script.addEventListener("error", () => reject(new Error("beatplate.js cannot be loaded")));
        document.head.append(script);
      });
      return window.beatplate.ready;
    },

    async list() {
      return names().map((name) => {
        const record = stored(name);
        return { name, detail: record && record.text !== record.savedText ? "unsaved edits, kept in this browser" : "kept in this browser" };
      });
    },

    async open(name) {
      const record = stored(name);
      if (!record) throw new Error(name + " is not kept in this browser");
      const { savedText, encoding, byteOrderMark, lineEnds, readOnly } = record;
      return { chart: { name, savedText, encoding, byteOrderMark, lineEnds, readOnly }, text: record.text };
    },

    // The name the page last showed, to show again after a reload.
    lastOpened: () => localStorage.getItem("beatplate.open"),
    remember(name) {
      localStorage.setItem("beatplate.open", name);
    },

    drawSaved: (chart, form) => drawText(chart.savedText ?? "", form),
    voices: async () => (await window.beatplate.voices()).buffer,
    draw: (chart, text, form) => drawText(text, form),

    // Keeps the text as edited, so that a reload or a closed tab loses nothing.
    keepEdits(chart, text) {
      keep(chart.name, recordOf(chart, text));
    },

    async save(chart, text, { utf8 = false } = {}) {
      const form = utf8 ? { encoding: "UTF-8", byteOrderMark: chart.encoding !== "UTF-8" || chart.byteOrderMark, lineEnds: chart.lineEnds } : chart;
      let bytes;
      try {
        bytes = await window.beatplate.writeChartFile(text, form);
      } catch (error) {
        const refusal = error.message.includes("Shift_JIS") ? "encoding" : "place";
        return { refusal, message: chart.name + ": " + error.message, line: error.line, column: error.column };
      }
      try {
        if (!(await write(chart.name, bytes))) return { refusal: "other", message: chart.name + " was not saved." };
      } catch (error) {
        return { refusal: "other", message: chart.name + " was not saved: " + error.message };
      }
      Object.assign(chart, { savedText: text, encoding: form.encoding, byteOrderMark: form.byteOrderMark });
      keep(chart.name, recordOf(chart, text));
      return { saved: true };
    },

    async create(name) {
      if (stored(name)) throw new Error(name + ": a chart of that name is kept in this browser already");
      keep(name, { text: "", savedText: null, encoding: "code page 932", byteOrderMark: false, lineEnds: "LF", readOnly: null });
    },

    close(name) {
      forget(name);
    },

    // Takes files (File objects, with their handles where the picker gave them) as charts and
    // returns the names kept; a chart of the same name is replaced.
    async add(files) {
      const added = [];
      for (const { file, handle } of files) {
        const { name, record } = await chartFrom(file.name, new Uint8Array(await file.arrayBuffer()));
        keep(name, record);
        handles.delete(name);
        if (handle && name === file.name) handles.set(name, handle);
        added.push(name);
      }
      return added;
    },

    // The files the user picks: with handles where the browser gives them, so that saving
    // writes them back.
    async pick(input) {
      if (!window.showOpenFilePicker) {
        input.value = "";
        input.click();
        return null;
      }
      try {
        const picked = await window.showOpenFilePicker({ multiple: true, types: [{ description: "Charts and pictures", accept: { "text/plain": [".txt"], "image/png": [".png"] } }] });
        return Promise.all(picked.map(async (handle) => ({ file: await handle.getFile(), handle })));
      } catch (error) {
        if (error.name === "AbortError") return [];
        throw error;
      }
    },

  };
}
