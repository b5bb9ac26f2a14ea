// The program's side of the map page, faked: run in the page before its own scripts (addInitScript).
// The host kind at the end is replaced by "external" (the Internet Explorer page: window.external, arrays as
// VBArray-wrapped values) or "webview" (the WebView2 page: chrome.webview with the host object
// "sample" and web messages). The test sets window.__host's fields and reads its calls.
(function (kind) {
  'use strict';
  var state = {
    known: true,
    online: false,
    mapUrl: 'https://maps.quill.test/maps/api/js?key=TESTKEY&v=3&sensor=false&callback=loadLibs',
    gps: [],    // [lat, lng, key, valid]
    grid: [],
    rel: '-1',
    calls: []
  };
  window.__host = state;

  // The program's flat array: (lat, lng, key) of each valid point, then the count of values.
  function flat(points) {
    var out = [];
    points.forEach(function (p) { if (p[3]) out.push(p[0], p[1], p[2]); });
    out.push(out.length);
    return out;
  }
  function safeArray(values) { return kind === 'external' ? { __safeArray: values } : values; }

  var host = {
    JS2C_ConnectTest: function () { state.calls.push(['ConnectTest']); return state.known && state.online; },
    JS2C_OnInitHtml: function () { state.calls.push(['OnInitHtml']); },
    JS2C_GetGPSData: function () { state.calls.push(['GetGPSData']); return safeArray(flat(state.gps)); },
    JS2C_GetGridData: function (grid) {
      state.calls.push(['GetGridData', grid]);
      return safeArray(flat(state.grid));
    },
    JS2C_GetRelJpgNum: function () { return String(state.rel); },
    JS2C_OnClickCrashPoint: function () {
      state.calls.push(['OnClickCrashPoint'].concat(Array.prototype.slice.call(arguments)));
    },
    JS2C_GetMapURL: function () { state.calls.push(['GetMapURL']); return state.mapUrl; },
    JS2C_SetSend: function () { state.calls.push(['SetSend']); }
  };

  if (kind === 'external') {
    host.JS2C_DEBLOG = function (text) { state.calls.push(['DEBLOG', text]); };
    host.JS2C_GetMarkName = function (i) { return 'mark' + i; };
    host.JS2C_GetRcString = function (i) { return 'text' + i; };
    // window.external is replaceable in chromium; define it outright so that the page sees the fake.
    Object.defineProperty(window, 'external', { value: host, configurable: true, writable: true });
    // The control's conversion of a SAFEARRAY; anything else is an error, as there.
    window.VBArray = function (value) {
      if (!value || !value.__safeArray) throw new TypeError('VBArray expected');
      this.values = value.__safeArray;
    };
    window.VBArray.prototype.toArray = function () { return this.values.slice(); };
  } else {
    var listeners = [];
    window.chrome = window.chrome || {};
    window.chrome.webview = {
      hostObjects: { sync: { sample: host } },
      addEventListener: function (type, fn) { if (type === 'message') listeners.push(fn); },
      postMessage: function () {}
    };
    // PostWebMessageAsJson: the page gets the parsed object as event.data.
    window.__postJson = function (text) {
      var data = JSON.parse(text);
      listeners.forEach(function (fn) { fn({ data: data }); });
    };
  }
})('__HOST_KIND__');
