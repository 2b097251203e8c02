// The page's charts when beatplate serve serves it: the charts of the server's folder, through
// its API. Each call answers what the page shows, in the same form as the standalone charts.
"use strict";

function servedCharts() {
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

  function pictureFromBase64(text) {
    const bytes = Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
    return new Blob([bytes], { type: "image/png" });
  }

  function failure(message) {
    return new Error(message);
  }

  return {
    served: true,

    // [{name, detail}], sorted by name.
    async list() {
      const { ok, body } = await fetchJson("/api/charts");
      if (!ok) throw failure(body.error);
      return body.map((chart) => ({
        name: chart.name,
        detail: chart.size + " bytes, saved " + new Date(chart.modified).toLocaleString(),
      }));
    },

    // The chart as saved: {chart: {name, etag, encoding, lineEnds, savedText, readOnly}, text}.
    async open(name) {
      const { ok, body } = await fetchJson(chartUrl(name));
      if (!ok) throw failure(name + ": " + body.error);
      const chart = { name, etag: body.etag, encoding: body.encoding, lineEnds: body.lineEnds, savedText: body.text, readOnly: body.readOnly ?? null };
      return { chart, text: body.text };
    },

    // The saved chart's picture, diagnostics, figures and sound, each fetched once per version
    // and form: {diagnostics, stats, sound, pictures: [Blob] or null, error}.
    async drawSaved(chart, form) {
      const query = "?v=" + encodeURIComponent(chart.etag) + "&columns=" + encodeURIComponent(form.columns);
      const [picture, report] = await Promise.all([
        fetch(chartUrl(chart.name, "/picture.png") + query),
        fetchJson(chartUrl(chart.name, "/report") + query),
      ]);
      // The picture is read whole first, so that it changes together with the figures.
      const blob = picture.ok ? await picture.blob() : null;
      const refusal = picture.ok ? null : await picture.json().catch(() => null);
      if (!report.body.diagnostics) return { diagnostics: null, stats: null, pictures: blob && [blob], error: report.body.error ?? "the chart cannot be drawn" };
      const { diagnostics, stats, sound } = report.body;
      // A chart the preview does not draw, for its length: the refusal says why.
      const error = picture.status === 413 ? refusal?.error ?? "the chart is too long to draw here" : undefined;
      return { diagnostics, stats, sound, pictures: blob && [blob], error };
    },

    // The text as it stands: {diagnostics, stats, sound, pictures: [Blob] or null}; with
    // form.sinceSaved, the measures that differ from the chart on disk are marked on the
    // picture and changes lists them: {same, changed, added, removed}.
    async draw(chart, text, form) {
      const since = form.sinceSaved ? "&since=" + encodeURIComponent(chart.name) : "";
      const { body } = await fetchJson("/api/render?columns=" + encodeURIComponent(form.columns) + since, {
        method: "POST",
        headers: { "Content-Type": "text/plain; charset=utf-8" },
        body: text,
      });
      if (!body.diagnostics) throw failure(body.error ?? "the chart cannot be drawn");
      // Without a picture, an error says why: a chart the preview does not draw, for its length.
      return { diagnostics: body.diagnostics, stats: body.stats, sound: body.sound, pictures: body.png ? [pictureFromBase64(body.png)] : null, error: body.png ? undefined : body.error, changes: body.changes };
    },

    // The voices' WAV file the sound is played with.
    async voices() {
      const response = await fetch("/api/sound/voices.wav");
      if (!response.ok) throw failure("the voices cannot be loaded: " + response.statusText);
      return response.arrayBuffer();
    },

    // Writes the text over the chart as it was loaded, in its own encoding or in UTF-8: {saved:
    // true} or {refusal: "changed" | "encoding" | "place" | "other", message, line, column}.
    async save(chart, text, { utf8 = false } = {}) {
      const { status, body } = await fetchJson(chartUrl(chart.name) + (utf8 ? "?encoding=utf-8" : ""), {
        method: "PUT",
        headers: { "Content-Type": "text/plain; charset=utf-8", "If-Match": chart.etag },
        body: text,
      });
      if (status === 412) return { refusal: "changed", message: chart.name + " changed on disk since it was loaded; it was not saved." };
      if (status === 409) return { refusal: "encoding", message: body.error + " (" + chart.name + " is " + body.encoding + ")" };
      if (status === 422 && body.line) return { refusal: "place", message: chart.name + ": " + body.error, line: body.line, column: body.column };
      if (status !== 200) return { refusal: "other", message: chart.name + ": " + body.error };
      chart.etag = body.etag;
      chart.encoding = body.encoding;
      return { saved: true };
    },

    // Makes an empty chart, never over one that exists; throws why not.
    async create(name) {
      const { status, body } = await fetchJson(chartUrl(name), {
        method: "PUT",
        headers: { "Content-Type": "text/plain; charset=utf-8", "If-None-Match": "*" },
        body: "",
      });
      if (status !== 200) throw failure(name + ": " + body.error);
    },

    // Calls onSaved({name, etag}) each time a chart of the folder is saved by anyone.
    watch(onSaved) {
      const events = new EventSource("/api/events");
      events.addEventListener("saved", (event) => onSaved(JSON.parse(event.data)));
    },

    // Whether a save announced is one this page has loaded already.
    isLoaded(chart, saved) {
      return saved.etag === chart.etag;
    },
  };
}
