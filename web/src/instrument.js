// Instrument files on the page: an SFZ file dropped or picked with the
// files it names (or a folder holding both) is listed with its name, its
// zones' count and the keys and velocities they cover, and Make File
// writes it through the engine's make of instruments, as dorvane-cli make
// does with the same files. Every file keeps its place in what the user
// gave ("kit/piano.sfz", "kit/samples/c4.wav"), so the paths the SFZ names
// (sample=, default_path, #include) lead where they lead on disk. The page
// reads no DecentSampler preset or SoundFont 2 bank: the engine refuses
// them with a message naming the programs that do.
//
// The pool's entries and instruments are kept apart: a drop holding an
// instrument file goes here whole, and Make File with both refuses as
// dorvane-cli refuses instrument files mixed with audio files.
import { rootKeyText } from './rootkey.js';

const INSTRUMENT = /\.(sfz|dspreset|sf2)$/i;
// Files the readers only look for, never read: their bytes stay in the page
// until Make File.
const AUDIO = /\.(wave?|aiff?|aifc|flac|ogg|mp3)$/i;

export function isInstrumentFile(file) {
  return INSTRUMENT.test(file.name);
}

// MIDI note n as its name, C4 being 60.
export function noteName(n) {
  return rootKeyText(n - 12).replace(' ', '');
}

// The key ranges the zones cover, joined where they touch or overlap:
// "C3–B3, C5–G5" shows a gap between B3 and C5.
export function keySpans(zones) {
  const ranges = zones.map((z) => (z.keyRange ? [z.loKey, z.hiKey] : [z.rootKey, z.rootKey]))
    .sort((a, b) => a[0] - b[0]);
  const spans = [];
  for (const [lo, hi] of ranges) {
    const last = spans[spans.length - 1];
    if (last && lo <= last[1] + 1) last[1] = Math.max(last[1], hi);
    else spans.push([lo, hi]);
  }
  return spans.map(([lo, hi]) => (lo === hi ? noteName(lo) : noteName(lo) + '–' + noteName(hi))).join(', ');
}

// The zones' distinct velocity ranges, softest first: "1–63, 64–127" for
// two layers.
export function velocityLayers(zones) {
  const seen = new Map();
  for (const z of zones) seen.set(z.loVel + '–' + z.hiVel, [z.loVel, z.hiVel]);
  return [...seen.values()].sort((a, b) => a[0] - b[0] || a[1] - b[1]).map((r) => r.join('–')).join(', ');
}

// The instrument files and the files given with them, and the instruments
// the engine read from them. page: { $, withEngine, showMessage,
// showMessages, readFile, dropPathOf, offer, button }.
export class Instruments {
  constructor(page) {
    this.page = page;
    this.files = new Map(); // place in the drop (no leading '/') -> { name, blob }
    this.instruments = []; // as the engine lists them, each with its file's place
  }

  isEmpty() {
    return this.instruments.length === 0;
  }

  clear() {
    this.files.clear();
    this.instruments = [];
    this.render();
  }

  // Takes a drop: every file keeps its place (a later file of the same
  // place replaces the earlier); the instrument files among them are read.
  async add(fileList) {
    const given = [];
    for (const f of fileList) {
      const place = this.page.dropPathOf(f).replace(/^\/+/, '');
      this.files.set(place, await this.page.readFile(f));
      if (isInstrumentFile(f)) given.push(place);
    }
    const places = [...this.files.keys()];
    const sent = places.map((p) => {
      const f = this.files.get(p);
      return AUDIO.test(p) ? { name: f.name, bytes: new ArrayBuffer(0) } : f;
    });
    const args = { relPaths: places, instruments: given.map((p) => places.indexOf(p)) };
    const reply = await this.page.withEngine('Reading ' + given.join(', ') + '...', 'readInstruments', args, sent);
    if (reply) {
      this.page.showMessages(reply.result);
      const read = reply.result.instruments.map((i) => ({ ...i, place: i.file }));
      this.instruments = this.instruments.filter((i) => !given.includes(i.place)).concat(read);
      // A file the engine refused is not kept.
      for (const p of given) if (!read.some((i) => i.place === p)) this.files.delete(p);
    }
    this.render();
  }

  remove(place) {
    this.instruments = this.instruments.filter((i) => i.place !== place);
    this.files.delete(place);
    this.render();
  }

  // Make File of the instruments into output under the settings s; the
  // pool's entries (their file names) go with them, so that the engine
  // refuses the mix as dorvane-cli does.
  async make(output, s, poolNames) {
    const places = [...this.files.keys()];
    const instrumentPlaces = [...new Set(this.instruments.map((i) => i.place))];
    const args = {
      relPaths: places, instruments: instrumentPlaces.map((p) => places.indexOf(p)),
      others: poolNames, settings: s, output,
    };
    const reply = await this.page.withEngine('Making ' + output + '...', 'makeInstruments', args,
      places.map((p) => this.files.get(p)));
    if (!reply) return;
    this.page.showMessages(reply.result);
    if (!reply.result.ok) return;
    this.page.offer(reply.outputs, output + '.zip');
    for (const line of reply.result.text.split('\n')) this.page.showMessage(line, 'done');
  }

  render() {
    const { $, button } = this.page;
    $('instruments').hidden = this.isEmpty();
    const body = $('instrument-list').querySelector('tbody');
    body.replaceChildren();
    for (const instrument of this.instruments) {
      const tr = document.createElement('tr');
      const cells = [instrument.place, instrument.name, String(instrument.zones.length),
        keySpans(instrument.zones), velocityLayers(instrument.zones)];
      for (const text of cells) {
        const td = document.createElement('td');
        td.textContent = text;
        tr.append(td);
      }
      const td = document.createElement('td');
      td.append(button('✕', 'Remove ' + instrument.place, () => this.remove(instrument.place)));
      tr.append(td);
      body.append(tr);
    }
  }
}
