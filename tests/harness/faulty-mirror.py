#!/usr/bin/env python3
"""A Debian mirror on 127.0.0.1 that forwards every request to a real one and
answers two of them badly, as mirrors do:

- every file below PATH_PREFIX (one index of a suite: Packages.xz, its other
  compressions and its by-hash names) is sent cut short, a tenth missing;
- the first request for a .deb whose name starts with PACKAGE_ ends with
  503 Service Unavailable, later ones are forwarded.

Usage: faulty-mirror.py UPSTREAM PATH_PREFIX PACKAGE PORT_FILE LOG_FILE
UPSTREAM is scheme and host (http://deb.debian.org). The port, chosen by the
system, is written to PORT_FILE once the server listens; one line per request
goes to LOG_FILE ("STATUS PATH"). It stops on SIGTERM, or by itself after an
hour.
"""
import http.server
import io
import os
import re
import signal
import socketserver
import sys
import threading
import urllib.error
import urllib.request

upstream, prefix, package, port_file, log_file = sys.argv[1:]
if not re.fullmatch(r"https?://[A-Za-z0-9.-]+(:[0-9]+)?", upstream):
    sys.exit("faulty-mirror: UPSTREAM must be scheme://host[:port]")

lock = threading.Lock()
failed_once = False
log = open(log_file, "a", buffering=1)


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self, status, body=b"", headers=()):
        self.begin(status, len(body), headers)
        if self.command != "HEAD":
            self.wfile.write(body)

    def begin(self, status, length, headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(length))
        self.end_headers()
        with lock:
            log.write(f"{status} {self.path}\n")

    def do_GET(self):
        global failed_once
        # Only plain paths are forwarded; the host is always the upstream's.
        if not re.fullmatch(r"/[A-Za-z0-9._~%+/-]*", self.path) or "/../" in self.path:
            return self.answer(400)
        name = self.path.rsplit("/", 1)[-1]
        if name.startswith(package + "_") and name.endswith(".deb"):
            with lock:
                first, failed_once = not failed_once, True
            if first:
                return self.answer(503, headers=[("Retry-After", "1")])
        request = urllib.request.Request(upstream + self.path, method=self.command)
        try:
            reply = urllib.request.urlopen(request, timeout=60)
        except urllib.error.HTTPError as error:
            return self.answer(error.code)
        except (OSError, urllib.error.URLError) as error:
            return self.answer(502, f"upstream: {error}\n".encode())
        with reply:
            status = reply.status
            kept = [(k, v) for k, v in reply.getheaders() if k.lower() in ("last-modified", "content-type")]
            length = reply.headers.get("Content-Length", "")
            source = reply
            if not length.isdigit():
                source = io.BytesIO(reply.read())
                length = len(source.getvalue())
            length = int(length)
            # Cut short by a tenth: what a mirror in the middle of a sync serves.
            if status == 200 and self.path.startswith(prefix) and length:
                length -= max(1, length // 10)
            self.begin(status, length, kept)
            if self.command == "HEAD":
                return
            while length > 0:
                chunk = source.read(min(length, 1 << 16))
                if not chunk:
                    break
                self.wfile.write(chunk)
                length -= len(chunk)

    do_HEAD = do_GET


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        # apt closes connections it no longer needs, in the middle of a reply too.
        if not isinstance(sys.exc_info()[1], ConnectionError):
            super().handle_error(request, client_address)


server = Server(("127.0.0.1", 0), Handler)
signal.signal(signal.SIGTERM, lambda *_: threading.Thread(target=server.shutdown).start())
timer = threading.Timer(3600, server.shutdown)
timer.daemon = True
timer.start()
with open(port_file + ".new", "w") as f:
    f.write(f"{server.server_address[1]}\n")
os.rename(port_file + ".new", port_file)
server.serve_forever()
