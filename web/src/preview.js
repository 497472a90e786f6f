// The preview: one voice at a time. Playing starts a new voice in place of
// the one sounding; stopping (Stop, New) silences it, and also a voice
// whose file is still being decoded, which then never starts.

// newContext() gives the AudioContext, made on the first play (a browser
// makes one only after a user's gesture).
export class Preview {
  constructor(newContext = () => new AudioContext()) {
    this.newContext = newContext;
    this.context = null;
    this.source = null;
    // Counts plays and stops: a decode that finishes after a later play or
    // stop belongs to a voice no longer wanted.
    this.turn = 0;
  }

  stop() {
    this.turn++;
    if (this.source) this.source.stop();
    this.source = null;
  }

  // Plays the entry's file once, or loops as the sampler loops it when
  // LoopSwitch is set: the whole sample (from its first word to its last),
  // or, with the file-metadata option, the file's loop (the sample ends at
  // its end). Resolves when the voice started or was given up.
  async play(entry) {
    this.stop();
    const turn = this.turn;
    if (!entry.file || !entry.facts.valid) return;
    this.context = this.context || this.newContext();
    let buffer;
    try {
      // A copy of the file's bytes ({ blob } read now, or { bytes }), which
      // decodeAudioData takes over; a stop while it is read wins.
      const bytes = entry.file.blob ? await entry.file.blob.arrayBuffer() : entry.file.bytes.slice(0);
      if (turn !== this.turn) return;
      buffer = await this.context.decodeAudioData(bytes);
    } catch {
      return; // A file the browser cannot play plays nothing, as in the window.
    }
    if (turn !== this.turn) return;
    const source = this.context.createBufferSource();
    source.buffer = buffer;
    const fileLoop = entry.facts.fileLoop;
    const rate = entry.facts.sampleRate;
    source.loop = entry.loop;
    source.loopStart = entry.loop && fileLoop ? fileLoop.start / rate : 0;
    source.loopEnd = entry.loop && fileLoop ? (fileLoop.end + 1) / rate : buffer.duration;
    source.connect(this.context.destination);
    source.start();
    this.source = source;
  }
}
