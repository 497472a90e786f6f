// The engine's output files kept as Blobs instead of in the worker's memory.
// A file is cut into pages of PAGE bytes: a page is held in memory while it
// is being written and becomes a Blob (whose bytes the browser keeps, in its
// blob store or on disk) once every byte of it was written. The KRZ builder
// writes a stereo entry's two channels at two places at once, so the pages
// between them wait in memory until both are done; everything before them
// is a Blob already. Reading a stored page loads it back whole, once, into a
// one-page cache; writing one (a header patched after its data) loads it
// back and stores it again. Bytes never written read as zero.
//
// A classic script for the worker (importScripts), also loadable by node's
// tests: it defines self.PagedFile, and self.usePagedFiles(FS) that makes
// every regular file the engine's memory file system creates from then on a
// PagedFile (or a file of the caller's, such as an OpfsFile, opfsfile.js).
/* eslint-env worker */
(function (root) {
  const PAGE = 4 * 1024 * 1024;

  // Adds [start, end) to ranges (sorted, disjoint, not touching).
  function addRange(ranges, start, end) {
    const out = [];
    let i = 0;
    while (i < ranges.length && ranges[i][1] < start) out.push(ranges[i++]);
    while (i < ranges.length && ranges[i][0] <= end) {
      start = Math.min(start, ranges[i][0]);
      end = Math.max(end, ranges[i][1]);
      i++;
    }
    out.push([start, end]);
    while (i < ranges.length) out.push(ranges[i++]);
    return out;
  }

  // io: { makeBlob(parts) -> Blob, readBlob(blob) -> Uint8Array } (in the
  // worker: the Blob constructor and FileReaderSync).
  class PagedFile {
    constructor(io, pageSize = PAGE) {
      this.io = io;
      this.pageSize = pageSize;
      this.size = 0;
      // index -> { bytes: Uint8Array, ranges } in memory, or { blob } stored.
      this.pages = new Map();
      this.cache = null; // { index, bytes } of a stored page
      // Buffers of pages stored since (the Blob took a copy), taken again
      // for the next pages instead of leaving them to the collector.
      this.spares = [];
    }

    newPage() {
      const bytes = this.spares.pop();
      return bytes ? bytes.fill(0) : new Uint8Array(this.pageSize);
    }

    // The page at index in memory, loaded back or made (zeros) as needed.
    memoryPage(index) {
      let page = this.pages.get(index);
      if (page && page.blob) {
        const bytes = this.newPage();
        bytes.set(this.io.readBlob(page.blob));
        page = { bytes, ranges: [[0, this.pageSize]] };
        this.pages.set(index, page);
      } else if (!page) {
        page = { bytes: this.newPage(), ranges: [] };
        this.pages.set(index, page);
      }
      if (this.cache && this.cache.index === index) this.cache = null;
      return page;
    }

    // Writes src (a Uint8Array) at position.
    write(src, position) {
      const P = this.pageSize;
      let done = 0;
      while (done < src.length) {
        const at = position + done;
        const index = Math.floor(at / P);
        const offset = at - index * P;
        const n = Math.min(P - offset, src.length - done);
        const page = this.memoryPage(index);
        page.bytes.set(src.subarray(done, done + n), offset);
        page.ranges = addRange(page.ranges, offset, offset + n);
        if (page.ranges[0][0] === 0 && page.ranges[0][1] === P) {
          this.pages.set(index, { blob: this.io.makeBlob([page.bytes]) });
          if (this.spares.length < 2) this.spares.push(page.bytes);
        }
        done += n;
      }
      this.size = Math.max(this.size, position + src.length);
    }

    // Reads up to dst.length bytes at position into dst; returns the count.
    read(dst, position) {
      const P = this.pageSize;
      const count = Math.max(0, Math.min(dst.length, this.size - position));
      let done = 0;
      while (done < count) {
        const at = position + done;
        const index = Math.floor(at / P);
        const offset = at - index * P;
        const n = Math.min(P - offset, count - done);
        const page = this.pages.get(index);
        let bytes = null;
        if (page && page.blob) {
          if (!this.cache || this.cache.index !== index)
            this.cache = { index, bytes: this.io.readBlob(page.blob) };
          bytes = this.cache.bytes;
        } else if (page) bytes = page.bytes;
        if (bytes) dst.set(bytes.subarray(offset, offset + n), done);
        else dst.fill(0, done, done + n);
        done += n;
      }
      return count;
    }

    // Cuts or lengthens the file to size bytes (new bytes read as zero).
    truncate(size) {
      const P = this.pageSize;
      for (const index of [...this.pages.keys()])
        if (index * P >= size) this.pages.delete(index);
      const index = Math.floor(size / P);
      const offset = size - index * P;
      if (offset > 0 && this.pages.has(index)) {
        const page = this.memoryPage(index);
        page.bytes.fill(0, offset);
        page.ranges = page.ranges.filter((r) => r[0] < offset).map((r) => [r[0], Math.min(r[1], offset)]);
      }
      this.cache = null;
      this.size = size;
    }

    // The whole file as one Blob (made of the stored pages, no copy of them).
    toBlob() {
      const P = this.pageSize;
      const parts = [];
      for (let index = 0; index * P < this.size; index++) {
        const length = Math.min(P, this.size - index * P);
        const page = this.pages.get(index);
        if (page && page.blob) parts.push(page.blob);
        else parts.push(page ? page.bytes.subarray(0, length) : new Uint8Array(length));
      }
      return this.io.makeBlob(parts);
    }
  }

  // Every regular file FS's MEMFS creates from now on is a PagedFile, or
  // what newFile(path) gives for it when that is not null (an object with
  // a PagedFile's size, read, write, truncate and toBlob): reads and writes
  // go through it, its size is MEMFS's usedBytes.
  function usePagedFiles(FS, io, newFile = () => null) {
    const MEMFS = FS.filesystems.MEMFS;
    const view = (buffer, offset, length) => new Uint8Array(buffer.buffer, buffer.byteOffset + offset, length);
    const nodeOps = {
      getattr: MEMFS.node_ops.getattr,
      setattr(node, attr) {
        if (attr.mode !== undefined) node.mode = attr.mode;
        if (attr.timestamp !== undefined) node.timestamp = attr.timestamp;
        if (attr.size !== undefined) {
          node.paged.truncate(attr.size);
          node.usedBytes = node.paged.size;
        }
      },
    };
    const streamOps = {
      llseek: MEMFS.stream_ops.llseek,
      read: (stream, buffer, offset, length, position) => stream.node.paged.read(view(buffer, offset, length), position),
      write(stream, buffer, offset, length, position) {
        const node = stream.node;
        node.paged.write(view(buffer, offset, length), position);
        node.usedBytes = node.paged.size;
        node.timestamp = Date.now();
        return length;
      },
      allocate(stream, offset, length) {
        const node = stream.node;
        if (offset + length > node.paged.size) node.paged.truncate(offset + length);
        node.usedBytes = node.paged.size;
      },
    };
    const createNode = MEMFS.createNode;
    MEMFS.createNode = function (parent, name, mode, dev) {
      const node = createNode.call(this, parent, name, mode, dev);
      if (FS.isFile(node.mode)) {
        node.node_ops = nodeOps;
        node.stream_ops = streamOps;
        const dir = FS.getPath(parent);
        node.paged = newFile((dir === '/' ? '' : dir) + '/' + name) || new PagedFile(io);
      }
      return node;
    };
  }

  root.PagedFile = PagedFile;
  root.usePagedFiles = usePagedFiles;
})(typeof self !== 'undefined' ? self : globalThis);
