// Renders the page with the example pool loaded (names, a loop, a root key
// and Info's report) to docs/screenshots/web-*.png, at a desktop's width and
// at a phone's (375 px, the whole page).
import { join } from 'node:path';
import { EXAMPLES, launch, openPage, serve, waitIdle } from './harness.mjs';

const OUT = new URL('../../docs/screenshots/', import.meta.url).pathname;
const server = await serve();
const chromium = await launch();
try {
  const { page } = await openPage(chromium.browser, server.url);
  await page.setViewport({ width: 1280, height: 900 });
  const wavs = ['bass.wav', 'pad.wav', 'pluck.wav', 'snare.wav'].map((n) => join(EXAMPLES, n));
  await (await page.$('#pick-files')).uploadFile(...wavs);
  await page.waitForFunction(() => document.querySelectorAll('#entries tbody tr').length === 4);
  await waitIdle(page);
  await page.type('#entries tbody tr:nth-child(1) input[data-field=keymapName]', 'Bass Map');
  await page.type('#entries tbody tr:nth-child(1) input[data-field=programName]', 'Bass');
  await page.click('#entries tbody tr:nth-child(2) input[data-field=loop]');
  await page.click('#entries tbody tr:nth-child(3) button[data-action=octave-down]');
  await page.click('#split');
  await page.screenshot({ path: join(OUT, 'web-page.png') });
  await page.click('#make');
  await waitIdle(page);
  await page.screenshot({ path: join(OUT, 'web-made.png') });
  // As tall as the page, so that the fixed footer stays at its foot.
  await page.setViewport({ width: 375, height: 800 });
  await page.setViewport({ width: 375, height: await page.evaluate(() => document.documentElement.scrollHeight) });
  await page.screenshot({ path: join(OUT, 'web-phone.png') });
} finally {
  await chromium.close();
  server.close();
}
