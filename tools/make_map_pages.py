#!/usr/bin/env python3
"""Makes the two map pages from the one page script and the one page shell.

  map103.html  UTF-8, for the Internet Explorer control (host: window.external)
  map381.html  UTF-16 little-endian without a byte-order mark, for the WebView2 control, which gets
               it as a string (host: chrome.webview.hostObjects.sync.sample)

Both carry the same script between the /*@MAP_SCRIPT_BEGIN@*/ and /*@MAP_SCRIPT_END@*/ marks and
the event icons inline as data: URLs (drawn by tools/draw_map_icons.py), so neither page needs
anything from the program's file. Every value put into the page's configuration script is written as
a JSON literal.

Usage: make_map_pages.py --script FILE --shell FILE --out DIR
"""
import argparse
import base64
import json
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import draw_map_icons  # noqa: E402


def data_url(png):
    return "data:image/png;base64," + base64.b64encode(png).decode("ascii")


def config_script(host_kind, pictures):
    icons = [data_url(pictures[n]) for n in draw_map_icons.ICON_TABLE]
    lines = [
        "var g_hostKind = %s;" % json.dumps(host_kind),
        "var g_iconurl = %s;" % json.dumps(icons, indent=0),
        "var g_shadowurl = %s;" % json.dumps(data_url(pictures[draw_map_icons.SHADOW])),
    ]
    return "\n".join(lines)


def make_page(shell, script, host_kind, charset_meta, pictures):
    if "</script" in script.lower():
        raise SystemExit("make_map_pages: the page script must not contain a closing script tag")
    page = shell.replace("@CHARSET@", charset_meta)
    page = page.replace("@CONFIG@", config_script(host_kind, pictures))
    return page.replace("@SCRIPT@", script.rstrip("\n"))


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--script", required=True)
    ap.add_argument("--shell", required=True)
    ap.add_argument("--out", required=True)
    args = ap.parse_args()
    with open(args.script, encoding="utf-8") as f:
        script = f.read()
    with open(args.shell, encoding="utf-8") as f:
        shell = f.read()
    pictures = draw_map_icons.draw_all()
    os.makedirs(args.out, exist_ok=True)
    page103 = make_page(shell, script, "external", '<meta charset="utf-8">\n', pictures)
    page381 = make_page(shell, script, "webview", "", pictures)
    with open(os.path.join(args.out, "map103.html"), "wb") as f:
        f.write(page103.encode("utf-8"))
    with open(os.path.join(args.out, "map381.html"), "wb") as f:
        f.write(page381.encode("utf-16-le"))


if __name__ == "__main__":
    main()
