#!/usr/bin/env python3
"""Serves the files of a folder over HTTP/1.1 on 127.0.0.1 with "Range: bytes=N-" (and N-M) support
and an optional per-connection rate cap. Prints the port it listens on, then serves until killed.
With --log FILE each request is appended to FILE as one line (request, Range header, answer) when it is answered."""
import argparse
import os
import re
import socket
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    root = "."
    rate = 0
    log_path = None
    log_lock = threading.Lock()

    def log_message(self, *args):
        pass

    def send_response(self, code, message=None):
        super().send_response(code, message)
        if self.log_path:
            line = "%s %s  Range: %s  -> %d\n" % (self.command, self.path, self.headers.get("Range", "(none)"), code)
            with self.log_lock, open(self.log_path, "a") as log:
                log.write(line)

    def do_GET(self):
        path = os.path.join(self.root, os.path.basename(self.path.split("?")[0]))
        if not os.path.isfile(path):
            self.send_response(404)
            self.send_header("Content-Length", "0")
            self.send_header("Connection", "close")
            self.end_headers()
            return
        size = os.path.getsize(path)
        start, end = 0, size - 1
        m = re.search(r"bytes=(\d+)-(\d*)", self.headers.get("Range", ""))
        if m:
            start = int(m.group(1))
            if m.group(2):
                end = min(int(m.group(2)), size - 1)
            if start >= size:
                self.send_response(416)
                self.send_header("Content-Range", "bytes */%d" % size)
                self.send_header("Content-Length", "0")
                self.send_header("Connection", "close")
                self.end_headers()
                return
            self.send_response(206)
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, end, size))
        else:
            self.send_response(200)
        length = end - start + 1
        self.send_header("Content-Type", "application/zip")
        self.send_header("Content-Length", str(length))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.flush()
        with open(path, "rb") as f:
            try:
                if self.rate <= 0:
                    self.connection.sendfile(f, offset=start, count=length)
                else:
                    self.send_capped(f, start, length)
            except (BrokenPipeError, ConnectionResetError):
                pass
        self.close_connection = True

    def send_capped(self, f, start, length):
        f.seek(start)
        began = time.monotonic()
        sent = 0
        slice_bytes = max(self.rate // 50, 1024)
        while sent < length:
            due = began + sent / self.rate
            now = time.monotonic()
            if due > now:
                time.sleep(due - now)
            data = f.read(min(slice_bytes, length - sent))
            if not data:
                break
            self.connection.sendall(data)
            sent += len(data)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("root")
    parser.add_argument("--rate", type=int, default=0, help="bytes per second per connection, 0 for no cap")
    parser.add_argument("--log", help="file that gets one line per request")
    args = parser.parse_args()
    Handler.root = args.root
    Handler.rate = args.rate
    Handler.log_path = args.log
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
