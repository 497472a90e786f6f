// The engine's output files written straight to disk: files of the origin
// private file system written through synchronous access handles, so that
// an output goes back to the page as a disk-backed File (getFile(): no copy
// of its bytes in memory, in the worker or the browser).
//
// The engine is synchronous and a sync access handle is opened
// asynchronously, so the handles are opened before an operation runs (a
// few: SPARES) and given to the first files the operation creates; later
// files stay PagedFiles (pagedfile.js). An OpfsFile has a PagedFile's face
// (size, read, write, truncate, toBlob), so renames, a header patched and
// read again, and truncation work alike. A write the disk refuses (quota
// exceeded, or any other failure) moves the bytes written so far into a
// PagedFile, which takes the write and every one after: an operation never
// fails because of the disk.
//
// Where the files live and for how long (OpfsJobs):
// - Each worker works in a folder of its own, "dorvane-jobs-<random>", and
//   holds a Web Lock of that name for its life. At start it removes the
//   folders of other names whose lock it can take: their page is closed.
//   A folder is made only once its lock is held, so a live page's folder
//   is never taken for a closed one's. Without Web Locks a closed page's
//   folder could never be told from a live one's, so files would pile up:
//   there the page keeps its outputs as PagedFiles.
// - The page uses an operation's outputs as soon as it has them (a
//   download of the File, or a zip made of them), and keeps none after;
//   a download goes on reading the file after the page let go of it. So a
//   job's files are removed when the job after the next one that writes
//   outputs starts: the download of one output has that whole next
//   operation to finish, and the disk holds at most two operations'
//   outputs. Files an operation made but did not send back (a temporary
//   file, a failed operation's) are removed when it ends.
//
// A classic script for the worker (importScripts), also loadable by node's
// tests: it defines self.OpfsFile and self.OpfsJobs.
/* eslint-env worker */
(function (root) {
  const SPARES = 4;
  const PREFIX = 'dorvane-jobs-';
  const MOVE_CHUNK = 4 * 1024 * 1024;

  // entry: { name, file: FileSystemFileHandle, sync: its sync access
  // handle }; newPaged() makes the PagedFile that takes over after a
  // failed write.
  class OpfsFile {
    constructor(entry, newPaged) {
      this.entry = entry;
      this.newPaged = newPaged;
      this.paged = null; // set once the disk refused a write
      this.length = 0;
      this.sent = null; // the promise of toBlob(), once asked
    }

    get size() {
      return this.paged ? this.paged.size : this.length;
    }

    // Whether the bytes are still on disk (no write was refused).
    get onDisk() {
      return this.paged === null;
    }

    // Writes src (a Uint8Array) at position.
    write(src, position) {
      if (this.paged === null) {
        try {
          const n = this.entry.sync.write(src, { at: position });
          if (n !== src.length) throw new Error('short write');
          this.length = Math.max(this.length, position + src.length);
          return;
        } catch {
          this.moveToMemory();
        }
      }
      this.paged.write(src, position);
    }

    // Reads up to dst.length bytes at position into dst; returns the count.
    read(dst, position) {
      if (this.paged) return this.paged.read(dst, position);
      const count = Math.max(0, Math.min(dst.length, this.length - position));
      if (count === 0) return 0;
      let done = 0;
      while (done < count) {
        const n = this.entry.sync.read(dst.subarray(done, count), { at: position + done });
        if (n <= 0) break;
        done += n;
      }
      // Bytes never written read as zero (a hole left by a seek).
      dst.fill(0, done, count);
      return count;
    }

    // Cuts or lengthens the file to size bytes (new bytes read as zero).
    truncate(size) {
      if (this.paged === null) {
        try {
          this.entry.sync.truncate(size);
          this.length = size;
          return;
        } catch {
          this.moveToMemory();
        }
      }
      this.paged.truncate(size);
    }

    // The disk refused a change: the bytes written so far go to a
    // PagedFile, the handle is closed (its file is removed with the job's).
    moveToMemory() {
      const paged = this.newPaged();
      const chunk = new Uint8Array(Math.min(MOVE_CHUNK, Math.max(1, this.length)));
      for (let at = 0; at < this.length; at += chunk.length) {
        const part = chunk.subarray(0, Math.min(chunk.length, this.length - at));
        this.read(part, at);
        paged.write(part, at);
      }
      if (paged.size < this.length) paged.truncate(this.length);
      this.paged = paged;
      this.close();
    }

    // Closes the handle (idempotent).
    close() {
      if (!this.entry.sync) return;
      try {
        this.entry.sync.flush();
        this.entry.sync.close();
      } catch {
        // Closing a handle whose file is gone: nothing left to keep.
      }
      this.entry.sync = null;
    }

    // The whole file as a Blob: the disk file as a File once its handle is
    // closed (the handle holds the file's lock until then), or the
    // PagedFile's Blob. Asked twice, the same.
    toBlob() {
      if (!this.sent) {
        this.sent = (async () => {
          if (this.paged) return this.paged.toBlob();
          this.close();
          return this.entry.file.getFile();
        })();
      }
      return this.sent;
    }
  }

  // The worker's folder in the origin private file system and its jobs'
  // files. open() resolves to null where a disk file cannot be written
  // through a sync access handle (no OPFS, as on plain http; no sync
  // handles; no Web Locks; a private window that refuses storage): outputs
  // are PagedFiles there.
  class OpfsJobs {
    // dir: the worker's folder (FileSystemDirectoryHandle).
    constructor(dir, newPaged, spares = SPARES) {
      this.dir = dir;
      this.newPaged = newPaged;
      this.count = spares;
      this.spares = []; // opened entries not given to a file yet
      this.next = 0;
      this.job = null; // { under, files: [OpfsFile] } while one runs
      this.kept = []; // per finished job, the names of the files it sent
    }

    static async open(newPaged, env = root) {
      const storage = env.navigator && env.navigator.storage;
      const locks = env.navigator && env.navigator.locks;
      if (!storage || !storage.getDirectory || !locks || !env.FileSystemFileHandle ||
        !env.FileSystemFileHandle.prototype.createSyncAccessHandle) return null;
      try {
        const top = await storage.getDirectory();
        const name = PREFIX + Math.random().toString(36).slice(2) + Date.now().toString(36);
        await new Promise((held, refused) => {
          locks.request(name, () => {
            held();
            return new Promise(() => {});
          }).catch(refused);
        });
        // Not waited for: the engine need not wait for another page's files.
        removeClosedPages(top, locks, name).catch(() => {});
        const jobs = new OpfsJobs(await top.getDirectoryHandle(name, { create: true }), newPaged);
        // Older browsers' handles answer with promises: not synchronous.
        const probe = await jobs.openEntry();
        const synchronous = typeof probe.sync.getSize() === 'number';
        jobs.spares.push(probe);
        return synchronous ? jobs : null;
      } catch {
        return null;
      }
    }

    async openEntry() {
      const name = 'f' + this.next++;
      const file = await this.dir.getFileHandle(name, { create: true });
      return { name, file, sync: await file.createSyncAccessHandle() };
    }

    // Before an operation that writes outputs under the folder under:
    // removes the files of jobs before the previous one and opens handles
    // for the first files the operation creates there.
    async begin(under) {
      while (this.kept.length > 1) await this.remove(this.kept.shift());
      const opened = [];
      for (let k = this.spares.length; k < this.count; k++) opened.push(this.openEntry());
      // A handle the disk refuses (full, or storage cleared) is one file
      // fewer on disk: the operation goes on with PagedFiles.
      for (const r of await Promise.allSettled(opened)) if (r.status === 'fulfilled') this.spares.push(r.value);
      this.job = { under, files: [] };
    }

    // A disk file for a file the engine creates at path, or null (no job,
    // not under the job's folder, no handle left).
    take(path) {
      const job = this.job;
      if (!job || !path.startsWith(job.under + '/') || this.spares.length === 0) return null;
      const file = new OpfsFile(this.spares.shift(), this.newPaged);
      job.files.push(file);
      return file;
    }

    // After the operation (its outputs' toBlob() done): the files it sent
    // from disk are kept, every other one is closed and removed; handles
    // never given stay open for the next operation.
    async end() {
      const job = this.job;
      this.job = null;
      if (!job) return;
      const keep = [];
      const drop = [];
      for (const file of job.files) {
        file.close();
        (file.sent && file.onDisk ? keep : drop).push(file.entry.name);
      }
      this.kept.push(keep);
      await this.remove(drop);
    }

    async remove(names) {
      for (const name of names) {
        try {
          await this.dir.removeEntry(name);
        } catch {
          // Already gone, or still read by the browser: left to the next
          // page's start.
        }
      }
    }
  }

  // Removes the folders of other workers whose lock is free: their pages
  // are closed.
  async function removeClosedPages(top, locks, own) {
    const names = [];
    for await (const [name, handle] of top.entries())
      if (handle.kind === 'directory' && name.startsWith(PREFIX) && name !== own) names.push(name);
    for (const name of names) {
      await locks.request(name, { ifAvailable: true }, async (lock) => {
        if (lock) await top.removeEntry(name, { recursive: true }).catch(() => {});
      });
    }
  }

  root.OpfsFile = OpfsFile;
  root.OpfsJobs = OpfsJobs;
})(typeof self !== 'undefined' ? self : globalThis);
