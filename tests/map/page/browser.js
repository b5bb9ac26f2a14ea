// Starts Debian's chromium headless and opens a map page with the fake host and the fake map service.
// The pages are served from an address the tests route themselves (nothing leaves the machine):
// https://app.quill.test/<103|381> gives the generated page in its own encoding, and the map script's
// address gives fake_maps.js.
'use strict';
const fs = require('node:fs');
const path = require('node:path');
const { chromium } = require('playwright-core');

const PAGES_DIR = process.env.MAP_PAGES_DIR;
if (!PAGES_DIR) throw new Error('MAP_PAGES_DIR names the folder of the generated map pages');

const PAGES = {
  103: { file: 'map103.html', kind: 'external', charset: 'utf-8' },
  381: { file: 'map381.html', kind: 'webview', charset: 'utf-16le' },
};

// Chromium's own profile goes to a fresh temporary folder (playwright makes one per launch); no
// network service, update or sync is started.
async function launch() {
  return chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
}

// Opens page 103 or 381; `scriptRequests` counts the requests of the map script, the next
// `failNext` of them fail as a broken connection would, and the next `silentNext` are answered with a
// script that never calls the page back (it only sets window.__silentScriptRan).
async function openPage(browser, number, { width = 640, height = 480 } = {}) {
  const spec = PAGES[number];
  const context = await browser.newContext({ viewport: { width, height } });
  const page = await context.newPage();
  const fakeHost = fs.readFileSync(path.join(__dirname, 'fake_host.js'), 'utf8')
    .replace('__HOST_KIND__', spec.kind);
  await page.addInitScript({ content: fakeHost });
  const loads = { scriptRequests: 0, failNext: 0, silentNext: 0 };
  await context.route('https://maps.quill.test/**', (route) => {
    loads.scriptRequests++;
    if (loads.failNext > 0) {
      loads.failNext--;
      route.abort('connectionfailed');
      return;
    }
    if (loads.silentNext > 0) {
      loads.silentNext--;
      route.fulfill({ contentType: 'text/javascript; charset=utf-8', body: 'window.__silentScriptRan = true;' });
      return;
    }
    // With its charset, as a web server sends it: a script without one would be read in the page's
    // own encoding, UTF-16 for page 381.
    route.fulfill({ contentType: 'text/javascript; charset=utf-8',
                    body: fs.readFileSync(path.join(__dirname, 'fake_maps.js')) });
  });
  await context.route('https://app.quill.test/**', (route) => {
    route.fulfill({ contentType: `text/html; charset=${spec.charset}`,
                    body: fs.readFileSync(path.join(PAGES_DIR, spec.file)) });
  });
  // Anything else would be the network: refuse it.
  await context.route((url) => !/^https:\/\/(app|maps)\.quill\.test\//.test(url.href) &&
                               !url.href.startsWith('data:'), (route) => route.abort());
  await page.goto(`https://app.quill.test/${number}`);
  return { page, context, loads };
}

// Brings the page online and waits until the fake map script has called loadLibs. The inputs hold a
// position as the program's first data exchange leaves them (without one the page polls no host).
async function bringOnline(page) {
  await page.evaluate(() => {
    for (const id of ['map_lat', 'map_lng']) document.getElementById(id).value = '0.000000';
    window.__host.online = true;
    show();
  });
  await page.waitForFunction(() => g_isInitConnect === true, null, { timeout: 20000 });
}

// Runs statements as the program does (one at a time, like ExecScript).
async function run(page, ...statements) {
  for (const s of statements) await page.evaluate(s);
}

module.exports = { launch, openPage, bringOnline, run, PAGES, PAGES_DIR };
