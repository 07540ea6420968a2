#!/usr/bin/env python3
"""A loopback HTTP server for the online update's tests.

It serves the files below --root on 127.0.0.1 at a free port (written to
--port-file) and misbehaves on request, chosen by the first path segment:

  /ok/FILE        the file, with Content-Length and Last-Modified
  /long/FILE      announces 100 bytes fewer than it sends
  /short/FILE     announces 1,000 bytes more than it sends, then closes
  /nolength/FILE  no Content-Length: the body ends when the connection does
  /slow/FILE      1,024 bytes every 0.2 s
  /missing/FILE   404
  /endless/FILE   no Content-Length, and a body that never ends
  /stall/FILE     the headers (with Content-Length), then nothing: the
                  connection stays open and silent
  /now/FILE       as the prefix in --scenario-file says: with "endless/x" in
                  it, /now/version.txt is served as /endless/x/version.txt

Text files (*.txt) have "{base}" replaced by this server's own address.
Requests that name a whole address (as a client sends them to a proxy) are
served the same way and logged with "PROXY". Every request line goes to
--log. The server ends by itself after --lifetime seconds.
"""
import argparse
import http.server
import os
import socketserver
import threading
import time

LAST_MODIFIED = "Wed, 01 Jan 2025 10:20:30 GMT"


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, fmt, *args):
        pass

    def do_GET(self):
        path = self.path
        proxied = path.startswith("http://")
        if proxied:
            path = "/" + path.split("/", 3)[3] if path.count("/") >= 3 else "/"
        if path.startswith("/now/") and self.server.scenario_file:
            with open(self.server.scenario_file) as f:
                path = "/" + f.read().strip().strip("/") + path[len("/now"):]
        with self.server.log_lock:
            with open(self.server.log_path, "a") as log:
                log.write(("PROXY " if proxied else "DIRECT ") + self.path + "\n")
        parts = path.lstrip("/").split("/", 1)
        mode = parts[0]
        name = parts[1] if len(parts) > 1 else ""
        file = os.path.normpath(os.path.join(self.server.root, name))
        if mode == "missing" or not file.startswith(self.server.root + os.sep) or not os.path.isfile(file):
            self.send_error(404)
            return
        if mode in ("endless", "stall"):
            self.misbehave(mode)
            return
        with open(file, "rb") as f:
            body = f.read()
        if file.endswith(".txt"):
            base = "http://127.0.0.1:%d" % self.server.server_address[1]
            body = body.replace(b"{base}", base.encode())
        announced = {"long": len(body) - 100, "short": len(body) + 1000}.get(mode, len(body))
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Last-Modified", LAST_MODIFIED)
        if mode != "nolength":
            self.send_header("Content-Length", str(announced))
        self.send_header("Connection", "close")
        self.end_headers()
        try:
            if mode == "slow":
                for start in range(0, len(body), 1024):
                    self.wfile.write(body[start:start + 1024])
                    self.wfile.flush()
                    time.sleep(0.2)
            else:
                self.wfile.write(body)
        except (BrokenPipeError, ConnectionResetError):
            pass  # the client stopped reading (an abort)


    def misbehave(self, mode):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Last-Modified", LAST_MODIFIED)
        if mode == "stall":
            self.send_header("Content-Length", "4096")
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.flush()
        try:
            if mode == "stall":
                # Silent until the client gives up (or the server ends).
                while self.connection.recv(1):
                    pass
                return
            block = b"x" * 65536
            while True:
                self.wfile.write(block)
        except (BrokenPipeError, ConnectionResetError, OSError):
            pass


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--lifetime", type=float, default=1800)
    parser.add_argument("--scenario-file", default="")
    args = parser.parse_args()
    server = Server(("127.0.0.1", 0), Handler)
    server.root = os.path.realpath(args.root)
    server.log_path = args.log
    server.log_lock = threading.Lock()
    server.scenario_file = args.scenario_file
    timer = threading.Timer(args.lifetime, server.shutdown)
    timer.daemon = True
    timer.start()
    with open(args.port_file + ".tmp", "w") as f:
        f.write(str(server.server_address[1]))
    os.replace(args.port_file + ".tmp", args.port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
