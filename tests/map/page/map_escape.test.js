// Texts the program writes into statements arrive in the page as the same texts, never as code: each
// statement written by the program's own escaping (escape_samples.json, made by the Wine test
// MapScriptText.HandsItsLiteralsToTheBrowserCheck) is run in both real pages as the program runs it.
'use strict';
const { it, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { launch, openPage, PAGES } = require('./browser');

const samples = JSON.parse(fs.readFileSync(path.join(process.env.MAP_TEST_OUT, 'escape_samples.json'), 'utf8'));

let browser;
before(async () => { browser = await launch(); });
after(async () => { if (browser) await browser.close(); });

for (const number of Object.keys(PAGES)) {
  it(`page ${number} receives every escaped text unchanged`, async () => {
    const { page, context } = await openPage(browser, number);
    try {
      await page.evaluate(() => { window.__got = []; window.__probe = (t) => window.__got.push(t); });
      for (const s of samples) await page.evaluate(s.statement);
      // Compared as UTF-16 code units, so that lone surrogates and pairs count exactly.
      const got = await page.evaluate(() => window.__got.map((t) => {
        const units = [];
        for (let i = 0; i < t.length; i++) units.push(t.charCodeAt(i));
        return units;
      }));
      assert.deepEqual(got, samples.map((s) => s.units));
      assert.equal(await page.evaluate(() => window.__pwned), undefined);
    } finally {
      await context.close();
    }
  });
}
