// What the browser tests share: a static server over the built page, a
// headless chromium with a fresh profile whose downloads land in a folder,
// and waiting for a download to be complete.
import { createServer } from 'node:http';
import { mkdtempSync, readFileSync, readdirSync, rmSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { extname, join, normalize } from 'node:path';
import assert from 'node:assert/strict';
import { after, before } from 'node:test';
import puppeteer from 'puppeteer-core';
import { AxePuppeteer } from '@axe-core/puppeteer';

export const DIST = process.env.DORVANE_WEB_DIST;
export const CLI = process.env.DORVANE_CLI;
export const EXAMPLES = new URL('../../examples/', import.meta.url).pathname;

const TYPES = {
  '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm',
  '.svg': 'image/svg+xml', '.webmanifest': 'application/manifest+json',
};

// Serves root (the built page unless told) on a free port of 127.0.0.1;
// resolves to { url, close }.
export function serve(root = DIST) {
  const server = createServer((req, res) => {
    const path = normalize(decodeURIComponent(new URL(req.url, 'http://x').pathname));
    const file = join(root, path === '/' ? 'index.html' : path);
    try {
      const body = readFileSync(file);
      res.writeHead(200, { 'Content-Type': TYPES[extname(file)] || 'application/octet-stream' });
      res.end(body);
    } catch {
      res.writeHead(404);
      res.end();
    }
  });
  return new Promise((resolve) => {
    server.listen(0, '127.0.0.1', () =>
      resolve({
      url: `http://127.0.0.1:${server.address().port}/`,
      close: () => {
        server.close();
        server.closeAllConnections();
      },
    }));
  });
}

export async function launch() {
  const profile = mkdtempSync(join(tmpdir(), 'dorvane-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      `--user-data-dir=${profile}`],
  });
  return {
    browser,
    close: async () => {
      await browser.close();
      rmSync(profile, { recursive: true, force: true });
    },
  };
}

// A page on url whose downloads go to a fresh folder; page.messages() gives
// the messages shown, newest first.
// The downloads folders made so far; usePage removes them after its tests.
const downloadFolders = [];

export async function openPage(browser, url) {
  const page = await browser.newPage();
  const downloads = mkdtempSync(join(tmpdir(), 'dorvane-downloads-'));
  downloadFolders.push(downloads);
  const cdp = await page.createCDPSession();
  await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
  await page.goto(url);
  await page.waitForSelector('body[data-ready="true"]');
  // The service worker's first install takes the page over (clients.claim);
  // a file chooser opened while it does may not open: tests start after.
  await page.evaluate(() => navigator.serviceWorker?.ready);
  await page.waitForFunction(() => !navigator.serviceWorker || navigator.serviceWorker.controller, { timeout: 10000 })
    .catch(() => {});
  return { page, downloads };
}

// Resolves to the file chooser that act() opens. Interception is switched
// on, and known to be on, before act runs: a chooser opened while the
// switch is still on its way opens unseen.
export async function chooserOf(page, act, timeout = 10000) {
  await page._client().send('Page.setInterceptFileChooserDialog', { enabled: true });
  const [chooser] = await Promise.all([page.waitForFileChooser({ timeout }), act()]);
  return chooser;
}

// Waits until name is in folder and complete (no partial file left).
export async function waitForDownload(folder, name, timeoutMs = 30000) {
  const end = Date.now() + timeoutMs;
  while (Date.now() < end) {
    const names = readdirSync(folder);
    if (names.includes(name) && !names.some((n) => n.endsWith('.crdownload'))) {
      const size = statSync(join(folder, name)).size;
      await new Promise((r) => setTimeout(r, 100));
      if (statSync(join(folder, name)).size === size) return readFileSync(join(folder, name));
    }
    await new Promise((r) => setTimeout(r, 50));
  }
  throw new Error(`no download ${name} in ${folder}: ${readdirSync(folder).join(', ')}`);
}

export async function messages(page) {
  return page.$$eval('#messages li', (lis) => lis.map((li) => li.textContent));
}

export async function waitIdle(page) {
  await page.waitForFunction(() => !document.body.classList.contains('busy'));
}

// For a test file: a server and a chromium started before its tests and
// closed after them. Returns newPage(), an openPage on that server.
export function usePage() {
  let server;
  let chromium;
  before(async () => {
    assert.ok(DIST, 'DORVANE_WEB_DIST names the built page');
    assert.ok(CLI, 'DORVANE_CLI names dorvane-cli');
    server = await serve();
    chromium = await launch();
  });
  after(async () => {
    await chromium?.close();
    server?.close();
    for (const folder of downloadFolders.splice(0)) rmSync(folder, { recursive: true, force: true });
  });
  return () => openPage(chromium.browser, server.url);
}

// Collects page's console errors and uncaught exceptions into the array
// it returns, from now on.
export function errorsOf(page) {
  const errors = [];
  page.on('console', (m) => m.type() === 'error' && errors.push(m.text()));
  page.on('pageerror', (e) => errors.push(e.message));
  return errors;
}

// The table's row n (from 1).
export const row = (n) => `#entries tbody tr:nth-child(${n})`;

// Picks files and waits until the table has rows rows and the page is idle.
export async function addFiles(page, paths, rows) {
  await (await page.$('#pick-files')).uploadFile(...paths);
  await page.waitForFunction((n) => document.querySelectorAll('#entries tbody tr').length === n, {}, rows);
  await waitIdle(page);
}

// Runs axe-core on the page as it is now and fails, naming state, on any
// violation of the rules it runs by default (WCAG A and AA, best practice).
export async function checkAccess(page, state) {
  const { violations } = await new AxePuppeteer(page).analyze();
  const found = violations.map((v) => `${v.id} (${v.impact}): ${v.help}\n    ` +
    v.nodes.map((n) => n.target.join(' ') + ' ' + n.failureSummary.replace(/\s+/g, ' ')).join('\n    '));
  assert.ok(found.length === 0, `axe finds on ${state}:\n  ${found.join('\n  ')}`);
}
