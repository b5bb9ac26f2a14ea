// The map page script in a real browser (headless chromium), in both generated pages, against the fake
// map service and a fake host. The program's statements are run exactly as the program writes them.
'use strict';
const { describe, it, before, after, beforeEach, afterEach } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { launch, openPage, bringOnline, run, PAGES, PAGES_DIR } = require('./browser');

const BLUE = '#0000FF';
const RED = '#FF0000';

// A track of three stretches (keys 0..80 step 10): points 0-2, a jump, 3-5, a jump, 6-8.
function track() {
  const pts = [];
  const base = [[35.0, 139.0], [35.0005, 139.0], [35.001, 139.0],
                [35.01, 139.0], [35.0105, 139.0], [35.011, 139.0],
                [35.02, 139.0], [35.0205, 139.0], [35.021, 139.0]];
  base.forEach(([lat, lng], i) => pts.push([lat, lng, i * 10, 1]));
  return pts;
}

const RESET_TRACK = ['cplist.ClearCrashPos()', 'orbitgrplist.RemoveLineList()', 'orbitgrplist.CreateLine()',
                     'orbitgrplist.CreateGridLine(2)'];

function lines(live, zIndex) {
  return live.filter((o) => o.kind === 'Polyline' && o.zIndex === zIndex)
    .map((o) => ({ color: o.strokeColor, opacity: o.strokeOpacity, from: o.path[0], n: o.path.length }));
}

let browser;
before(async () => { browser = await launch(); });
after(async () => { if (browser) await browser.close(); });

for (const number of Object.keys(PAGES)) {
  describe(`page ${number}`, () => {
    let page, context, loads;
    beforeEach(async () => { ({ page, context, loads } = await openPage(browser, number)); });
    afterEach(async () => { await context.close(); });

    it('loads the map script only while the host is online, and the library only once per page', async () => {
      await page.evaluate(() => {
        for (const id of ['map_lat', 'map_lng']) document.getElementById(id).value = '0.000000';
        show();
        show();
      });
      assert.equal(loads.scriptRequests, 0);
      assert.equal(await page.evaluate(() => document.querySelectorAll('head script[src]').length), 0);

      await bringOnline(page);
      const src = await page.evaluate(() => Array.from(document.querySelectorAll('head script[src]'),
                                                        (s) => s.src));
      assert.deepEqual(src, ['https://maps.quill.test/maps/api/js?key=TESTKEY&v=3&sensor=false&callback=loadLibs']);
      assert.equal(await page.evaluate(() => __host.calls.filter((c) => c[0] === 'OnInitHtml').length), 1);
      const map = await page.evaluate(() => __mapLog.find((e) => e.type === 'Map'));
      assert.deepEqual([map.zoom, map.mapTypeId, map.streetViewControl, map.scaleControl, map.fullscreenControl],
                       [16, 'roadmap', true, true, false]);
      assert.deepEqual(map.center, number === '103' ? [-90, 0] : [0, 0]);

      // Offline with a position in the inputs: the map and its script are forgotten ...
      await page.evaluate(() => {
        __host.online = false;
        document.getElementById('map_lat').value = '35.000000';
        document.getElementById('map_lng').value = '139.000000';
        show();
      });
      assert.deepEqual(await page.evaluate(() => [g_map, g_isInitConnect,
                                                  document.querySelectorAll('head script[src]').length]),
                       [null, false, 0]);
      // ... and made again from the library the page already holds when the host is back: no second
      // load of the library into the same page.
      await bringOnline(page);
      await page.evaluate(() => { show(); show(); });
      assert.equal(loads.scriptRequests, 1);
      assert.equal(await page.evaluate(() => document.querySelectorAll('head script[src]').length), 0);
      assert.equal(await page.evaluate(() => __mapLog.filter((e) => e.type === 'Map').length), 2);
      assert.equal(await page.evaluate(() => __host.calls.filter((c) => c[0] === 'OnInitHtml').length), 2);
    });

    it('tries a failed load of the map script again while online', async () => {
      loads.failNext = 1;
      await page.evaluate(() => {
        for (const id of ['map_lat', 'map_lng']) document.getElementById(id).value = '0.000000';
        __host.online = true;
        show();
      });
      // The failed request gives the next poll a free hand ...
      await page.waitForFunction(() => g_isStartInitConnect === false && g_script === null, null, { timeout: 20000 });
      assert.equal(await page.evaluate(() => document.querySelectorAll('head script[src]').length), 0);
      // ... which loads the script and makes the map.
      await bringOnline(page);
      assert.equal(loads.scriptRequests, 2);
      assert.equal(await page.evaluate(() => document.querySelectorAll('head script[src]').length), 1);
    });

    it('tries a map script that loaded but never called back again while online', async () => {
      loads.silentNext = 1;
      await page.evaluate(() => {
        for (const id of ['map_lat', 'map_lng']) document.getElementById(id).value = '0.000000';
        __host.online = true;
        show();
      });
      await page.waitForFunction(() => window.__silentScriptRan === true, null, { timeout: 20000 });
      // Within the wait the page leaves the load alone ...
      await page.evaluate(() => show());
      assert.equal(loads.scriptRequests, 1);
      assert.equal(await page.evaluate(() => g_isStartInitConnect), true);
      // ... past it, the next poll while online loads the script again and makes the map.
      await page.evaluate(() => { g_scriptAddedAt -= kMapScriptWaitMs; });
      await bringOnline(page);
      assert.equal(loads.scriptRequests, 2);
      assert.equal(await page.evaluate(() => document.querySelectorAll('head script[src]').length), 1);
    });

    it('stays without a map when the host knows no map address', async () => {
      await page.evaluate(() => {
        for (const id of ['map_lat', 'map_lng']) document.getElementById(id).value = '0.000000';
        __host.mapUrl = '';
        __host.online = true;
        show();
      });
      assert.equal(await page.evaluate(() => document.querySelectorAll('head script[src]').length), 0);
      assert.equal(await page.evaluate(() => g_isStartInitConnect), false);
    });

    it('draws nothing before the map is ready', async () => {
      await page.evaluate((pts) => { __host.grid = pts; __host.gps = pts; __host.rel = '40'; }, track());
      await run(page, ...RESET_TRACK, 'cplist.AddCrashPos(1,0.5,0.1,0.2,0,2,40,35.0105,139.0,1,42.0,0.0)',
                'orbitgrplist.MoveMarker()');
      assert.deepEqual(await page.evaluate(() => window.__live ? __live() : []), []);
    });

    it('draws the track in segments, blue behind the position and red ahead', async () => {
      await bringOnline(page);
      await page.evaluate((pts) => { __host.grid = pts; __host.gps = pts; __host.rel = '-1'; }, track());
      await run(page, ...RESET_TRACK);
      const whole = lines(await page.evaluate(() => __live()), 1);
      assert.deepEqual(whole, [{ color: RED, opacity: 0.5, from: [35.0, 139.0], n: 3 },
                               { color: RED, opacity: 0.5, from: [35.01, 139.0], n: 3 },
                               { color: RED, opacity: 0.5, from: [35.02, 139.0], n: 3 }]);
      const gridArg = await page.evaluate(() => __host.calls.find((c) => c[0] === 'GetGridData')[1]);
      assert.equal(gridArg, number === '103' ? '2' : 0);

      // position key -> progress lines (z-index 2) and where the marker stands
      const cases = [
        { rel: 40, marker: [35.01, 139.0], progress: [  // key 40 is point 4; the point before it: 3
          { color: BLUE, opacity: 1, from: [35.0, 139.0], n: 3 },
          { color: BLUE, opacity: 1, from: [35.01, 139.0], n: 1 },
          { color: RED, opacity: 0.9, from: [35.01, 139.0], n: 3 },
          { color: RED, opacity: 0.9, from: [35.02, 139.0], n: 3 }] },
        { rel: 45, marker: [35.0105, 139.0], progress: [
          { color: BLUE, opacity: 1, from: [35.0, 139.0], n: 3 },
          { color: BLUE, opacity: 1, from: [35.01, 139.0], n: 2 },
          { color: RED, opacity: 0.9, from: [35.0105, 139.0], n: 2 },
          { color: RED, opacity: 0.9, from: [35.02, 139.0], n: 3 }] },
        { rel: 999, marker: [35.021, 139.0], progress: [  // past the end: the last point
          { color: BLUE, opacity: 1, from: [35.0, 139.0], n: 3 },
          { color: BLUE, opacity: 1, from: [35.01, 139.0], n: 3 },
          { color: BLUE, opacity: 1, from: [35.02, 139.0], n: 3 }] },
      ];
      for (const c of cases) {
        await page.evaluate((rel) => { __host.rel = String(rel); }, c.rel);
        await run(page, 'orbitgrplist.MoveMarker()');
        const live = await page.evaluate(() => __live());
        const progress = lines(live, 2).sort((a, b) => (a.color === b.color ? a.from[0] - b.from[0] :
                                                                                a.color === BLUE ? -1 : 1));
        assert.deepEqual(progress, c.progress, `position ${c.rel}`);
        const markers = live.filter((o) => o.kind === 'Marker' && !o.icon);
        const plainMarkers = number === '381' ? 2 : 1;  // page 381 also keeps the marker at the start centre
        assert.equal(markers.length, plainMarkers, `position ${c.rel}`);
        assert.deepEqual(markers[markers.length - 1].position, c.marker, `position ${c.rel}`);
        const pan = await page.evaluate(() => __mapLog.filter((e) => e.type === 'panTo').pop());
        assert.deepEqual(pan.position, c.marker);
      }
    });

    it('a new recording replaces the old track', async () => {
      await bringOnline(page);
      await page.evaluate((pts) => { __host.grid = pts; __host.gps = pts; __host.rel = '0'; }, track());
      await run(page, ...RESET_TRACK);
      await page.evaluate(() => { __host.gps = [[36.0, 140.0, 0, 1], [36.0001, 140.0, 10, 1]];
                                  __host.grid = __host.gps; });
      await run(page, ...RESET_TRACK);
      const live = await page.evaluate(() => __live());
      assert.deepEqual(lines(live, 1), [{ color: RED, opacity: 0.5, from: [36.0, 140.0], n: 2 }]);
    });

    it('cuts the track where points are far apart, by the cosine of the latitude', async () => {
      const cases = [  // points, expected [start, end] of each segment
        { pts: [[0, 0], [0.002, 0], [0.004, 0]], groups: [[0, 0], [1, 1], [2, 2]] },
        { pts: [[0, 0], [0.001, 0], [0.002, 0]], groups: [[0, 2]] },
        { pts: [[60, 0], [60, 0.0025]], groups: [[0, 1]] },        // 0.0025 x cos 60 = 0.00125
        { pts: [[0, 0], [0, 0.0025]], groups: [[0, 0], [1, 1]] },
        { pts: [], groups: [] },
      ];
      for (const c of cases) {
        const got = await page.evaluate((pts) => {
          const l = new PointList();
          l.points = pts.map((p) => ({ lat: () => p[0], lng: () => p[1] }));
          return GetOrbitGroup(l).map((g) => [g.start, g.end]);
        }, c.pts);
        assert.deepEqual(got, c.groups, JSON.stringify(c.pts));
      }
    });

    it('finds the point one before the first key at or past the position', async () => {
      const cases = [[10, 0], [15, 1], [25, 2], [0, 0], [-1, -1], ['x', -1]];
      for (const [rel, index] of cases) {
        const got = await page.evaluate((rel) => {
          __host.rel = String(rel);
          const l = new OrbitGrpList();
          l.gridlist.JpgNumList = [0, 10, 20];
          return [l.GetIndex(), g_lastJpgNum];
        }, rel);
        assert.equal(got[0], index, `key ${rel}`);
      }
    });

    it('reads no point from an array holding only its count', async () => {
      await bringOnline(page);
      await page.evaluate(() => { __host.grid = []; __host.gps = [[1, 2, 0, 0]]; __host.rel = '0'; });
      await run(page, ...RESET_TRACK);
      assert.deepEqual(lines(await page.evaluate(() => __live()), 1), []);
      assert.deepEqual(lines(await page.evaluate(() => __live()), 2), []);
    });

    it('puts event markers on the map and asks the program to seek on a click', async () => {
      await bringOnline(page);
      await page.evaluate((pts) => { __host.grid = pts; __host.gps = pts; __host.rel = '0'; }, track());
      await run(page, ...RESET_TRACK,
                'cplist.AddCrashPos(6,0.500000,-0.250000,1.000000,0,2,40,35.010500,139.000000,1,42.000000,0.000000)',
                'cplist.AddCrashPos(99,0.1,0.1,0.1,0,2,12000,-35.5,139.5,1,0,0)');
      const icons = await page.evaluate(() => [g_iconurl[6], g_iconurl[1]]);
      const events = (await page.evaluate(() => __live())).filter((o) => o.kind === 'Marker' && o.icon);
      assert.deepEqual(events.map((e) => [e.position, e.icon]),
                       [[[35.0105, 139.0], icons[0]], [[-35.5, 139.5], icons[1]]]);

      // click -> host call with (ifile, igrid, ipos, valid, lat, lng, speed, direction), then the marker
      // follows when the point is north and east
      const cases = [{ event: events[0], moves: true, call: [0, 2, 40, 1, 35.0105, 139.0, 42.0, 0.0] },
                     { event: events[1], moves: false, call: [0, 2, 12000, 1, -35.5, 139.5, 0, 0] }];
      for (const c of cases) {
        const before = await page.evaluate(() => __mapLog.filter((e) => e.type === 'panTo').length);
        await page.evaluate(() => { __host.calls = []; });
        assert.equal(await page.evaluate((id) => __click(id), c.event.id), true);
        const clicks = await page.evaluate(() => __host.calls.filter((x) => x[0] === 'OnClickCrashPoint'));
        assert.deepEqual(clicks, [['OnClickCrashPoint', ...c.call]]);
        const after = await page.evaluate(() => __mapLog.filter((e) => e.type === 'panTo').length);
        assert.equal(after > before, c.moves);
      }
      await run(page, 'cplist.ClearCrashPos()');
      assert.equal((await page.evaluate(() => __live())).filter((o) => o.icon).length, 0);
    });

    it('moves the marker only while playing and with a position in the inputs', async () => {
      await bringOnline(page);
      await page.evaluate((pts) => { __host.grid = pts; __host.gps = pts; __host.rel = '0'; }, track());
      await run(page, ...RESET_TRACK);
      const cases = [  // inputs -> whether show() moves the marker
        { lat: '35.000000', lng: '139.000000', status: '', moves: true },
        { lat: '35.000000', lng: '139.000000', status: 'PAUSE', moves: false },
        { lat: '35.000000', lng: '139.000000', status: 'Stop', moves: false },
        { lat: '1000.000000', lng: '139.000000', status: '', moves: false },
        { lat: '35.000000', lng: '2000.0', status: '', moves: false },
      ];
      for (const c of cases) {
        const moved = await page.evaluate((c) => {
          __host.rel = '40';
          document.getElementById('map_lat').value = c.lat;
          document.getElementById('map_lng').value = c.lng;
          document.getElementById('map_status').value = c.status;
          const before = __mapLog.filter((e) => e.type === 'panTo').length;
          show();
          return __mapLog.filter((e) => e.type === 'panTo').length > before;
        }, c);
        assert.equal(moved, c.moves, JSON.stringify(c));
      }
    });

    if (number === '381') {
      it('takes the state from update messages only and asks for it on every poll', async () => {
        const read = () => page.evaluate(() => ['map_lat', 'map_lng', 'map_status']
          .map((id) => document.getElementById(id).value));
        await page.evaluate(() => __postJson(
          '{"map_lat":"35.123456","map_lng":"139.500000","map_status":"pause","val_command":"update","val_end":""}'));
        assert.deepEqual(await read(), ['35.123456', '139.500000', 'pause']);
        await page.evaluate(() => __postJson(
          '{"map_lat":"1.0","map_lng":"2.0","map_status":"stop","val_command":"other","val_end":""}'));
        assert.deepEqual(await read(), ['35.123456', '139.500000', 'pause']);
        const sends = await page.evaluate(() => { __host.calls = []; show(); return __host.calls; });
        assert.deepEqual(sends.filter((c) => c[0] === 'SetSend'), [['SetSend']]);
      });
    }
  });
}

describe('generated pages', () => {
  const script = fs.readFileSync(path.join(__dirname, '..', '..', '..', 'res', 'map', 'map_page.js'), 'utf8');
  const text = {
    103: fs.readFileSync(path.join(PAGES_DIR, 'map103.html')).toString('utf8'),
    381: fs.readFileSync(path.join(PAGES_DIR, 'map381.html')).toString('utf16le'),
  };
  const between = (t) => t.split('/*@MAP_SCRIPT_BEGIN@*/\n')[1].split('\n/*@MAP_SCRIPT_END@*/')[0];

  it('carry the same script, page 381 as UTF-16LE', () => {
    for (const n of ['103', '381']) {
      assert.ok(text[n].startsWith('<!DOCTYPE html>'), n);
      assert.equal(between(text[n]), script.trimEnd(), n);
    }
    assert.match(text[381], /g_hostKind = "webview"/);
    assert.match(text[103], /g_hostKind = "external"/);
  });
});
