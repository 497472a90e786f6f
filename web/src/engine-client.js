// The page's side of the engine worker: one promise per request, progress
// through a callback. A reply is
//   { result: { ok, text, messages, ... }, outputs: [{ name, blob }] },
// each output a Blob whose bytes the browser keeps (read it with
// blob.arrayBuffer() or offer it as a download as it is).
export class EngineClient {
  constructor(url = 'engine-worker.js') {
    this.worker = new Worker(url);
    this.nextId = 1;
    this.pending = new Map();
    this.worker.onmessage = (event) => this.onMessage(event.data);
    this.worker.onerror = (event) => {
      for (const { reject } of this.pending.values()) reject(new Error(event.message));
      this.pending.clear();
    };
  }

  onMessage(data) {
    const request = this.pending.get(data.id);
    if (!request) return;
    if (data.progress) {
      if (request.onProgress) request.onProgress(data.progress);
      return;
    }
    this.pending.delete(data.id);
    if (data.error) request.reject(new Error(data.error));
    else request.resolve({ result: data.result, outputs: data.outputs });
  }

  // files: [{ name, blob }] (a File or Blob, which the engine reads where
  // it lies) or [{ name, bytes: ArrayBuffer }] (copied).
  call(op, args, files = [], onProgress = null) {
    const id = this.nextId++;
    const inputs = files.map((f) => ({ name: f.name, blob: f.blob || new Blob([f.bytes]) }));
    return new Promise((resolve, reject) => {
      this.pending.set(id, { resolve, reject, onProgress });
      this.worker.postMessage({ id, op, args, files: inputs });
    });
  }
}
