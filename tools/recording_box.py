"""The recorder's drive-data box ("gps0") of the generated recordings, and the drive it describes.

A drive is simulated on a timeline of ticks (tenths of a second since 2000-01-01 00:00:00 local time): position,
speed, heading and the three acceleration values (thousandths of g: X front-back, Y left-right, Z up-down with
gravity) for every tick. A file's record k is the drive at the file's start tick + k, so the main and the rear
file of one recording carry the same data where they overlap.

Box layout (big-endian):
    0  size = 48 + 79 * N      4  "gps0"      8  "CSODAT"      14  header (26 bytes)
    40 N (16 bits)             42 N records of 79 bytes         42 + 79 * N  "CSOEND"

Header: 0-5 six version-like bytes (2, 0, "02", 0, 0), 6-9 / 10-13 / 14-17 X / Y / Z of the first record as
four-character decimal text (thousandths of g), 18 tag 'N' (driving) or 'P' (parking recordings), 19-25 NUL.

Record (offsets in the record):
    0      '$', or a status byte of the record before it (its high/low nibbles are that record's
           camera-warning code: 0xA9 speed camera, 0x88 radar)
    1-4    'R' + record number modulo 1000 as three digits (never "@CS", so the header stays one group)
    5      'A' valid fix, 'V' no fix
    6-14   latitude ddmm.mmmm      15  'N', or NUL in the southern hemisphere
    16-25  longitude dddmm.mmmm    26  'E', or NUL in the western hemisphere
    27-30  speed in km/h, four digits
    31-42  fix time YYMMDDhhmmss (local time minus the offset)
    43     ','
    44-46  seconds offset as signed three-character text, or "***" for none
    47-51  heading in degrees, "ddd.d"
    52-78  event block: 0-4 "G-SEN", 5-9 Y, 10-14 X, 15-19 Z (signed five-character text, thousandths of g),
           20 'D' manual event or '-', 21 shock axis 'X'/'Y'/'Z' or '-', 22 'D' parking event or '-',
           23-25 "000", 26 '1' in an event record else '0'
"""

import datetime
import math
import random
import struct

RECORD_SIZE = 79
BOX_OVERHEAD = 48          # size, type, "CSODAT", header, count, "CSOEND"
HEADER_SIZE = 26
MAX_RECORDS = 0xFFFF       # the count field is 16 bits
TICKS_PER_SECOND = 10
TICK_EPOCH = datetime.datetime(2000, 1, 1)
HEADER_RAW = bytes([2, 0]) + b"02" + b"\x00\x00"
WARNING_CODES = {"O": 0xA9, "R": 0x88}
_LEAD_BYTE = 0x24           # '$'
_GRAVITY = 9.80665
_METRES_PER_DEGREE = 111320.0

PLACES = {
    # Start points of simulated drives; the second pair gives southern and western coordinates.
    "tokyo": (35.65858, 139.74543),
    "santiago": (-33.44889, -70.66926),
}

RECORD_COLUMNS = [
    "k", "status", "valid", "lat_text", "lat_hemisphere", "latitude", "lon_text", "lon_hemisphere",
    "longitude", "number_text", "number", "time_text", "offset_text", "local_time",
    "value1_text", "value2_text", "value3_text", "value1", "value2", "value3",
    "mark20", "axis", "mark22", "type", "axis_code", "flag", "next_byte", "next_high", "next_low",
]


def tick_of(moment):
    """Tick of a whole-second local datetime."""
    return int((moment - TICK_EPOCH).total_seconds()) * TICKS_PER_SECOND


def time_of_tick(tick):
    """Local datetime (whole seconds, truncated) of a tick."""
    return TICK_EPOCH + datetime.timedelta(seconds=tick // TICKS_PER_SECOND)


class Drive:
    """Samples of simulated drives, keyed by tick; consecutive recordings continue the same drive."""

    def __init__(self, seed):
        self.rng = random.Random(seed)
        self.samples = {}
        self._state = None
        self._first_tick = self._last_tick = None
        self._place = None

    def cover(self, first_tick, last_tick, place, parked):
        """Make sure every tick of [first_tick, last_tick] has a sample."""
        continuing = (self._state is not None and self._place == place
                      and self._first_tick <= first_tick <= self._last_tick + 1)
        if not continuing:
            lat, lon = PLACES[place]
            # A new drive starts a few hundred metres away from the previous one.
            self._state = {"lat": lat + self.rng.uniform(-0.01, 0.01), "lon": lon + self.rng.uniform(-0.01, 0.01),
                           "speed": 0.0, "heading": self.rng.uniform(0, 360), "yaw": 0.0, "target": 30.0}
            self._place = place
            self._first_tick, self._last_tick = first_tick, first_tick - 1
        for tick in range(self._last_tick + 1, last_tick + 1):
            self.samples[tick] = self._step(parked)
        self._last_tick = max(self._last_tick, last_tick)

    def _step(self, parked):
        s, rng, dt = self._state, self.rng, 1.0 / TICKS_PER_SECOND
        old_speed = s["speed"]
        if parked:
            s["speed"], s["yaw"] = 0.0, 0.0
        else:
            if rng.random() < 0.02:
                s["target"] = rng.uniform(15, 60)
            s["speed"] += max(-0.8, min(0.8, s["target"] - s["speed"]))
            s["yaw"] = max(-8.0, min(8.0, 0.97 * s["yaw"] + rng.gauss(0, 0.6)))
        s["heading"] = (s["heading"] + s["yaw"] * dt) % 360
        metres = s["speed"] / 3.6 * dt
        s["lat"] += metres * math.cos(math.radians(s["heading"])) / _METRES_PER_DEGREE
        s["lon"] += metres * math.sin(math.radians(s["heading"])) / (
            _METRES_PER_DEGREE * math.cos(math.radians(s["lat"])))
        accel = (s["speed"] - old_speed) / 3.6 / dt
        lateral = s["speed"] / 3.6 * math.radians(s["yaw"])
        return {"lat": s["lat"], "lon": s["lon"], "speed": s["speed"], "heading": s["heading"],
                "x": int(round(accel / _GRAVITY * 1000 + rng.gauss(0, 12))),
                "y": int(round(lateral / _GRAVITY * 1000 + rng.gauss(0, 12))),
                "z": int(round(1000 + rng.gauss(0, 15)))}


def event_marks(kind, tick, axis=None, peak=0, code=None):
    """Marks of one event at `tick`: {tick: {field: value}}."""
    if kind == "shock":
        shape = [(0, 1.0), (1, -0.55), (2, 0.25)]
        return {tick + d: {"axis": axis if abs(f) > 0.5 else None, axis.lower(): int(peak * f), "flag": True}
                for d, f in shape}
    if kind == "manual":
        return {tick: {"mark20": True, "flag": True}}
    if kind == "parking":
        return {tick: {"mark22": True, "flag": True}}
    if kind == "warning":
        return {tick: {"next": code, "flag": True}}
    raise ValueError("unknown event kind %r" % kind)


def angle_text(value, degree_digits):
    """ddmm.mmmm (or dddmm.mmmm) text of |value| degrees, minutes rounded to four decimals."""
    degrees = int(abs(value))
    tenthousandths = int(round((abs(value) - degrees) * 60 * 10000))
    if tenthousandths >= 60 * 10000:
        degrees += 1
        tenthousandths -= 60 * 10000
    return "%0*d%02d.%04d" % (degree_digits, degrees, tenthousandths // 10000, tenthousandths % 10000)


def degrees_from_text(text, hemisphere_byte):
    """Degrees as the viewer forms them from a ddmm.mmmm text and its hemisphere byte."""
    v = float(text)
    value = math.trunc(math.trunc(v) / 100) + math.fmod(v, 100) / 60
    return value if hemisphere_byte != 0 else -value


def _signed_text(value, width):
    limit = 10 ** (width - 1) - 1
    return "%+0*d" % (width, max(-limit, min(limit, value)))


def _header_value_text(value):
    return "%04d" % max(-999, min(9999, value))


def build_records(start_tick, count, samples, marks, invalid_ticks, fix_offset):
    """(list of record bytes, list of manifest rows) for `count` records from start_tick."""
    raws, rows = [], []
    for k in range(count):
        tick = start_tick + k
        raw, row = _record(k, tick, samples[tick], marks.get(tick, {}), tick in invalid_ticks, fix_offset)
        raws.append(raw)
        rows.append(row)
    for k in range(count):
        nxt = marks.get(start_tick + k, {}).get("next")
        if nxt is not None and k + 1 < count:
            raws[k + 1][0] = nxt
    for k in range(count):
        nxt = raws[k + 1][0] if k + 1 < count else ord("C")
        rows[k].update(next_byte=nxt, next_high=nxt >> 4, next_low=nxt & 0xF)
    return [bytes(r) for r in raws], rows


def _record(k, tick, sample, mark, invalid, fix_offset):
    r = bytearray(RECORD_SIZE)
    valid = not invalid
    lat, lon = (sample["lat"], sample["lon"]) if valid else (0.0, 0.0)
    lat_text, lon_text = angle_text(lat, 2), angle_text(lon, 3)
    lat_h = ord("N") if lat >= 0 else 0
    lon_h = ord("E") if lon >= 0 else 0
    speed = int(round(sample["speed"])) if valid else 0
    true_time = time_of_tick(tick)
    if fix_offset is None:
        offset_text, fix_time = "***", true_time
    else:
        offset_text, fix_time = "%03d" % fix_offset, true_time - datetime.timedelta(seconds=fix_offset)
    values = {a: mark.get(a, sample[a]) for a in "xyz"}
    texts = {a: _signed_text(values[a], 5) for a in "xyz"}
    r[0] = _LEAD_BYTE
    r[1:5] = b"R%03d" % (k % 1000)
    r[5] = ord("A") if valid else ord("V")
    r[6:15] = lat_text.encode()
    r[15] = lat_h
    r[16:26] = lon_text.encode()
    r[26] = lon_h
    r[27:31] = b"%04d" % speed
    r[31:43] = fix_time.strftime("%y%m%d%H%M%S").encode()
    r[43] = ord(",")
    r[44:47] = offset_text.encode()
    r[47:52] = b"%05.1f" % sample["heading"]
    axis = mark.get("axis") or "-"
    mark20 = "D" if mark.get("mark20") else "-"
    mark22 = "D" if mark.get("mark22") else "-"
    block = b"G-SEN" + texts["y"].encode() + texts["x"].encode() + texts["z"].encode()
    block += (mark20 + axis + mark22).encode() + b"000" + (b"1" if mark.get("flag") else b"0")
    r[52:79] = block
    event_type = 5 if mark20 == "D" else (7 if mark22 == "D" else -1)
    row = {
        "k": k, "status": chr(r[5]), "valid": 1 if valid else 0,
        "lat_text": lat_text, "lat_hemisphere": lat_h, "latitude": degrees_from_text(lat_text, lat_h),
        "lon_text": lon_text, "lon_hemisphere": lon_h, "longitude": degrees_from_text(lon_text, lon_h),
        "number_text": "%04d" % speed, "number": float(speed),
        "time_text": fix_time.strftime("%y%m%d%H%M%S"), "offset_text": offset_text,
        "local_time": true_time.strftime("%Y-%m-%d %H:%M:%S"),
        "value1_text": texts["x"], "value2_text": texts["y"], "value3_text": texts["z"],
        "value1": int(texts["x"]) / 1000, "value2": int(texts["y"]) / 1000, "value3": int(texts["z"]) / 1000,
        "mark20": mark20, "axis": axis, "mark22": mark22, "type": event_type,
        "axis_code": {"X": 2, "Y": 3, "Z": 1}.get(axis, 0), "flag": r[78],
    }
    return r, row


def build_header(first_sample, parked):
    """(26 header bytes, manifest description) from the drive sample at the file's start."""
    texts = [_header_value_text(first_sample[a]) for a in "xyz"]
    tag = "P" if parked else "N"
    header = HEADER_RAW + "".join(texts).encode() + tag.encode() + b"\x00" * 7
    assert len(header) == HEADER_SIZE
    return header, {"hex": header.hex(), "raw_hex": HEADER_RAW.hex(), "value_texts": texts,
                    "values": [int(t) / 1000 for t in texts], "tag": tag}


def build_box(header, records):
    """The whole "gps0" box."""
    if len(records) > MAX_RECORDS:
        raise ValueError("%d records do not fit the 16-bit count" % len(records))
    body = b"CSODAT" + header + struct.pack(">H", len(records)) + b"".join(records) + b"CSOEND"
    return struct.pack(">I", 8 + len(body)) + b"gps0" + body
