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
// A classic script for the worker (importScripts), also loadable by node's
// tests: it defines self.ReadAhead and self.useReadAhead(FS, readSlice).
(function (root) {
  const SMALL = 64 * 1024;
  const STREAM = 4 * 1024 * 1024;
  const SLOTS = 2;

  // readSlice(blob, start, end) -> Uint8Array of those bytes.
  class ReadAhead {
    constructor(readSlice, small = SMALL, stream = STREAM, slots = SLOTS) {
      this.readSlice = readSlice;
      this.small = small;
      this.stream = stream;
      this.slots = slots;
      this.windows = []; // { blob, start, bytes }, the last used first
    }

    // Reads up to dst.length bytes of blob at position into dst; returns
    // the count (0 at or past the end).
    read(blob, dst, position) {
      const n = Math.max(0, Math.min(dst.length, blob.size - position));
      if (n === 0) return 0;
      if (n > this.stream) {
        dst.set(this.readSlice(blob, position, position + n));
        return n;
      }
      let k = this.windows.findIndex((w) => w.blob === blob && position >= w.start && position + n <= w.start + w.bytes.length);
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

    // Forgets every window (the job's files are gone).
    clear() {
      this.windows = [];
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
