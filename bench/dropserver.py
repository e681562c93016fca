#!/usr/bin/env python3
"""An HTTP/1.1 file server on 127.0.0.1 for benchmark B5: it answers range
requests and drops every connection after DROP bytes of body.
Usage: dropserver.py ROOT PORT DROP_BYTES"""
import os
import re
import socketserver
import sys
from http.server import BaseHTTPRequestHandler

ROOT, PORT, DROP = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_GET(self):
        path = os.path.join(ROOT, self.path.lstrip("/"))
        if not os.path.isfile(path):
            self.send_error(404)
            return
        size = os.path.getsize(path)
        start = 0
        rng = self.headers.get("Range", "")
        if not rng:
            # A header name with a space ("Accept -Encoding") ends Python's
            # header parsing; the lines after it stay in the payload.
            payload = self.headers.get_payload()
            found = re.search(r"^Range: *(bytes=\S*)", payload if isinstance(payload, str) else "", re.M)
            rng = found.group(1) if found else ""
        if rng.startswith("bytes="):
            first = rng[6:].split("-")[0]
            start = int(first) if first else 0
            end = rng[6:].split("-")[1] if "-" in rng else ""
            last = min(int(end), size - 1) if end else size - 1
            self.send_response(206)
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, last, size))
            length = last - start + 1
        else:
            self.send_response(200)
            length = size
        self.send_header("Content-Length", str(length))
        self.send_header("Accept-Ranges", "bytes")
        self.send_header("Connection", "close")
        self.end_headers()
        with open(path, "rb") as f:
            f.seek(start)
            left = min(length, DROP)
            while left > 0:
                block = f.read(min(left, 256 * 1024))
                if not block:
                    break
                self.wfile.write(block)
                left -= len(block)
        self.close_connection = True


class Server(socketserver.ThreadingMixIn, socketserver.TCPServer):
    allow_reuse_address = True
    daemon_threads = True
    # Ten parts connect at once; real servers listen with a backlog far above
    # Python's default of 5 (nginx 511), and connections beyond it wait for
    # a SYN retry.
    request_queue_size = 64


Server(("127.0.0.1", PORT), Handler).serve_forever()
