// The chart heard: the strokes of its sound scheduled ahead on a Web Audio clock, and where the
// picture stands at each moment. It knows nothing of the page but what it is given, so that any
// page that has a chart's timeline, its strokes and the voices can play it.
"use strict";

const kTicksPerQuarter = 480;
const kLookahead = 0.2; // s of chart time scheduled ahead of the clock, at speed 1
const kSchedulePeriod = 25; // ms between two rounds of scheduling

// The voices' file: 16-bit mono PCM after a 44-byte header, each voice in a slot of
// voiceSamples samples; gives one Float32Array per voice.
function voicesFromWav(bytes, voiceCount, voiceSamples) {
  const view = new DataView(bytes);
  const voices = [];
  for (let voice = 0; voice < voiceCount; ++voice) {
    const samples = new Float32Array(voiceSamples);
    for (let n = 0; n < voiceSamples; ++n) samples[n] = view.getInt16(44 + 2 * (voice * voiceSamples + n), true) / 32768;
    voices.push(samples);
  }
  return voices;
}

class ChartPlayer {
  // voiceBytes: the voices' WAV file (an ArrayBuffer). showCursor(place): called with where the
  // picture stands ({ x, top, height, measure, lines, seconds }, picture pixels), or null when
  // nothing plays or is held; createContext(): the AudioContext, made on the first play, as
  // browsers start sound only after a gesture.
  constructor({ voiceBytes, showCursor, createContext = () => new AudioContext() }) {
    this.voiceBytes = voiceBytes;
    this.showCursor = showCursor;
    this.createContext = createContext;
    this.timeline = null;
    this.sound = null;
    this.options = { speed: 1, metronome: false, notes: true, branch: 1 };
    this.context = null;
    this.buffers = new Map(); // per context, the voices as its buffers
    this.run = null; // the play under way: { origin, from, next, timer, frame, sources }
    this.held = 0; // the chart's time where a play starts or was paused
  }

  // The chart to play: the figures' timeline ({ tempos, measures }) and the sound's
  // { sampleRate, voiceSamples, voices, strokes: [[seconds, voice, paths]] }.
  setChart(timeline, sound) {
    const playing = this.playing;
    if (playing) this.pause();
    this.timeline = timeline;
    this.sound = sound;
    this.voices = null;
    this.buffers = new Map();
    this.held = Math.min(this.held, this.length());
    if (playing) this.play(this.held);
    else this.showCursor(this.held > 0 ? this.placeAt(this.held) : null);
  }

  // Any of { speed, metronome, notes, branch }; a play under way goes on with them.
  setOptions(options) {
    const at = this.position();
    const playing = this.playing;
    if (playing) this.pause();
    Object.assign(this.options, options);
    if (playing) this.play(at);
  }

  get playing() {
    return this.run !== null;
  }

  // The chart's length in seconds.
  length() {
    const measures = this.timeline?.measures ?? [];
    const last = measures[measures.length - 1];
    return last ? last.start + last.seconds : 0;
  }

  // The chart's time now: where the play under way is, else where it will start.
  position() {
    if (!this.run) return this.held;
    return this.run.from + (this.context.currentTime - this.run.origin) * this.options.speed;
  }

  // Whether a stroke is heard with the options as they are.
  audible([, voice, paths]) {
    const name = this.sound.voices[voice];
    if (name === "click" || name === "accentClick") return this.options.metronome;
    return this.options.notes && (paths & (1 << (this.options.branch - 1))) !== 0;
  }

  voiceBuffers(context) {
    if (!this.voices) this.voices = voicesFromWav(this.voiceBytes, this.sound.voices.length, this.sound.voiceSamples);
    let buffers = this.buffers.get(context);
    if (!buffers) {
      buffers = this.voices.map((samples) => {
        const buffer = context.createBuffer(1, samples.length, this.sound.sampleRate);
        buffer.copyToChannel(samples, 0);
        return buffer;
      });
      this.buffers.set(context, buffers);
    }
    return buffers;
  }

  // Schedules on context the heard strokes from stroke index first on whose chart time is
  // before until, the chart's time from sounding at the context's time origin; gives the index
  // of the first stroke left. The page's play and an offline rendering both schedule this way.
  scheduleStrokes(context, { first, from, until, origin, sources = null }) {
    const strokes = this.sound.strokes;
    const buffers = this.voiceBuffers(context);
    let index = first;
    for (; index < strokes.length && strokes[index][0] < until; ++index) {
      const stroke = strokes[index];
      if (stroke[0] < from || !this.audible(stroke)) continue;
      const source = context.createBufferSource();
      source.buffer = buffers[stroke[1]];
      source.connect(context.destination);
      source.start(origin + (stroke[0] - from) / this.options.speed);
      if (sources) {
        sources.add(source);
        source.onended = () => sources.delete(source);
      }
    }
    return index;
  }

  // The index of the first stroke at or after a time.
  firstStrokeAt(seconds) {
    const strokes = this.sound.strokes;
    let low = 0;
    let high = strokes.length;
    while (low < high) {
      const middle = (low + high) >> 1;
      if (strokes[middle][0] < seconds) low = middle + 1;
      else high = middle;
    }
    return low;
  }

  // Plays from a time in seconds (where it was held, by default).
  play(from = this.held) {
    if (!this.timeline || !this.sound) return;
    if (this.run) this.pause();
    if (from >= this.length()) from = 0;
    if (!this.context) this.context = this.createContext();
    this.context.resume();
    // A little ahead of the clock, so that the first strokes are not late.
    const origin = this.context.currentTime + 0.05;
    const run = { origin, from, next: this.firstStrokeAt(from), sources: new Set(), timer: 0, frame: 0 };
    this.run = run;
    const schedule = () => {
      const until = from + (this.context.currentTime - origin + kLookahead) * this.options.speed;
      run.next = this.scheduleStrokes(this.context, { first: run.next, from, until, origin, sources: run.sources });
    };
    schedule();
    run.timer = setInterval(schedule, kSchedulePeriod);
    const follow = () => {
      const at = this.position();
      if (at >= this.length()) return this.stop();
      this.showCursor(this.placeAt(Math.max(at, from)));
      run.frame = requestAnimationFrame(follow);
    };
    follow();
  }

  // Stops where it is; play() goes on from there.
  pause() {
    if (!this.run) return;
    const at = this.position();
    clearInterval(this.run.timer);
    cancelAnimationFrame(this.run.frame);
    for (const source of this.run.sources) source.stop();
    this.run = null;
    this.held = Math.max(0, Math.min(at, this.length()));
    this.showCursor(this.placeAt(this.held));
  }

  // Ends a play, back at the chart's start.
  stop() {
    this.pause();
    this.held = 0;
    this.showCursor(null);
  }

  // Holds the play at a time, or moves a play under way there.
  seek(seconds) {
    const playing = this.playing;
    if (playing) this.pause();
    this.held = Math.max(0, Math.min(seconds, this.length()));
    if (playing) this.play(this.held);
    else this.showCursor(this.placeAt(this.held));
  }

  // The tick from the chart's start at a time: the tempo in force moves it on; a stretch at a
  // tempo of 0 or less takes no time.
  tickAt(seconds) {
    const tempos = this.timeline.tempos;
    let change = tempos[0];
    for (const next of tempos) {
      if (next.seconds > seconds) break;
      change = next;
    }
    if (change.tempo <= 0) return change.tick;
    return change.tick + ((seconds - change.seconds) * change.tempo * kTicksPerQuarter) / 60;
  }

  // Where the picture stands at a time: the place of its measure, the x moved on by its ticks.
  placeAt(seconds) {
    const measures = this.timeline?.measures ?? [];
    if (!measures.length || measures[0].x === undefined) return null;
    const tick = this.tickAt(seconds);
    let low = 0;
    let high = measures.length - 1;
    while (low < high) {
      const middle = (low + high + 1) >> 1;
      if (measures[middle].tick <= tick) low = middle;
      else high = middle - 1;
    }
    const measure = measures[low];
    const offset = Math.max(0, Math.min(tick - measure.tick, measure.ticks));
    return {
      seconds,
      x: measure.x + offset * measure.pixelsPerTick,
      top: measure.top,
      height: measure.height,
      measure: measure.measure,
      lines: measure.lines ?? null,
    };
  }

  // The measure shown at a point of the picture, in its pixels; null where none is.
  measureAtPoint(x, y) {
    for (const measure of this.timeline?.measures ?? []) {
      const right = measure.x + measure.ticks * measure.pixelsPerTick;
      if (y >= measure.top && y < measure.top + measure.height && x >= measure.x - 24 && x < right) return measure;
    }
    return null;
  }

  // The first measure that a chart line, or the first note line after it, fills on the branch
  // heard; the last measure after the last note line, null without measures.
  measureOfLine(line) {
    const measures = this.timeline?.measures ?? [];
    for (const measure of measures) {
      if ((measure.lines?.[this.options.branch - 1] ?? 0) >= line) return measure;
    }
    return measures[measures.length - 1] ?? null;
  }
}
