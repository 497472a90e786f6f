// How the page opens: from a file it says at once that it must be served
// and how; served, it asks for nothing that is not there (its icon
// included) and logs no error.
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { join } from 'node:path';
import { DIST, checkAccess, errorsOf, launch, serve } from './harness.mjs';

let server;
let chromium;
before(async () => {
  assert.ok(DIST, 'DORVANE_WEB_DIST names the built page');
  server = await serve();
  chromium = await launch();
});
after(async () => {
  await chromium?.close();
  server?.close();
});

test('opened from a file, the page says it must be served over http and how', async () => {
  const page = await chromium.browser.newPage();
  await page.goto('file://' + join(DIST, 'index.html'));
  const notice = await page.$eval('#served-only', (el) => ({ shown: el.checkVisibility(), text: el.textContent }));
  assert.equal(notice.shown, true);
  assert.match(notice.text, /http or https/);
  assert.match(notice.text, /python3 -m http\.server/);
  assert.equal(await page.$eval('main', (el) => el.checkVisibility()), false, 'controls that do nothing are shown');
  await checkAccess(page, 'the page opened from a file');
  await page.close();
});

test('served, the page has its icon, hides the notice and logs no error', async () => {
  const page = await chromium.browser.newPage();
  const failures = errorsOf(page);
  page.on('response', (r) => r.status() >= 400 && failures.push(r.status() + ' ' + r.url()));
  await page.goto(server.url);
  await page.waitForSelector('body[data-ready="true"]');
  const icon = await page.evaluate(async () => {
    const response = await fetch(document.querySelector('link[rel=icon]').href);
    return [response.status, response.headers.get('content-type')];
  });
  assert.deepEqual(icon, [200, 'image/svg+xml']);
  assert.equal(await page.$eval('#served-only', (el) => el.checkVisibility()), false);
  await checkAccess(page, 'the page as served');
  assert.deepEqual(failures, []);
  await page.close();
});
