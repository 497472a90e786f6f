// Reads slices of the page's files for the engine's worker, on a thread of
// their own. A Blob read by the engine's worker itself moves on only while
// that worker is idle, that is, while the engine waits; read here, it moves
// on while the engine works, and arrives whole, in one message whose bytes
// are transferred, not copied.
// Request: { id, blob, start, end }; reply: { id, buffer } or { id, error }.
self.onmessage = async (event) => {
  const { id, blob, start, end } = event.data;
  try {
    const buffer = await blob.slice(start, end).arrayBuffer();
    self.postMessage({ id, buffer }, [buffer]);
  } catch (e) {
    self.postMessage({ id, error: String(e && e.message ? e.message : e) });
  }
};
