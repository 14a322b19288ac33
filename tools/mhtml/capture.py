#!/usr/bin/env python3
"""Saves pages as headless Chromium saves them in one file (MHTML), through
the DevTools protocol's Page.captureSnapshot, as the test files of saved
pages are made:

    tools/mhtml/capture.py PAGE.htm OUT.mhtml [PAGE.htm OUT.mhtml ...]

Needs Debian's chromium (tools/readable/compare installs it). Standard
library only: the protocol's WebSocket is spoken here, text frames alone.
"""
import base64
import json
import os
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import time
import urllib.request


def websocket(url):
    rest = url.split("://", 1)[1]
    host_port, path = rest.split("/", 1)
    host, port = host_port.split(":")
    sock = socket.create_connection((host, int(port)))
    key = base64.b64encode(os.urandom(16)).decode()
    sock.sendall((f"GET /{path} HTTP/1.1\r\nHost: {host_port}\r\nUpgrade: websocket\r\n"
                  f"Connection: Upgrade\r\nSec-WebSocket-Key: {key}\r\n"
                  "Sec-WebSocket-Version: 13\r\n\r\n").encode())
    reply = b""
    while b"\r\n\r\n" not in reply:
        reply += sock.recv(1)
    if b" 101 " not in reply.split(b"\r\n", 1)[0]:
        raise RuntimeError(reply.decode(errors="replace"))
    return sock


def send(sock, text):
    data = text.encode()
    mask = os.urandom(4)
    head = bytes([0x81])
    if len(data) < 126:
        head += bytes([0x80 | len(data)])
    elif len(data) < 65536:
        head += bytes([0x80 | 126]) + struct.pack(">H", len(data))
    else:
        head += bytes([0x80 | 127]) + struct.pack(">Q", len(data))
    sock.sendall(head + mask + bytes(b ^ mask[i % 4] for i, b in enumerate(data)))


def exactly(sock, n):
    data = b""
    while len(data) < n:
        chunk = sock.recv(n - len(data))
        if not chunk:
            raise RuntimeError("connection closed")
        data += chunk
    return data


def receive(sock):
    message = b""
    while True:
        first, second = exactly(sock, 2)
        length = second & 0x7F
        if length == 126:
            length = struct.unpack(">H", exactly(sock, 2))[0]
        elif length == 127:
            length = struct.unpack(">Q", exactly(sock, 8))[0]
        message += exactly(sock, length)
        if first & 0x80:
            return json.loads(message)


def call(sock, ident, method, params=None):
    send(sock, json.dumps({"id": ident, "method": method, "params": params or {}}))
    while True:
        reply = receive(sock)
        if reply.get("id") == ident:
            return reply.get("result", {})


def main(args):
    if len(args) < 2 or len(args) % 2:
        sys.exit(__doc__)
    profile = tempfile.mkdtemp()
    port = 9300 + os.getpid() % 500
    browser = subprocess.Popen(
        ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
         "--no-first-run", "--disable-background-networking", "--disable-component-update",
         "--disable-sync", f"--user-data-dir={profile}", f"--remote-debugging-port={port}",
         "about:blank"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        for _ in range(100):
            try:
                pages = json.load(urllib.request.urlopen(f"http://127.0.0.1:{port}/json"))
                break
            except OSError:
                time.sleep(0.2)
        page = next(p for p in pages if p["type"] == "page")
        sock = websocket(page["webSocketDebuggerUrl"])
        ident = 1
        for source, target in zip(args[0::2], args[1::2]):
            url = "file://" + os.path.abspath(source)
            call(sock, ident, "Page.navigate", {"url": url})
            time.sleep(1.5)
            snapshot = call(sock, ident + 1, "Page.captureSnapshot", {"format": "mhtml"})
            ident += 2
            with open(target, "wb") as f:
                f.write(snapshot["data"].encode())
            print(f"{source} -> {target}")
    finally:
        browser.terminate()
        browser.wait()
        shutil.rmtree(profile, ignore_errors=True)


if __name__ == "__main__":
    main(sys.argv[1:])
