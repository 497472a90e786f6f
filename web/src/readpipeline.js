// Reads of the page's files ahead of the engine, for an engine that can
// wait for them (suspending.js). The job's files are read in their order
// in pieces of at most CHUNK bytes (a file's first piece from its start),
// at most AHEAD bytes of pieces held or being read at a time, from the
// piece the engine asks for on: the pieces it reads next are then most
// often read already, so reads overlap the engine's work and each other
// (made on a thread of their own, readOnThread: a read made by the
// engine's worker moves on only while the engine waits). A read outside the
// pieces ahead starts them again from there (the pieces before the one
// asked for are let go: the engine has moved on). Memory stays within
// AHEAD bytes whatever the files' sizes (small files make small pieces, so
// that more of them are read at once).
//
// A classic script for the worker (importScripts), also loadable by node's
// tests: it defines self.ReadPipeline and self.readOnThread.
(function (root) {
  const CHUNK = 4 * 1024 * 1024;
  const AHEAD = 16 * 1024 * 1024;

  // readAsync(blob, start, end) -> Promise<Uint8Array> of those bytes.
  class ReadPipeline {
    constructor(readAsync, chunk = CHUNK, ahead = AHEAD) {
      this.readAsync = readAsync;
      this.chunk = chunk;
      this.ahead = ahead;
      this.clear();
    }

    // The job's files in the order the engine is expected to read them;
    // skip(blob) says that a file needs no pieces (held whole elsewhere).
    start(blobs, skip = () => false) {
      this.files = [...new Set(blobs)];
      this.skip = skip;
      this.pieces = [];
    }

    clear() {
      this.start([]);
    }

    // Copies n bytes of blob at position into dst from pieces already
    // read; false (dst perhaps partly written) when some are not.
    copy(blob, dst, position, n) {
      for (let done = 0; done < n;) {
        const at = position + done;
        const p = this.pieces.find((q) => q.blob === blob && q.bytes && at >= q.start && at < q.end);
        if (!p) return false;
        const k = Math.min(n - done, p.end - at);
        dst.set(p.bytes.subarray(at - p.start, at - p.start + k), done);
        done += k;
      }
      return true;
    }

    // Before a read of n bytes of blob at position (n > 0, within the
    // blob): null when copy() will find them or they are too many for the
    // pieces, else a promise that settles once their pieces are read (or
    // have failed: copy() then returns false and the read is made as
    // without the pipeline). Moves the pipeline on to that place.
    prepare(blob, position, n) {
      if (n > this.chunk) return null;
      const first = position - (position % this.chunk);
      const k = this.pieces.findIndex((p) => p.blob === blob && p.start === first);
      if (k < 0) this.pieces = [this.piece(blob, first)];
      else this.pieces.splice(0, k);
      this.fill();
      const needed = this.pieces.filter((p) => p.blob === blob && p.start < position + n && p.end > position);
      if (needed.every((p) => p.bytes || p.failed)) return null;
      return Promise.all(needed.map((p) => p.done));
    }

    // Adds the pieces after the last one while they fit in ahead bytes.
    fill() {
      let held = this.pieces.reduce((n, p) => n + p.end - p.start, 0);
      for (;;) {
        const last = this.pieces[this.pieces.length - 1];
        const next = this.after(last.blob, last.start);
        if (!next) return;
        const n = Math.min(this.chunk, next.blob.size - next.start);
        if (held + n > this.ahead) return;
        held += n;
        this.pieces.push(this.piece(next.blob, next.start));
      }
    }

    // The place of the piece after blob's piece at start: the next piece
    // of blob, else the first of the next file that needs pieces.
    after(blob, start) {
      if (start + this.chunk < blob.size) return { blob, start: start + this.chunk };
      const i = this.files.indexOf(blob);
      if (i < 0) return null;
      const next = this.files.slice(i + 1).find((f) => f.size > 0 && !this.skip(f));
      return next ? { blob: next, start: 0 } : null;
    }

    piece(blob, start) {
      const p = { blob, start, end: Math.min(blob.size, start + this.chunk), bytes: null, failed: false };
      p.done = new Promise((resolve) => resolve(this.readAsync(blob, p.start, p.end))).then(
        (bytes) => {
          if (bytes.length === p.end - p.start) p.bytes = bytes;
          else p.failed = true;
        },
        () => {
          p.failed = true;
        });
      return p;
    }
  }

  // A readAsync whose reads are made on a thread of their own (the worker
  // script at url, readworker.js), so that they move on while the engine
  // works; null where no worker can be started here. Should that thread
  // fail, its reads fail (and are then made synchronously).
  function readOnThread(url) {
    if (typeof Worker !== 'function') return null;
    const reader = new Worker(url);
    const pending = new Map();
    let next = 1;
    reader.onmessage = ({ data }) => {
      const request = pending.get(data.id);
      pending.delete(data.id);
      if (data.error !== undefined) request.reject(new Error(data.error));
      else request.resolve(new Uint8Array(data.buffer));
    };
    reader.onerror = (event) => {
      event.preventDefault();
      for (const { reject } of pending.values()) reject(new Error(event.message));
      pending.clear();
    };
    return (blob, start, end) => new Promise((resolve, reject) => {
      const id = next++;
      pending.set(id, { resolve, reject });
      reader.postMessage({ id, blob, start, end });
    });
  }

  root.ReadPipeline = ReadPipeline;
  root.readOnThread = readOnThread;
})(typeof self !== 'undefined' ? self : globalThis);
