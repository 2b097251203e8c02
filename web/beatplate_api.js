// window.beatplate: beatplate's core in the browser. The same script is the page's and its
// worker's: in the page it defines the API, whose calls go to a worker running the core (or to
// the core on the page's own thread where there are no workers); in the worker it loads the core,
// the sprite sheet and the header font beside it, and answers. Nothing is fetched after that.
(function () {
  "use strict";

  const kSheet = "pic.png";
  const kFont = "fonts/ipag.ttf";
  const inWorker = typeof WorkerGlobalScope !== "undefined" && self instanceof WorkerGlobalScope;

  async function fetchBytes(url, what) {
    const response = await fetch(url);
    if (!response.ok) throw new Error(what + " cannot be loaded (" + url + ": " + response.status + ")");
    return new Uint8Array(await response.arrayBuffer());
  }

  // The core with its session, the sheet and the font loaded.
  async function startCore(base) {
    const [core, sheet, font] = await Promise.all([
      createBeatplateCore({ locateFile: (name) => new URL(name, base).href }),
      fetchBytes(new URL(kSheet, base).href, "the sprite sheet"),
      fetchBytes(new URL(kFont, base).href, "the header font"),
    ]);
    const session = core._beatplate_create();
    for (const [load, bytes, what] of [["load_sheet", sheet, "the sprite sheet"], ["load_font", font, "the header font"]]) {
      const answer = ask({ core, session }, load, bytes, []);
      if (!answer.json.loaded) throw new Error(what + " cannot be read");
    }
    return { core, session };
  }

  // One question to the core: the input bytes and the arguments in, the JSON and files out.
  function ask({ core, session }, name, input, args) {
    core.HEAPU8.set(input, core._beatplate_input(session, input.length));
    const encoder = new TextEncoder();
    args.forEach((argument, index) => {
      const bytes = encoder.encode(argument);
      core.HEAPU8.set(bytes, core._beatplate_argument(session, index, bytes.length));
    });
    core["_beatplate_" + name](session);
    const json = JSON.parse(core.UTF8ToString(core._beatplate_answer_json(session)));
    const files = [];
    for (let index = 0; index < core._beatplate_answer_files(session); ++index) {
      const start = core._beatplate_answer_file(session, index);
      files.push(core.HEAPU8.slice(start, start + core._beatplate_answer_file_size(session, index)));
    }
    return { json, files };
  }

  if (inWorker) {
    const started = startCore(self.location.href);
    self.onmessage = async (event) => {
      const { id, name, input, args } = event.data;
      try {
        const answer = ask(await started, name, input, args);
        self.postMessage({ id, answer }, answer.files.map((file) => file.buffer));
      } catch (error) {
        self.postMessage({ id, failure: String(error.message || error) });
      }
    };
    return;
  }

  const base = document.currentScript.src;

  // The core where it runs: a worker, so that a long chart does not stop the page, or the page's
  // own thread.
  function connectHere() {
    const started = startCore(base);
    return { started, ask: async (name, input, args) => ask(await started, name, input, args) };
  }

  function connect() {
    let worker;
    try {
      worker = new Worker(base);
    } catch (error) {
      return connectHere();
    }
    const waiting = new Map();
    let next = 0;
    worker.onmessage = (event) => {
      const { id, answer, failure } = event.data;
      const { resolve, reject } = waiting.get(id);
      waiting.delete(id);
      if (failure !== undefined) reject(new Error(failure));
      else resolve(answer);
    };
    // A worker that cannot start answers nothing: every question waiting fails with its error.
    worker.onerror = (event) => {
      for (const { reject } of waiting.values()) reject(new Error("the core's worker failed: " + event.message));
      waiting.clear();
    };
    const post = (name, input, args) =>
      new Promise((resolve, reject) => {
        const id = next++;
        waiting.set(id, { resolve, reject });
        worker.postMessage({ id, name, input, args }, [input.buffer]);
      });
    // The worker answers a first, empty question once everything is loaded, or says why not.
    return { started: post("check", new Uint8Array(0), []), ask: post };
  }

  // Bytes of what the caller gives: text (as UTF-8), bytes or a Blob; always a copy.
  async function bytesOf(value) {
    if (typeof value === "string") return new TextEncoder().encode(value);
    if (value instanceof Blob) return new Uint8Array(await value.arrayBuffer());
    if (value instanceof ArrayBuffer) return new Uint8Array(value.slice(0));
    if (ArrayBuffer.isView(value)) return new Uint8Array(value.buffer.slice(value.byteOffset, value.byteOffset + value.byteLength));
    throw new TypeError("expected the bytes of a file (Uint8Array, ArrayBuffer or Blob) or a string");
  }

  // The JSON of an answer, or a rejection with its error, line and column.
  function valueOf(answer) {
    const json = answer.json;
    if (json === null || Array.isArray(json) || json.error === undefined) return json;
    const error = new Error(json.error);
    if (json.line !== undefined) Object.assign(error, { line: json.line, column: json.column });
    throw error;
  }

  const connection = connect();
  const request = async (name, value, args) => connection.ask(name, await bytesOf(value), args);

  function sizeText(maxSize) {
    if (maxSize === undefined || maxSize === null) return "";
    if (typeof maxSize === "object") return maxSize.width + "x" + maxSize.height;
    return String(maxSize);
  }

  window.beatplate = {
    // Settles when the core, the sprite sheet and the header font are loaded.
    ready: connection.started.then(() => undefined),
    // The chart's picture as beatplate draws it: PNG bytes with the chart inside, or an array of
    // them when maxSize ("WxH") cuts it into parts; columns is 1 to 1000 or "auto".
    async draw(chart, { columns = 1, maxSize } = {}) {
      const answer = await request("draw", chart, [String(columns), sizeText(maxSize)]);
      valueOf(answer);
      return answer.files.length === 1 ? answer.files[0] : answer.files;
    },
    // Every error and warning, as --check lists them: [{line, column, severity, message, detail}].
    async check(chart) {
      return valueOf(await request("check", chart, []));
    },
    // The figures, as --stats --json gives them; name is the chart's in them, and the timeline's
    // places are on the picture that draw gives with the same columns and maxSize.
    async figures(chart, { name = "-", columns = 1, maxSize } = {}) {
      return valueOf(await request("figures", chart, [name, String(columns), sizeText(maxSize)]));
    },
    // The strokes the chart is played with: {sampleRate, voiceSamples, voices, strokes:
    // [[seconds, voice, paths]]}, every branch path's and the metronome's.
    async sound(chart) {
      return valueOf(await request("sound", chart, []));
    },
    // The voices' WAV file the strokes are played with, as a Uint8Array.
    async voices() {
      const answer = await request("voices", new Uint8Array(0), []);
      valueOf(answer);
      return answer.files[0];
    },
    // The chart a picture carries, as text.
    async chartOf(png) {
      return valueOf(await request("chart_of", png, [])).text;
    },
    // The chart a picture carries and the encoding beatplate-chart would write it in:
    // {text, encoding}.
    async chartFileOf(png) {
      return valueOf(await request("chart_of", png, []));
    },
    // A chart file's text for an editor: {text, encoding, byteOrderMark, lineEnds, readOnly}.
    async readChartFile(bytes) {
      return valueOf(await request("read_chart_file", bytes, []));
    },
    // The text as a chart file in a form readChartFile gave; rejects with the line the
    // encoding cannot hold.
    async writeChartFile(text, { encoding, byteOrderMark, lineEnds }) {
      const answer = await request("write_chart_file", text, [encoding, byteOrderMark ? "bom" : "", lineEnds]);
      valueOf(answer);
      return answer.files[0];
    },
  };
})();
