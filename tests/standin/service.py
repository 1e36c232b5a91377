#!/usr/bin/env python3
"""Placeholder stand-in service: answers every GET with a small page."""
import argparse
import http.server

parser = argparse.ArgumentParser()
parser.add_argument("--port", type=int, default=8731)
parser.add_argument("--download", default=".")
args = parser.parse_args()


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        body = b"<html><body>stand-in</body></html>"
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


http.server.ThreadingHTTPServer(("127.0.0.1", args.port), Handler).serve_forever()
