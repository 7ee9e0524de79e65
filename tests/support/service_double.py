#!/usr/bin/env python3
"""A stand-in for the maker's web service, for tests only: it listens on 127.0.0.1 only.

Usage: service_double.py --scenario FILE --log DIR [--lifetime SECONDS]

It binds an ephemeral port, prints "PORT <n>" as its first line on stdout, serves until it is killed or its
lifetime (default 60 s) runs out, and never reaches any other address itself.

Scenario file (JSON): {"routes": [ROUTE, ...]}. A request takes the first ROUTE whose "path" equals its path
(without the query; "*" matches every path), whose "method" (optional) equals its method and that is not used
up. A request no route takes gets 404. A ROUTE may hold:
  "status"   answer status, default 200
  "headers"  {name: value} sent with the answer (a "Location" makes a redirect with "status" 302)
  "body"     answer text (UTF-8; "{base}" in it becomes the double's own "http://127.0.0.1:<port>"), or
             "body_b64" (base64 bytes), or "body_file" (a file's bytes)
  "encode"   "inverted-hex": the body is sent as upper-case hex pairs of its bytes, each byte complemented
             (the DLL search's reply encoding)
  "delay"    seconds to wait before answering (slow service)
  "times"    how many requests the route answers before it is used up (default: no limit)
  "drop"     true: close the connection without any answer

Log: every request, answered or not, is written to DIR as NNNN.body (the raw body) and then NNNN.txt, one
field a line: "method M", "path P", "query Q" (raw, as sent), then "header Name: value" per header. The .txt
appears whole (written beside and renamed), so a reader that sees it also sees the body.
"""
import argparse
import base64
import json
import os
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


class Double:
    def __init__(self, scenario, log_dir):
        self.routes = scenario.get("routes", [])
        self.used = [0] * len(self.routes)
        self.log_dir = log_dir
        self.count = 0
        self.lock = threading.Lock()

    def take(self, method, path):
        with self.lock:
            for i, r in enumerate(self.routes):
                if r.get("path") not in ("*", path):
                    continue
                if "method" in r and r["method"].upper() != method:
                    continue
                if "times" in r and self.used[i] >= r["times"]:
                    continue
                self.used[i] += 1
                return r
        return None

    def log(self, handler, body):
        with self.lock:
            self.count += 1
            n = self.count
        base = os.path.join(self.log_dir, "%04d" % n)
        with open(base + ".body", "wb") as f:
            f.write(body)
        path, _, query = handler.path.partition("?")
        lines = ["method " + handler.command, "path " + path, "query " + query]
        lines += ["header %s: %s" % (k, v) for k, v in handler.headers.items()]
        with open(base + ".tmp", "w", encoding="utf-8") as f:
            f.write("\n".join(lines) + "\n")
        os.rename(base + ".tmp", base + ".txt")


def body_of(route, base):
    if "body_b64" in route:
        data = base64.b64decode(route["body_b64"])
    elif "body_file" in route:
        with open(route["body_file"], "rb") as f:
            data = f.read()
    else:
        data = route.get("body", "").replace("{base}", base).encode("utf-8")
    if route.get("encode") == "inverted-hex":
        data = "".join("%02X" % (~b & 0xFF) for b in data).encode("ascii")
    return data


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    double = None

    def log_message(self, *args):
        pass

    def handle_any(self):
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length > 0 else b""
        self.double.log(self, body)
        route = self.double.take(self.command, self.path.partition("?")[0])
        if route is None:
            route = {"status": 404, "body": "not found"}
        if route.get("delay"):
            time.sleep(float(route["delay"]))
        if route.get("drop"):
            self.close_connection = True
            return
        data = body_of(route, "http://127.0.0.1:%d" % self.server.server_address[1])
        headers = route.get("headers", {})
        status = route.get("status", 302 if "Location" in headers else 200)
        self.send_response(status)
        for k, v in headers.items():
            self.send_header(k, v)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(data)

    do_GET = do_POST = do_HEAD = do_PUT = handle_any


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--scenario", required=True)
    ap.add_argument("--log", required=True)
    ap.add_argument("--lifetime", type=float, default=60.0)
    args = ap.parse_args()
    with open(args.scenario, encoding="utf-8") as f:
        scenario = json.load(f)
    os.makedirs(args.log, exist_ok=True)
    Handler.double = Double(scenario, args.log)
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    print("PORT %d" % server.server_address[1], flush=True)
    threading.Timer(args.lifetime, server.shutdown).start()
    server.serve_forever()
    server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
