// Reads of the page's files (WORKERFS) through a small read-ahead. Each
// synchronous read of a File costs the worker a round trip to the browser
// (several milliseconds on a busy machine), and Make File reads each input
// in many pieces: its header in small reads, twice (planning, then checked
// again around its data), and its data in 256 KiB blocks. A small read
// loads the SMALL bytes from its place, a larger one STREAM bytes (the
// whole data of a 2 MB file in one round trip); the last SLOTS windows are
// kept, so that the header checked after the data is still there. Memory
// stays within SLOTS * STREAM bytes whatever the files' sizes.
//
// Before a job the worker reads the first SMALL bytes of its files with
// asynchronous reads, PARALLEL at a time (readHeads): these cost far less
// than a synchronous round trip each, and every small read within a file's
// head is then served from it for the whole job. At most HEADS bytes of
// heads are kept per job; files past that are read on demand.
//
// Where the engine can wait for a read (suspending.js), the read-ahead has
// a pipeline (readpipeline.js) reading the job's files ahead of it:
// prepare() tells the engine, before a read, whether to wait for it, and
// read() takes the bytes from the pipeline's pieces when they are there.
//
// A classic script for the worker (importScripts), also loadable by node's
// tests: it defines self.ReadAhead and self.useReadAhead(FS, readSlice).
(function (root) {
  const SMALL = 64 * 1024;
  const STREAM = 4 * 1024 * 1024;
  const SLOTS = 2;
  const HEADS = 16 * 1024 * 1024;
  const PARALLEL = 8;

  // readSlice(blob, start, end) -> Uint8Array of those bytes.
  class ReadAhead {
    constructor(readSlice, small = SMALL, stream = STREAM, slots = SLOTS) {
      this.readSlice = readSlice;
      this.small = small;
      this.stream = stream;
      this.slots = slots;
      this.windows = []; // { blob, start, bytes }, the last used first
      this.heads = new Map(); // blob -> its first bytes (at most small)
      this.pipeline = null; // a ReadPipeline where the engine can wait for reads
    }

    // Reads the first small bytes of each blob (the whole of a smaller one)
    // with readAsync(blob, start, end) -> Promise<Uint8Array>, at most
    // parallel reads at a time, keeping at most budget bytes of heads in
    // all (in the blobs' order; one that does not fit is read on demand).
    // A head that cannot be read is left to the reads on demand, which
    // report the failure where the engine reads the file.
    // The pipeline, if any, starts on the same files in the same order.
    async readHeads(blobs, readAsync, budget = HEADS, parallel = PARALLEL) {
      if (this.pipeline) this.pipeline.start(blobs, (blob) => this.heldWhole(blob));
      let held = 0;
      for (const head of this.heads.values()) held += head.length;
      const todo = [];
      for (const blob of new Set(blobs)) {
        const n = Math.min(this.small, blob.size);
        if (n === 0 || this.heads.has(blob) || held + n > budget) continue;
        held += n;
        todo.push(blob);
      }
      let next = 0;
      const reader = async () => {
        while (next < todo.length) {
          const blob = todo[next++];
          const n = Math.min(this.small, blob.size);
          try {
            const bytes = await readAsync(blob, 0, n);
            if (bytes.length === n) this.heads.set(blob, bytes);
          } catch {
            // Read on demand instead.
          }
        }
      };
      await Promise.all(Array.from({ length: Math.min(parallel, todo.length) }, reader));
    }

    // blob's head when it holds its n bytes at position, else null.
    headHolding(blob, position, n) {
      const head = this.heads.get(blob);
      return head && position + n <= head.length ? head : null;
    }

    // The index of the window holding blob's n bytes at position, or -1.
    windowHolding(blob, position, n) {
      return this.windows.findIndex((w) => w.blob === blob && position >= w.start && position + n <= w.start + w.bytes.length);
    }

    heldWhole(blob) {
      const head = this.heads.get(blob);
      return !!head && head.length === blob.size;
    }

    // Before a read of up to n bytes of blob at position: null when read()
    // will not wait for the browser, else a promise that settles once the
    // pipeline has read them.
    prepare(blob, position, n) {
      n = Math.max(0, Math.min(n, blob.size - position));
      if (n === 0 || !this.pipeline) return null;
      if (this.headHolding(blob, position, n) || this.windowHolding(blob, position, n) >= 0) return null;
      return this.pipeline.prepare(blob, position, n);
    }

    // Reads up to dst.length bytes of blob at position into dst; returns
    // the count (0 at or past the end).
    read(blob, dst, position) {
      const n = Math.max(0, Math.min(dst.length, blob.size - position));
      if (n === 0) return 0;
      const head = this.headHolding(blob, position, n);
      if (head) {
        dst.set(head.subarray(position, position + n));
        return n;
      }
      if (this.pipeline && this.pipeline.copy(blob, dst, position, n)) return n;
      if (n > this.stream) {
        dst.set(this.readSlice(blob, position, position + n));
        return n;
      }
      let k = this.windowHolding(blob, position, n);
      if (k < 0) {
        const end = Math.min(blob.size, position + (n > this.small ? this.stream : this.small));
        this.windows.unshift({ blob, start: position, bytes: this.readSlice(blob, position, end) });
        this.windows.length = Math.min(this.windows.length, this.slots);
        k = 0;
      } else if (k > 0) this.windows.unshift(...this.windows.splice(k, 1));
      const w = this.windows[0];
      dst.set(w.bytes.subarray(position - w.start, position - w.start + n));
      return n;
    }

    // Forgets every window and head (the job's files are gone).
    clear() {
      this.windows = [];
      this.heads.clear();
      if (this.pipeline) this.pipeline.clear();
    }
  }

  // WORKERFS's reads go through one ReadAhead; returns it.
  function useReadAhead(FS, readSlice) {
    const ahead = new ReadAhead(readSlice);
    FS.filesystems.WORKERFS.stream_ops.read = (stream, buffer, offset, length, position) =>
      ahead.read(stream.node.contents, new Uint8Array(buffer.buffer, buffer.byteOffset + offset, length), position);
    return ahead;
  }

  root.ReadAhead = ReadAhead;
  root.useReadAhead = useReadAhead;
})(typeof self !== 'undefined' ? self : globalThis);
