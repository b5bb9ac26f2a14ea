// The map page drawing the track of a generated recording with the fake map, saved as a picture
// (MAP_TEST_OUT/map_track_<page>.png) to look at: the track of the recording's main file with the most
// valid GPS points, blue up to the middle and red after it, the position marker and the event markers.
'use strict';
const { it, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { launch, openPage, bringOnline, run, PAGES } = require('./browser');

const RECORDINGS = process.env.QUILL_RECORDINGS;
const OUT = process.env.MAP_TEST_OUT;

// The records of the main camera file with the most valid points, from the generator's manifest.
function recordingTrack() {
  const lines = fs.readFileSync(path.join(RECORDINGS, 'manifest-records.tsv'), 'utf8').trim().split('\n');
  const columns = lines[0].split('\t');
  const col = (name) => columns.indexOf(name);
  const byPath = new Map();
  for (const line of lines.slice(1)) {
    const f = line.split('\t');
    if (!f[col('path')].endsWith('_M.MP4')) continue;
    if (!byPath.has(f[col('path')])) byPath.set(f[col('path')], []);
    byPath.get(f[col('path')]).push(f);
  }
  let best = null;
  for (const [file, rows] of byPath) {
    const valid = rows.filter((r) => r[col('valid')] === '1').length;
    if (!best || valid > best.valid) best = { file, rows, valid };
  }
  // As the program hands them over: position key = record number x 100.
  const points = best.rows.map((r) => [Number(r[col('latitude')]), Number(r[col('longitude')]),
                                       Number(r[col('k')]) * 100, Number(r[col('valid')])]);
  const events = best.rows.filter((r) => r[col('type')] !== '-1' && r[col('valid')] === '1')
    .map((r) => ({ key: Number(r[col('k')]) * 100, lat: Number(r[col('latitude')]),
                   lng: Number(r[col('longitude')]) }));
  return { file: best.file, points, events };
}

let browser;
before(async () => { browser = await launch(); });
after(async () => { if (browser) await browser.close(); });

for (const number of Object.keys(PAGES)) {
  it(`page ${number} draws a generated recording's track`, async () => {
    const { file, points, events } = recordingTrack();
    const valid = points.filter((p) => p[3]);
    assert.ok(valid.length >= 10, `${file} has ${valid.length} valid points`);
    const { page, context } = await openPage(browser, number, { width: 480, height: 560 });
    try {
      await bringOnline(page);
      const middle = valid[Math.floor(valid.length / 2)][2];
      await page.evaluate(({ points, middle }) => {
        __host.gps = points;
        __host.grid = points;
        __host.rel = String(middle);
      }, { points, middle });
      await run(page, 'cplist.ClearCrashPos()', 'orbitgrplist.RemoveLineList()', 'orbitgrplist.CreateLine()',
                'orbitgrplist.CreateGridLine(0)');
      const shown = events.length ? events : [{ key: valid[2][2], lat: valid[2][0], lng: valid[2][1] }];
      for (const e of shown.slice(0, 8)) {
        await run(page, `cplist.AddCrashPos(1,0.500000,0.100000,0.200000,0,0,${e.key},${e.lat.toFixed(6)},` +
                        `${e.lng.toFixed(6)},1,40.000000,0.000000)`);
      }
      const live = await page.evaluate(() => __live());
      const colours = new Set(live.filter((o) => o.kind === 'Polyline' && o.zIndex === 2).map((o) => o.strokeColor));
      assert.deepEqual([...colours].sort(), ['#0000FF', '#FF0000']);
      assert.ok(live.some((o) => o.kind === 'Marker' && o.icon));
      fs.mkdirSync(OUT, { recursive: true });
      await page.screenshot({ path: path.join(OUT, `map_track_${number}.png`) });
    } finally {
      await context.close();
    }
  });
}
