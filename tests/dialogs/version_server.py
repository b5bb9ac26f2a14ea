#!/usr/bin/env python3
"""Runs a command beside a small HTTP server on 127.0.0.1 serving the update check's version files.

Usage: version_server.py COMMAND [ARGS...]; the port goes to the command in QUILL_TEST_HTTP_PORT and the
command's status is the script's. The first path segment picks the behaviour: a row of VERSIONS (viewer,
firmware bodies; the "hostile" rows are spoofed files whose version carries link markup); "stall" never answers; "stallbody" sends headers and part of the body, then nothing;
"midbody" declares 100 bytes, sends part and closes; anything else is 404.
"""
import http.server
import os
import socketserver
import subprocess
import sys
import threading
import time

HOLD_SECONDS = 20  # how long a stalling answer holds its connection (longer than any client waits)

# A version followed by a link that would start a program from the update dialog.
HOSTILE = b'VER:%s <a href="C:\\Windows\\System32\\cmd.exe">download</a>\r\n'

VERSIONS = {
    "current": (b"VER:2.0.2\r\n", b"VER:1.2.3\r\n"),
    "newviewer": (b"VER:2.0.3\r\n", b"VER:1.2.3\r\n"),
    "both": (b"VER:2.0.3\r\n", b"VER:1.3.0\r\n"),
    "nover": (b"version 2.0.3\r\n", b"version 1.3.0\r\n"),
    "long": (b"VER:" + b"9" * 300 + b"\r\n", b"VER:" + b"8" * 300 + b"\r\n"),
    "empty": (b"", b""),
    "hostileviewer": (HOSTILE % b"2.0.3", b"VER:1.3.0\r\n"),
    "hostilefirmware": (b"VER:2.0.3\r\n", HOSTILE % b"1.3.0"),
}


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_GET(self):
        parts = self.path.lstrip("/").split("/", 1)
        mode = parts[0]
        firmware = self.path.endswith("_sw_version.txt")
        if mode == "stall":
            time.sleep(HOLD_SECONDS)
            return
        if mode in ("stallbody", "midbody"):
            self.send_response(200)
            self.send_header("Content-Length", "100")
            self.end_headers()
            self.wfile.write(b"VER:2.0")
            self.wfile.flush()
            if mode == "stallbody":
                time.sleep(HOLD_SECONDS)
            self.close_connection = True
            return
        if mode not in VERSIONS:
            self.send_response(200 if mode == "" else 404)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        body = VERSIONS[mode][1 if firmware else 0]
        self.send_response(200)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


def main():
    server = Server(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    env = dict(os.environ, QUILL_TEST_HTTP_PORT=str(server.server_address[1]))
    status = subprocess.call(sys.argv[1:], env=env)
    server.shutdown()
    return status


if __name__ == "__main__":
    sys.exit(main())
