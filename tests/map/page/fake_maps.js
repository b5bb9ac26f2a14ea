// A stand-in for the map service's script, served by the tests in place of the real one (this machine
// has no network). It records every call the page makes (window.__mapLog), keeps the overlays that are
// on the map, and draws them as SVG into the map element so that a screenshot shows the track. At the
// end it calls the callback named in its own URL, as the real script does.
(function () {
  'use strict';
  var log = [];
  var live = [];
  var nextId = 1;
  var theMap = null;
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
    log.push({ type: 'setMap', kind: this.kind, id: this.id, on: !!map });
    var at = live.indexOf(this);
    if (at >= 0) live.splice(at, 1);
    this.map = map;
    if (map) live.push(this);
    render();
  };

  function Polyline(options) {
    Overlay.call(this, 'Polyline', options);
    log.push({ type: 'Polyline', id: this.id, path: options.path.map(plain), strokeColor: options.strokeColor,
               strokeOpacity: options.strokeOpacity, strokeWeight: options.strokeWeight,
               zIndex: options.zIndex, clickable: options.clickable, geodesic: options.geodesic });
    render();
  }
  Polyline.prototype = Object.create(Overlay.prototype);

  function Marker(options) {
    Overlay.call(this, 'Marker', options);
    var icon = options.icon;
    log.push({ type: 'Marker', id: this.id, position: plain(options.position),
               icon: icon ? icon.url : null, shadow: options.shadow ? options.shadow.url : null });
    render();
  }
  Marker.prototype = Object.create(Overlay.prototype);

  function GMap(element, options) {
    this.element = element;
    this.center = options.center;
    theMap = this;
    log.push({ type: 'Map', zoom: options.zoom, mapTypeId: options.mapTypeId, center: plain(options.center),
               streetViewControl: options.streetViewControl, scaleControl: options.scaleControl,
               fullscreenControl: options.fullscreenControl });
    render();
  }
  GMap.prototype.panTo = function (p) {
    this.center = p;
    log.push({ type: 'panTo', position: plain(p) });
    render();
  };
  GMap.prototype.getStreetView = function () {
    return { setOptions: function (o) { log.push({ type: 'streetView', options: o }); } };
  };

  var event = {
    addListener: function (target, name, fn) {
      target.listeners[name] = fn;
      log.push({ type: 'addListener', id: target.id, name: name });
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

  // Draws the live overlays fitted into the map element: the track lines and pins for the markers.
  function render() {
    if (!theMap || !theMap.element) return;
    // The view fits the track lines (markers elsewhere, such as page 381's start marker, fall outside).
    var pts = [];
    live.forEach(function (o) { if (o.kind === 'Polyline') pts = pts.concat(o.options.path); });
    if (!pts.length) live.forEach(function (o) { pts.push(o.options.position); });
    var w = theMap.element.clientWidth || 640, h = theMap.element.clientHeight || 480;
    var svg = ['<svg xmlns="http://www.w3.org/2000/svg" width="' + w + '" height="' + h + '">',
               '<rect width="100%" height="100%" fill="#eef0e8"/>'];
    if (pts.length) {
      var minLat = Infinity, maxLat = -Infinity, minLng = Infinity, maxLng = -Infinity;
      pts.forEach(function (p) {
        minLat = Math.min(minLat, p.lat()); maxLat = Math.max(maxLat, p.lat());
        minLng = Math.min(minLng, p.lng()); maxLng = Math.max(maxLng, p.lng());
      });
      var span = Math.max(maxLat - minLat, maxLng - minLng, 1e-6);
      var scale = Math.min(w, h) * 0.85 / span;
      var x = function (p) { return (w / 2 + (p.lng() - (minLng + maxLng) / 2) * scale).toFixed(1); };
      var y = function (p) { return (h / 2 - (p.lat() - (minLat + maxLat) / 2) * scale).toFixed(1); };
      live.slice().sort(function (a, b) { return (a.options.zIndex || 0) - (b.options.zIndex || 0); })
        .forEach(function (o) {
          if (o.kind === 'Polyline') {
            svg.push('<polyline fill="none" stroke-linejoin="round" stroke="' + o.options.strokeColor +
                     '" stroke-opacity="' + o.options.strokeOpacity + '" stroke-width="' +
                     (o.options.strokeWeight + 2) + '" points="' +
                     o.options.path.map(function (p) { return x(p) + ',' + y(p); }).join(' ') + '"/>');
          }
        });
      live.forEach(function (o) {
        if (o.kind !== 'Marker') return;
        var p = o.options.position;
        if (o.options.icon) {
          svg.push('<image href="' + o.options.icon.url + '" x="' + (x(p) - 16) + '" y="' + (y(p) - 32) +
                   '" width="32" height="32"/>');
        } else {
          svg.push('<circle cx="' + x(p) + '" cy="' + y(p) + '" r="8" fill="#20a020" stroke="#000"/>');
        }
      });
    }
    svg.push('</svg>');
    theMap.element.innerHTML = svg.join('');
  }

  window.google = { maps: { LatLng: LatLng, Size: Size, Point: Point, MarkerImage: MarkerImage,
                            Polyline: Polyline, Marker: Marker, Map: GMap, event: event,
                            MapTypeId: { ROADMAP: 'roadmap' } } };

  var src = document.currentScript ? document.currentScript.src : '';
  var m = /[?&]callback=([^&]+)/.exec(src);
  log.push({ type: 'scriptLoaded', src: src });
  if (m && typeof window[m[1]] === 'function') window[m[1]]();
})();
