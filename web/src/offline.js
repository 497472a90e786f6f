// Offline use: on http(s) the page registers its service worker (sw.js),
// which keeps the page's files. When the browser has installed a newer
// version beside the running one, the page says so; Reload lets the new
// worker take over and reloads the page with its files. A first visit,
// where the worker takes over the page at once, reloads nothing.
const notice = document.getElementById('update');
let reloading = false;

function offer(worker) {
  notice.hidden = false;
  document.getElementById('update-reload').onclick = () => {
    reloading = true;
    worker.postMessage('activate');
  };
}

function watch(worker) {
  worker?.addEventListener('statechange', () => {
    if (worker.state === 'installed' && navigator.serviceWorker.controller) offer(worker);
  });
}

if ('serviceWorker' in navigator && /^https?:$/.test(location.protocol)) {
  navigator.serviceWorker.addEventListener('controllerchange', () => {
    if (reloading) location.reload();
  });
  const registration = await navigator.serviceWorker.register('sw.js');
  if (registration.waiting && navigator.serviceWorker.controller) offer(registration.waiting);
  watch(registration.installing);
  registration.addEventListener('updatefound', () => watch(registration.installing));
  // A page left open looks for a newer version now and then (the browser
  // looks at each visit); offline the look fails, quietly.
  setInterval(() => registration.update().catch(() => {}), 60 * 60 * 1000);
}
