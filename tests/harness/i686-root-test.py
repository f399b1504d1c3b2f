#!/usr/bin/env python3
"""Checks harness/i686-root, the set-up of the emulated i686 lane's root.
Usage: i686-root-test.py CASE, with CASE one of
  faulty-mirror   a whole set-up through a mirror on 127.0.0.1 that forwards
                  to the host's Debian archive but sends every file below one
                  index cut short by a tenth and answers the first request for
                  the wine32 package with 503: the set-up goes on without that
                  index's suite, saying so, fetches the package again and
                  completes. Skipped (77) where the archive cannot be reached.
  foreign-folder  a folder the set-up did not make, with someone's file and a
                  planted root that looks ready: setup and dir refuse it in one
                  line, and nothing in it is run, changed or removed.
Environment (set by CMake): SOURCE_DIR, WORK (this test's folder).
"""
import http.server
import os
import re
import shutil
import socketserver
import subprocess
import sys
import tempfile
import threading
import urllib.error
import urllib.request

source, work = os.environ["SOURCE_DIR"], os.environ["WORK"]
setup = os.path.join(source, "harness", "i686-root")
failures = []


def expect(what, actual, expected):
    if actual != expected:
        failures.append(f"{what}: got {actual!r}, expected {expected!r}")


def run(*command, **variables):
    result = subprocess.run(command, env=dict(os.environ, **variables), capture_output=True, text=True)
    return result.returncode, result.stdout + result.stderr


class Mirror(http.server.BaseHTTPRequestHandler):
    """Forwards plain paths to the upstream host, with the two faults."""
    protocol_version = "HTTP/1.1"
    upstream, cut_short, log, failed = "", "", [], set()

    def log_message(self, *args):
        pass

    def begin(self, status, length, headers=()):
        self.send_response(status)
        for header in headers:
            self.send_header(*header)
        self.send_header("Content-Length", str(length))
        self.end_headers()
        Mirror.log.append(f"{status} {self.path}")

    def do_GET(self):
        if not re.fullmatch(r"/[A-Za-z0-9._~%+/-]*", self.path) or "/../" in self.path:
            return self.begin(400, 0)
        if re.search(r"/wine32_[^/]*\.deb$", self.path) and "wine32" not in Mirror.failed:
            Mirror.failed.add("wine32")
            return self.begin(503, 0)
        try:
            reply = urllib.request.urlopen(Mirror.upstream + self.path, timeout=60)
        except urllib.error.HTTPError as error:
            return self.begin(error.code, 0)
        except OSError:
            return self.begin(502, 0)
        with reply:
            # Streamed, so that apt receives a large package while it comes.
            length = int(reply.headers.get("Content-Length") or 0) or None
            body = reply.read() if length is None else None
            length = len(body) if body is not None else length
            if self.path.startswith(Mirror.cut_short) and length:
                length -= max(1, length // 10)
            kept = [(k, v) for k, v in reply.getheaders() if k.lower() in ("last-modified", "content-type")]
            self.begin(reply.status, length, kept)
            while length > 0:
                chunk = body[:length] if body is not None else reply.read(min(length, 1 << 16))
                if not chunk:
                    break
                self.wfile.write(chunk)
                length -= len(chunk)


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        # apt closes connections it no longer needs, in the middle of a reply too.
        if not isinstance(sys.exc_info()[1], ConnectionError):
            super().handle_error(request, client_address)


def faulty_mirror(folder):
    codename = run("sh", "-c", ". /etc/os-release && echo $VERSION_CODENAME")[1].strip()
    targets = run("apt-get", "indextargets", "--format", "$(REPO_URI) $(RELEASE) $(COMPONENT)",
                  "Origin: Debian", "Created-By: Packages")[1].split("\n")
    targets = [t.split() for t in targets if re.match(r"https?://", t)]
    # The index cut short: one of a suite beside the release, which the root can do without.
    suites = [t for suite in (codename + "-updates", codename + "-security") for t in targets if t[1] == suite]
    if not suites:
        print(f"skipped: this host's apt names no {codename}-updates or -security suite")
        return 77
    uri, suite, component = suites[0]
    Mirror.upstream = re.match(r"https?://[^/]+", uri).group(0)
    Mirror.cut_short = f"{uri[len(Mirror.upstream):].rstrip('/')}/dists/{suite}/{component}/binary-i386/"
    server = Server(("127.0.0.1", 0), Mirror)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    root = os.path.join(folder, "i686")
    status, output = run(setup, "setup", HOTKEY_I686_ROOT=root,
                         HOTKEY_I686_MIRROR=f"http://127.0.0.1:{server.server_address[1]}")
    server.shutdown()
    print(output)
    if status and Mirror.log and all(line.startswith("502 ") for line in Mirror.log):
        print(f"skipped: the Debian archive ({Mirror.upstream}) cannot be reached from here")
        return 77
    expect("the set-up's exit status", status, 0)
    expect("the root it set up", run(setup, "dir", HOTKEY_I686_ROOT=root)[1].strip(), root + "/root")
    left_out = f"i686-root: going on without the suite {suite}, as .*{re.escape(Mirror.cut_short)}"
    expect("lines saying the suite was left out", len(re.findall("^" + left_out, output, re.M)), 1)
    expect("answers to the wine32 package",
           [line.split()[0] for line in Mirror.log if re.search(r"/wine32_[^/]*\.deb$", line)], ["503", "200"])


def foreign_folder(folder):
    root = os.path.join(folder, "i686")
    # Someone's folder with a file of theirs and a root that looks ready, whose
    # Wine would leave a trace if it were run.
    os.makedirs(os.path.join(root, "root/usr/lib/wine"))
    os.makedirs(os.path.join(root, "apt"))
    wine64 = run("dpkg-query", "-W", "-f=${Version}", "wine64")[1]
    for name, text in (("notes.txt", "not the set-up's\n"), ("root/.ready", f"layout 1, wine64 {wine64}\n"),
                       ("root/usr/lib/wine/wine", f"#!/bin/sh\ntouch '{folder}/run'\n")):
        with open(os.path.join(root, name), "w") as f:
            f.write(text)
    os.chmod(os.path.join(root, "root/usr/lib/wine/wine"), 0o755)

    def listing():  # every file and folder, with its time, mode and size
        paths = [os.path.join(top, name) for top, dirs, files in os.walk(folder) for name in dirs + files]
        return sorted((path, os.lstat(path).st_mtime_ns, os.lstat(path).st_mode, os.lstat(path).st_size)
                      for path in paths)
    before = listing()
    for command in ("setup", "dir"):
        status, output = run(setup, command, HOTKEY_I686_ROOT=root)
        expect(f"i686-root {command}: exit status", status, 1)
        expect(f"i686-root {command}: lines", output.count("\n"), 1)
        if not re.search("refusing the i686 root's folder: .*was not made by this set-up", output):
            failures.append(f"i686-root {command}: no refusal: {output}")
        expect(f"i686-root {command}: the folder afterwards", listing(), before)
    status, _ = run(os.path.join(source, "harness", "wine-i686"), "cmd", "/c", "exit",
                    HOTKEY_I686_ROOT=root, HOTKEY_I686_EMULATE="1")
    expect("wine-i686 with the planted root: exit status", status, 126)
    if os.path.exists(os.path.join(folder, "run")):
        failures.append("the planted root's wine was run")


def main(case):
    # The root's folder must have a plain path (i686-root takes no other).
    plain = re.fullmatch(r"[A-Za-z0-9/._+-]*", work)
    folder = os.path.join(work, "folder") if plain else tempfile.mkdtemp(prefix="i686-root-test.")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    try:
        if {"faulty-mirror": faulty_mirror, "foreign-folder": foreign_folder}[case](folder) == 77:
            return 77
    finally:
        shutil.rmtree(os.path.join(folder, "i686"), ignore_errors=True)
        if not plain:
            shutil.rmtree(folder, ignore_errors=True)
    print("\n".join(f"FAIL: {failure}" for failure in failures) or "OK")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
