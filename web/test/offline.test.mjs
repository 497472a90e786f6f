// The page offline and installable: after one visit it opens and makes its
// file without a network, and it says when a newer version is ready. Each
// test serves its own copy of the built page, which it may change.
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { cpSync, mkdtempSync, readFileSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { CLI, DIST, EXAMPLES, addFiles, checkAccess, errorsOf, launch, openPage, serve, waitForDownload } from './harness.mjs';

let chromium;
before(async () => {
  assert.ok(DIST && CLI, 'DORVANE_WEB_DIST and DORVANE_CLI name the built page and dorvane-cli');
  chromium = await launch();
});
after(async () => chromium?.close());

// A first visit to a fresh copy of the page, returned once its service
// worker has taken the page over (its files are then in the cache).
async function firstVisit() {
  const root = mkdtempSync(join(tmpdir(), 'dorvane-page-'));
  cpSync(DIST, root, { recursive: true });
  const server = await serve(root);
  const { page, downloads } = await openPage(chromium.browser, server.url);
  await page.waitForFunction(() => navigator.serviceWorker.controller !== null);
  return { root, server, page, downloads };
}

const reloaded = async (page) => page.waitForSelector('body[data-ready="true"]');

test('after one visit the page opens and makes dorvane-cli\'s file offline, and can be installed', async () => {
  const { server, page, downloads } = await firstVisit();
  const cdp = await page.createCDPSession();
  assert.deepEqual((await cdp.send('Page.getInstallabilityErrors')).installabilityErrors, []);
  // Offline twice over: the server is gone and the page's network is off
  // (page.setOfflineMode throws here, on a worker's target).
  server.close();
  await cdp.send('Network.enable');
  await cdp.send('Network.emulateNetworkConditions', { offline: true, latency: 0, downloadThroughput: -1, uploadThroughput: -1 });
  const failures = errorsOf(page);
  await page.reload();
  await reloaded(page);
  const wavs = ['bass.wav', 'pad.wav'].map((n) => join(EXAMPLES, n));
  await addFiles(page, wavs, 2);
  await page.click('#make');
  const made = await waitForDownload(downloads, 'SAMPLES.KRZ');
  const dir = mkdtempSync(join(tmpdir(), 'dorvane-offline-'));
  execFileSync(CLI, ['make', '-o', 'SAMPLES.KRZ', ...wavs], { cwd: dir });
  assert.ok(made.equals(readFileSync(join(dir, 'SAMPLES.KRZ'))), 'offline, the page wrote other bytes');
  assert.deepEqual(failures, []);
  await page.close();
});

test('a newer version is announced once installed, and Reload brings it in', async () => {
  const { root, server, page } = await firstVisit();
  const cacheNames = () => page.evaluate(() => caches.keys());
  const [first] = await cacheNames();
  assert.equal(await page.$eval('#update', (el) => el.hidden), true);
  // A new build: the worker's version changes with the page's files.
  const sw = join(root, 'sw.js');
  writeFileSync(sw, readFileSync(sw, 'utf8').replace(/const VERSION = '[^']*'/, "const VERSION = 'next'"));
  await page.reload();
  await reloaded(page);
  await page.waitForSelector('#update:not([hidden])');
  assert.match(await page.$eval('#update', (el) => el.textContent), /^A new version of Dorvane is ready: reload to use it\./);
  assert.deepEqual(await cacheNames(), [first, 'dorvane-next']);
  await checkAccess(page, 'the update notice');
  await Promise.all([page.waitForNavigation(), page.click('#update-reload')]);
  await reloaded(page);
  assert.deepEqual(await cacheNames(), ['dorvane-next']);
  assert.equal(await page.$eval('#update', (el) => el.hidden), true);
  server.close();
  await page.close();
});
