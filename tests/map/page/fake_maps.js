// A stand-in for the map service's script, served by the tests in place of the real one (this machine
// has no network). It records the map's creation and pans (window.__mapLog) and keeps the overlays that
// are on the map. At the end it calls the callback named in its own URL, as the real script does.
(function () {
  'use strict';
  var log = [];
  var live = [];
  var nextId = 1;
  window.__mapLog = log;

  function LatLng(lat, lng) { this._lat = Number(lat); this._lng = Number(lng); }
  LatLng.prototype.lat = function () { return this._lat; };
  LatLng.prototype.lng = function () { return this._lng; };
  function plain(p) { return p ? [p.lat(), p.lng()] : null; }
  function Size(w, h) { this.width = w; this.height = h; }
  function Point(x, y) { this.x = x; this.y = y; }
  function MarkerImage(url, size, origin, anchor) {
    this.url = url; this.size = size; this.origin = origin; this.anchor = anchor;
  }

  function Overlay(kind, options) {
    this.id = nextId++;
    this.kind = kind;
    this.options = options;
    this.map = options.map || null;
    this.listeners = {};
    if (this.map) live.push(this);
  }
  Overlay.prototype.setMap = function (map) {
    var at = live.indexOf(this);
    if (at >= 0) live.splice(at, 1);
    this.map = map;
    if (map) live.push(this);
  };

  function Polyline(options) {
    Overlay.call(this, 'Polyline', options);
  }
  Polyline.prototype = Object.create(Overlay.prototype);

  function Marker(options) {
    Overlay.call(this, 'Marker', options);
  }
  Marker.prototype = Object.create(Overlay.prototype);

  function GMap(element, options) {
    this.element = element;
    this.center = options.center;
      log.push({ type: 'Map', zoom: options.zoom, mapTypeId: options.mapTypeId, center: plain(options.center),
               streetViewControl: options.streetViewControl, scaleControl: options.scaleControl,
               fullscreenControl: options.fullscreenControl });
  }
  GMap.prototype.panTo = function (p) {
    this.center = p;
    log.push({ type: 'panTo', position: plain(p) });
  };
  GMap.prototype.getStreetView = function () {
    return { setOptions: function (o) { log.push({ type: 'streetView', options: o }); } };
  };

  var event = {
    addListener: function (target, name, fn) {
      target.listeners[name] = fn;
    }
  };

  // Test helpers: the overlays on the map, and a click on the event marker with the given id.
  window.__live = function () {
    return live.map(function (o) {
      var r = { id: o.id, kind: o.kind };
      if (o.kind === 'Polyline') {
        r.path = o.options.path.map(plain);
        r.strokeColor = o.options.strokeColor;
        r.strokeOpacity = o.options.strokeOpacity;
        r.zIndex = o.options.zIndex;
      } else {
        r.position = plain(o.options.position);
        r.icon = o.options.icon ? o.options.icon.url : null;
      }
      return r;
    });
  };
  window.__click = function (id) {
    for (var i = 0; i < live.length; i++) {
      if (live[i].id === id && live[i].listeners.click) { live[i].listeners.click(); return true; }
    }
    return false;
  };

  window.google = { maps: { LatLng: LatLng, Size: Size, Point: Point, MarkerImage: MarkerImage,
                            Polyline: Polyline, Marker: Marker, Map: GMap, event: event,
                            MapTypeId: { ROADMAP: 'roadmap' } } };

  var src = document.currentScript ? document.currentScript.src : '';
  var m = /[?&]callback=([^&]+)/.exec(src);
  if (m && typeof window[m[1]] === 'function') window[m[1]]();
})();
