// The engine's suspending entry against a stand-in for the browser's
// WebAssembly and for the module's factory: the read import asks whether
// to wait only inside a suspendable call, with the bytes the call reads,
// and reads once the wait is over; only the operations named "...Then" are
// entered through the promising boundary; a module that cannot be wrapped
// makes the worker fall back.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import vm from 'node:vm';

const SOURCE = readFileSync(new URL('../src/suspending.js', import.meta.url), 'utf8');

class FakeMemory {
  constructor() {
    this.buffer = new ArrayBuffer(1024);
  }
}
class FakeTable {
  constructor(fns) {
    this.fns = fns;
  }
  get(i) {
    return this.fns[i];
  }
  get length() {
    return this.fns.length;
  }
}

// A module of two operations, "make" (invoker 1) and "makeThen" (invoker 2),
// each reading fd 3 through the read import (two buffers of 10 and 30
// bytes); log records the reads and the calls through promising.
function world({ withJspi = true, readName = '_fd_read' } = {}) {
  const log = [];
  const memory = new FakeMemory();
  const bytes = new Uint8Array(memory.buffer);
  new TextEncoder().encodeInto('make\0makeThen\0', bytes.subarray(100));
  new Uint32Array(memory.buffer, 200, 4).set([300, 10, 400, 30]);
  const imports = {
    g: function __embind_register_function(name, argCount, argTypes, signature, invoker) {
      log.push(['register', invoker]);
    },
  };
  // The read import, named as the loader names it (or otherwise).
  imports.r = { [readName]: (fd) => log.push(['read', fd]) && 0 }[readName];
  const fns = [null, (x) => imports.r(3, 200, 2, 0) || x, async (onDone, x) => { await imports.r(3, 200, 2, 0); onDone(x * 2); }];
  const WebAssembly = {
    Memory: FakeMemory,
    Table: FakeTable,
    instantiateStreaming: async (response, info) => ({ instance: { exports: { m: memory, t: new FakeTable(fns) } }, module: {} }),
  };
  if (withJspi) {
    WebAssembly.Suspending = class { constructor(f) { return f; } };
    WebAssembly.promising = (f) => (...args) => { log.push(['promising']); return Promise.resolve(f(...args)); };
  }
  const context = { WebAssembly, TextDecoder, URL, location: { href: 'http://page/engine-worker.js' }, fetch: async () => ({}) };
  vm.runInNewContext(SOURCE, context);
  // The module's factory as the engine's loader calls the hook: imports
  // wrapped, then the instance received, then the bindings registered.
  const create = (options) => new Promise((resolve) => {
    const info = { a: imports };
    options.instantiateWasm(info, (instance) => {
      const table = instance.exports.t;
      info.a.g(100, 0, 0, 0, 1);
      info.a.g(105, 0, 0, 0, 2);
      resolve({ make: (x) => table.get(1)(x), makeThen: (onDone, x) => table.get(2)(onDone, x) });
    });
  });
  return { context, create, log };
}

const CASES = [
  { name: 'the plain operation reads without asking', op: 'make', wait: false, log: [['read', 3]] },
  { name: 'a suspendable one asks, then reads', op: 'makeThen', wait: false, log: [['promising'], ['prepare', 3, 40], ['read', 3]] },
  { name: 'a suspendable one waits, then reads', op: 'makeThen', wait: true, log: [['promising'], ['prepare', 3, 40], ['settled'], ['read', 3]] },
];

for (const c of CASES) {
  test(`the suspending entry: ${c.name}`, async () => {
    const w = world();
    const prepare = (fd, n) => {
      w.log.push(['prepare', fd, n]);
      return c.wait ? new Promise((r) => setImmediate(r)).then(() => w.log.push(['settled'])) : null;
    };
    const engine = w.context.suspendingEngine(w.create, prepare);
    const E = await engine.ready;
    w.log.length = 0;
    if (c.op === 'make') assert.equal(E.make(21), 21);
    else assert.equal(await engine.call(E.makeThen, 21), 42);
    assert.deepEqual(w.log, c.log);
  });
}

test('where suspending is missing or the module has no read import, the worker makes the engine as before', async () => {
  const plain = world({ withJspi: false });
  assert.equal(plain.context.suspendingEngine(plain.create, () => null), null);
  const odd = world({ readName: '_fd_pread' });
  await assert.rejects(odd.context.suspendingEngine(odd.create, () => null).ready);
});

test('a failing suspendable call rejects, and reads after it no longer ask', async () => {
  const w = world();
  let asked = 0;
  const engine = w.context.suspendingEngine(w.create, () => {
    asked++;
    return null;
  });
  const E = await engine.ready;
  await assert.rejects(engine.call(() => {
    throw new Error('trap');
  }));
  E.make(1);
  assert.equal(asked, 0);
});
