// The map page's script, the same in both map pages (tools/make_map_pages.py puts it into each).
//
// The program drives the page in three ways: it runs statements such as "orbitgrplist.MoveMarker()"
// in it, it answers the host calls below (window.external in the Internet Explorer page,
// chrome.webview.hostObjects.sync.sample in the WebView2 page), and it hands over the current position
// and playback state through the three hidden inputs (the WebView2 page gets them as a web message).
// The page shell defines g_hostKind ("external" or "webview"), g_iconurl (the 14 event icons) and
// g_shadowurl before this script runs.
//
// Written for the oldest engine that shows it (the Internet Explorer control in its edge mode): var,
// function expressions and plain loops only.

var g_lastJpgNum = -1;
var g_isStartInitConnect = false;  // the map script element has been added and has not loaded yet
var g_isInitConnect = false;       // the map exists (loadLibs ran)
var g_isInit = false;
var g_map = null;
var g_script = null;
var g_scriptAddedAt = 0;           // when g_script was added (ms)
var g_marker = null;
var g_newlat = 0;
var g_newlng = 0;

// Where the track is cut: consecutive points further apart than this, in degrees (about 150 m).
var kTrackGapDegrees = 0.001385;
// The first page creates the map again while the API yields nothing; a few tries are enough.
var kMapCreateTries = 5;
// How long the map script may take from being added to calling loadLibs. A script that loaded but
// never calls back (a captive portal's page served in its place, a service that never answers) is
// thrown away after this and the next poll while online loads it again.
var kMapScriptWaitMs = 30000;
// Icon used for an event colour outside the table: hard braking.
var kDefaultIcon = 1;

function Host() {
  if (g_hostKind == 'webview') return chrome.webview.hostObjects.sync.sample;
  return window.external;
}

function IsWebViewPage() { return g_hostKind == 'webview'; }

function DebugLog(text) {
  // Only the Internet Explorer page's host offers the debug log.
  if (!IsWebViewPage()) Host().JS2C_DEBLOG(String(text));
}

function InputValue(id) { return document.getElementById(id).value; }

// ---- Points of the track ----

function PointList() {
  this.points = [];
  this.JpgNumList = [];
}

// Takes (latitude, longitude, position key) triples from the host's flat array; the closing count
// after the last triple is left out by the loop bound.
PointList.prototype.GetPoints = function(GridData) {
  this.ReleasePoints();
  if (GridData === null || GridData === undefined) return;
  var values;
  if (IsWebViewPage()) values = new Float64Array(GridData);
  else values = new VBArray(GridData).toArray();
  if (values.length <= 1) return;
  for (var i = 0; i < values.length - 1; i += 3) {
    if (i + 2 >= values.length) break;  // a damaged array without its closing count
    this.points.push(new google.maps.LatLng(Number(values[i]), Number(values[i + 1])));
    this.JpgNumList.push(Number(values[i + 2]));
  }
};

PointList.prototype.ReleasePoints = function() {
  this.points = [];
  this.JpgNumList = [];
};

// Draws points [start, end) as one line.
PointList.prototype.DrawGridLine = function(start, end, color, opacity, index) {
  return new google.maps.Polyline({
    path: this.points.slice(start, end),
    clickable: false,
    geodesic: false,
    strokeColor: color,
    strokeOpacity: opacity,
    strokeWeight: 3,
    zIndex: index,
    map: g_map
  });
};

// ---- Segments ----

// One unbroken stretch of track, points [start, end] inclusive.
function OrbitGrp(start, end) {
  this.start = start;
  this.end = end;
}

// Cuts the track where two consecutive points are further apart than kTrackGapDegrees. The longitude
// step is shortened by the cosine of the later point's latitude (in radians).
function GetOrbitGroup(list) {
  var groups = [];
  var n = list.points.length;
  if (n == 0) return groups;
  var start = 0;
  for (var i = 1; i < n; i++) {
    var a = list.points[i - 1];
    var b = list.points[i];
    var dlat = b.lat() - a.lat();
    var dlng = (b.lng() - a.lng()) * Math.cos(b.lat() * Math.PI / 180.0);
    if (Math.sqrt(dlat * dlat + dlng * dlng) > kTrackGapDegrees) {
      groups.push(new OrbitGrp(start, i - 1));
      start = i;
    }
  }
  groups.push(new OrbitGrp(start, n - 1));
  if (!IsWebViewPage()) DebugLog('OrbitGrpList ' + n);
  return groups;
}

function RemoveLines(lines) {
  for (var i = 0; i < lines.length; i++) lines[i].setMap(null);
  return [];
}

function OrbitGrpList() {
  this.orbitlist = [];
  this.grpline = [];
  this.histline = [];
  this.schline = [];
  this.grplist = new PointList();
  this.gridlist = new PointList();
}

OrbitGrpList.prototype.RemoveLineList = function() {
  this.histline = RemoveLines(this.histline);
  this.schline = RemoveLines(this.schline);
};

// The whole track of the recording, red and half transparent. The lines of an earlier recording go
// first, so that a new recording never shows beside the old one.
OrbitGrpList.prototype.CreateLine = function() {
  if (!g_isInitConnect) return;
  this.grpline = RemoveLines(this.grpline);
  this.grplist.GetPoints(Host().JS2C_GetGPSData());
  var groups = GetOrbitGroup(this.grplist);
  for (var i = 0; i < groups.length; i++) {
    this.grpline.push(this.grplist.DrawGridLine(groups[i].start, groups[i].end + 1, '#FF0000', 0.5, 1));
  }
};

OrbitGrpList.prototype.CreateGridLine = function(grid) {
  if (!g_isInitConnect) return;
  var data = IsWebViewPage() ? Host().JS2C_GetGridData(0) : Host().JS2C_GetGridData(String(grid));
  this.gridlist.GetPoints(data);
  this.orbitlist = GetOrbitGroup(this.gridlist);
  this.MoveMarker();
};

// The index of the point the playback stands on: one before the first point whose key is at or past
// the position, -1 when the program has no position.
OrbitGrpList.prototype.GetIndex = function() {
  var p = parseInt(Host().JS2C_GetRelJpgNum(), 10);
  if (isNaN(p)) p = -1;
  g_lastJpgNum = p;
  if (p == -1) return -1;
  var keys = this.gridlist.JpgNumList;
  var index = keys.length;
  for (var i = 0; i < keys.length; i++) {
    if (keys[i] >= p) {
      index = i;
      break;
    }
  }
  if (index > 0) {
    index--;
    if (index > keys.length - 1) index = keys.length - 1;
  }
  return index;
};

// Redraws the progress (blue behind the position, red ahead) and moves the position marker.
OrbitGrpList.prototype.MoveMarker = function() {
  if (!g_isInitConnect) return;
  var index = this.GetIndex();
  if (!IsWebViewPage()) DebugLog('GetIndex index ' + index);
  if (index < 0) return;
  this.RemoveLineList();
  var list = this.gridlist;
  for (var i = 0; i < this.orbitlist.length; i++) {
    var g = this.orbitlist[i];
    if (g.end <= index) {
      this.histline.push(list.DrawGridLine(g.start, g.end + 1, '#0000FF', 1.0, 2));
    } else if (g.start <= index) {
      this.histline.push(list.DrawGridLine(g.start, index + 1, '#0000FF', 1.0, 2));
      this.schline.push(list.DrawGridLine(index, g.end + 1, '#FF0000', 0.9, 2));
    } else {
      this.schline.push(list.DrawGridLine(g.start, g.end + 1, '#FF0000', 0.9, 2));
    }
  }
  if (g_marker) g_marker.setMap(null);
  var where;
  if (index < list.points.length) where = list.points[index];
  else where = new google.maps.LatLng(g_newlat, g_newlng);
  g_marker = new google.maps.Marker({ position: where, map: g_map });
  g_map.panTo(where);
};

var orbitgrplist = new OrbitGrpList();

// ---- G-sensor event markers ----

function CrashPoint(marker, lat, lng, valid, speed, direction, levelx, levely, levelz, ifile, igrid, ipos) {
  this.marker = marker;
  this.lat = lat;
  this.lng = lng;
  this.valid = valid;
  this.speed = speed;
  this.direction = direction;
  this.levelx = levelx;
  this.levely = levely;
  this.levelz = levelz;
  this.ifile = ifile;
  this.igrid = igrid;
  this.ipos = ipos;
}

function CpList() {
  this.markers = [];
}

// An image of the map API; the shadow is 49 x 32 pixels with its anchor at (16, 32).
function MarkerPicture(url, width, height) {
  var size = new google.maps.Size(width, height);
  var anchor = new google.maps.Point(16, 32);
  if (google.maps.MarkerImage) return new google.maps.MarkerImage(url, size, null, anchor);
  return { url: url, size: size, anchor: anchor };
}

CpList.prototype.AddCrashPos = function(icolor, levelx, levely, levelz, ifile, igrid, ipos, lat, lng,
                                        valid, speed, direction) {
  if (!g_isInitConnect) return;
  var url = g_iconurl[icolor];
  if (url === undefined) url = g_iconurl[kDefaultIcon];
  var marker = new google.maps.Marker({
    position: new google.maps.LatLng(lat, lng),
    map: g_map,
    icon: MarkerPicture(url, 32, 32),
    shadow: MarkerPicture(g_shadowurl, 49, 32)
  });
  var i = this.markers.length;
  this.markers.push(new CrashPoint(marker, lat, lng, valid, speed, direction, levelx, levely, levelz,
                                   ifile, igrid, ipos));
  var self = this;
  google.maps.event.addListener(marker, 'click', function() { self.SetCrashPos(i, null); });
};

// A click on an event marker: the program seeks to the event's position.
CpList.prototype.SetCrashPos = function(i, unused) {
  var cp = this.markers[i];
  if (!cp) return;
  Host().JS2C_OnClickCrashPoint(cp.ifile, cp.igrid, cp.ipos, cp.valid, cp.lat, cp.lng, cp.speed,
                                cp.direction);
  if (cp.lat >= 0 && cp.lng >= 0 && ConnectTest()) orbitgrplist.MoveMarker();
};

CpList.prototype.ClearCrashPos = function() {
  for (var i = 0; i < this.markers.length; i++) this.markers[i].marker.setMap(null);
  this.markers = [];
};

var cplist = new CpList();

// ---- Loading the map ----

// The map library is in the page already (an earlier connection loaded it): it is never loaded twice.
function MapLibraryLoaded() {
  return typeof google !== 'undefined' && google && google.maps && typeof google.maps.Map === 'function';
}

// A script load that failed: the next poll while online tries again.
function OnMapScriptFailed(script) {
  if (script !== g_script) return;
  if (script.parentNode) script.parentNode.removeChild(script);
  g_script = null;
  g_isStartInitConnect = false;
}

// True when the map is ready. While the host is online and no load has started, makes the map: with
// the library already in the page at once, else by adding the map script; while it is offline, forgets
// that a load started.
function ConnectTest() {
  if (Host().JS2C_ConnectTest()) {
    if (!g_isInitConnect && g_isStartInitConnect && g_script &&
        new Date().getTime() - g_scriptAddedAt >= kMapScriptWaitMs) {
      OnMapScriptFailed(g_script);
    }
    if (!g_isInitConnect && !g_isStartInitConnect) {
      if (MapLibraryLoaded()) {
        g_isStartInitConnect = true;
        loadLibs();
        return g_isInitConnect;
      }
      var url = String(Host().JS2C_GetMapURL());
      // Without a key there is no script to load: the page stays without a map.
      if (url.length > 0) {
        if (g_script && g_script.parentNode) g_script.parentNode.removeChild(g_script);
        var script = document.createElement('script');
        script.type = 'text/javascript';
        script.onerror = function() { OnMapScriptFailed(script); };
        script.src = url;
        g_script = script;
        g_scriptAddedAt = new Date().getTime();
        document.getElementsByTagName('head')[0].appendChild(script);
        g_isStartInitConnect = true;
      }
    }
    return g_isInitConnect;
  }
  g_isInitConnect = false;
  g_isStartInitConnect = false;
  return false;
}

function ForgetMap() {
  cplist.ClearCrashPos();
  orbitgrplist.RemoveLineList();
  orbitgrplist.grpline = RemoveLines(orbitgrplist.grpline);
  if (g_marker) g_marker.setMap(null);
  g_marker = null;
  g_isInit = false;
  g_map = null;
  if (g_script && g_script.parentNode) g_script.parentNode.removeChild(g_script);
  g_script = null;
}

// Called by the map API once its script has loaded.
function loadLibs() {
  window.onerror = function() { return true; };
  var options = {
    zoom: 16,
    mapTypeId: google.maps.MapTypeId.ROADMAP,
    streetViewControl: true,
    scaleControl: true,
    fullscreenControl: false,
    center: new google.maps.LatLng(IsWebViewPage() ? 0.0 : -90.0, 0.0)
  };
  var canvas = document.getElementById('map_canvas');
  g_map = new google.maps.Map(canvas, options);
  for (var tries = 1; !g_map && tries < kMapCreateTries; tries++) {
    DebugLog('Fails!(new google.maps.Map) retrying...');
    g_map = new google.maps.Map(canvas, options);
  }
  if (!g_map) {
    // The next poll while online tries again.
    g_isStartInitConnect = false;
    return;
  }
  if (IsWebViewPage()) new google.maps.Marker({ position: options.center, map: g_map });
  var panorama = g_map.getStreetView ? g_map.getStreetView() : null;
  if (panorama) {
    panorama.setOptions({
      linksControl: true,
      zoomControl: true,
      panControl: false,
      addressControl: false,
      fullscreenControl: false,
      enableCloseButton: true
    });
  }
  // Ready before the host hears of it: the host may answer by sending the track at once.
  g_isInitConnect = true;
  Host().JS2C_OnInitHtml();
}

// ---- Polling ----

function show() {
  try {
    var lat = parseFloat(InputValue('map_lat'));
    var lng = parseFloat(InputValue('map_lng'));
    var status = String(InputValue('map_status'));
    if (lat < 1000.0 && lng < 1000.0) {
      g_newlat = lat;
      g_newlng = lng;
      if (ConnectTest()) {
        var s = status.toLowerCase();
        if (s != 'pause' && s != 'stop' && ((lat != 0 && lng != 0) || g_lastJpgNum == -1)) {
          orbitgrplist.MoveMarker();
        }
      } else if (!g_isStartInitConnect) {
        ForgetMap();
      }
    } else if (!g_isInit) {
      ConnectTest();
      g_isInit = true;
    }
    if (IsWebViewPage()) Host().JS2C_SetSend();
  } finally {
    window.setTimeout(show, 1000);
  }
}

// The WebView2 page gets the state as a web message; only "update" messages are taken.
function OnHostMessage(event) {
  var data = event.data;
  if (!data || data.val_command != 'update') return;
  document.getElementById('map_lat').value = String(data.map_lat);
  document.getElementById('map_lng').value = String(data.map_lng);
  document.getElementById('map_status').value = String(data.map_status);
}

function initialize() {
  g_lastJpgNum = -1;
  if (IsWebViewPage()) chrome.webview.addEventListener('message', OnHostMessage);
  show();
}
