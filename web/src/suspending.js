// Lets the engine wait for asynchronous reads of the page's files, where
// the browser can suspend WebAssembly (WebAssembly.Suspending and
// WebAssembly.promising): the engine's read import becomes one that may
// return a promise, and the operations bound with the suffix "Then"
// (engine.cpp: their result goes to a callback) are entered through a
// promising boundary. The module is instantiated here (instantiateWasm)
// so that both are wrapped before the engine first runs:
//   - the read import is found by its function's name, _fd_read; before it
//     reads, prepare(fd, bytes) may return a promise (the bytes are being
//     read ahead), and the read then happens once it settles;
//   - the registration of an embind function is watched for the names
//     ending in "Then", and the table entries of their invokers are handed
//     to embind wrapped by WebAssembly.promising.
// Elsewhere (other browsers, node) suspendingEngine returns null, and its
// ready promise fails where the module cannot be wrapped: the worker then
// makes the engine as before and it reads synchronously.
//
// A classic script for the worker (importScripts); defines
// self.suspendingEngine.
(function (root) {
  const SUFFIX = 'Then';

  function cString(memory, ptr) {
    const bytes = new Uint8Array(memory.buffer, ptr);
    let end = 0;
    while (bytes[end] !== 0) end++;
    return new TextDecoder().decode(bytes.subarray(0, end));
  }

  // The table as embind sees it: the entries of the invokers in wrapped
  // are the suspendable calls (each call's promise goes to state.running).
  function tableView(table, wrapped, state) {
    const entries = new Map();
    return {
      get(i) {
        if (!wrapped.has(i)) return table.get(i);
        if (!entries.has(i)) {
          const call = WebAssembly.promising(table.get(i));
          entries.set(i, (...args) => {
            state.running = call(...args);
          });
        }
        return entries.get(i);
      },
      set: (i, f) => table.set(i, f),
      grow: (n) => table.grow(n),
      get length() {
        return table.length;
      },
    };
  }

  // The engine's module from beside this script (as a served file, else,
  // served as another type, from its bytes).
  function instantiate(imports) {
    const url = new URL('dorvane-engine.wasm', root.location.href);
    const get = () => fetch(url, { credentials: 'same-origin' });
    return WebAssembly.instantiateStreaming(get(), imports)
      .catch(() => get().then((response) => response.arrayBuffer()).then((bytes) => WebAssembly.instantiate(bytes, imports)));
  }

  // create: the module's factory (createDorvaneEngine); prepare(fd, bytes)
  // -> null or a promise, asked before each read made inside a call().
  // Returns null where suspending is not available, else
  //   { ready: Promise<module>, call(fn, ...args) -> Promise<result> }
  // where fn is one of the module's "...Then" operations.
  function suspendingEngine(create, prepare) {
    if (typeof WebAssembly.Suspending !== 'function' || typeof WebAssembly.promising !== 'function') return null;
    const state = { memory: null, running: null, inCall: false };
    const wrapped = new Set();
    const instantiateWasm = (info, receive) => {
      const imports = Object.values(info)[0];
      const named = (name) => Object.keys(imports).find((k) => typeof imports[k] === 'function' && imports[k].name === name);
      const readKey = named('_fd_read');
      const registerKey = named('__embind_register_function');
      if (!readKey || !registerKey) {
        fail(new Error('the engine module has no read import to wrap'));
        return {};
      }
      const read = imports[readKey];
      const register = imports[registerKey];
      imports[readKey] = new WebAssembly.Suspending((fd, iov, iovcnt, pnum) => {
        let wait = null;
        if (state.inCall) {
          const words = new Uint32Array(state.memory.buffer, iov, iovcnt * 2);
          let bytes = 0;
          for (let i = 0; i < iovcnt; i++) bytes += words[2 * i + 1];
          wait = prepare(fd, bytes);
        }
        return wait ? wait.then(() => read(fd, iov, iovcnt, pnum)) : read(fd, iov, iovcnt, pnum);
      });
      imports[registerKey] = (name, argCount, argTypes, signature, invoker, fn) => {
        if (cString(state.memory, name).endsWith(SUFFIX)) wrapped.add(invoker);
        return register(name, argCount, argTypes, signature, invoker, fn);
      };
      instantiate(info).then(({ instance, module }) => {
        const exports = { ...instance.exports };
        for (const [key, value] of Object.entries(exports)) {
          if (value instanceof WebAssembly.Memory) state.memory = value;
          if (value instanceof WebAssembly.Table) exports[key] = tableView(value, wrapped, state);
        }
        receive({ exports }, module);
      }).catch(fail);
      return {};
    };
    let fail;
    const failed = new Promise((resolve, reject) => {
      fail = reject;
    });
    return {
      ready: Promise.race([create({ instantiateWasm }), failed]),
      // One call at a time (the worker runs one job at a time).
      async call(fn, ...args) {
        let result;
        state.inCall = true;
        try {
          fn((value) => {
            result = value;
          }, ...args);
          await state.running;
        } finally {
          state.inCall = false;
          state.running = null;
        }
        return result;
      },
    };
  }

  root.suspendingEngine = suspendingEngine;
})(typeof self !== 'undefined' ? self : globalThis);
