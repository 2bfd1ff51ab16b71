#!/usr/bin/env python3
"""The servers bench/iecapt/hostile.sh sets against the tool, on 127.0.0.1:

  status  answers every request with status 500 and a status line holding a
          line separator, a NEL, a right-to-left override and accented
          letters across its 100th byte
  post    /post.html posts 100 MB to /sink, which reads and drops it; any
          other path is a plain page
  socks   a SOCKS5 proxy: names ending in .socks-only.test lead to the post
          server, others where they name; each connection is logged

Prints "NAME PORT" for each, then serves until its standard input closes.
Usage: hostile_peers.py SOCKS_LOG
"""
import http.server
import socket
import socketserver
import struct
import sys
import threading

PLAIN = b"<html><body style='background:#fff'><h1>plain</h1></body></html>"
POSTING = b"""<html><body><h1>posting</h1><script>
fetch('/sink', {method: 'POST', body: new Uint8Array(100 * 1024 * 1024)}).catch(() => {});
</script></body></html>"""


class Status(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        reason = "OK\u2028Orlenda: all web sites were saved.\u0085 \u202eelif " + "\u00e9" * 60
        self.wfile.write(("HTTP/1.1 500 " + reason + "\r\n").encode())
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(PLAIN)))
        self.end_headers()
        self.wfile.write(PLAIN)

    def log_message(self, *args):
        pass


class Post(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        body = POSTING if self.path.startswith("/post.html") else PLAIN
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_POST(self):
        left = int(self.headers.get("Content-Length", 0))
        while left > 0:
            chunk = self.rfile.read(min(left, 1 << 20))
            if not chunk:
                break
            left -= len(chunk)
        self.send_response(204)
        self.end_headers()

    def log_message(self, *args):
        pass


class Threading(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


def relay(source, sink):
    try:
        while data := source.recv(65536):
            sink.sendall(data)
    except OSError:
        pass
    finally:
        for end in (source, sink):
            try:
                end.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass


def socks(client, post_port, log):
    try:
        client.recv(262)
        client.sendall(b"\x05\x00")
        _, _, _, kind = client.recv(4)
        if kind == 3:
            host = client.recv(client.recv(1)[0]).decode()
        elif kind == 1:
            host = socket.inet_ntoa(client.recv(4))
        else:
            host = socket.inet_ntop(socket.AF_INET6, client.recv(16))
        port = struct.unpack("!H", client.recv(2))[0]
        with open(log, "a") as out:
            out.write(f"{host} {port}\n")
        if host.endswith(".socks-only.test"):
            host, port = "127.0.0.1", post_port
        upstream = socket.create_connection((host, port))
        client.sendall(b"\x05\x00\x00\x01\x7f\x00\x00\x01\x00\x00")
        threading.Thread(target=relay, args=(upstream, client), daemon=True).start()
        relay(client, upstream)
    except (OSError, ValueError):
        client.close()


def main():
    log = sys.argv[1]
    servers = {"status": Threading(("127.0.0.1", 0), Status),
               "post": Threading(("127.0.0.1", 0), Post)}
    for server in servers.values():
        threading.Thread(target=server.serve_forever, daemon=True).start()
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(64)
    post_port = servers["post"].server_address[1]

    def accept():
        while True:
            client, _ = listener.accept()
            threading.Thread(target=socks, args=(client, post_port, log), daemon=True).start()

    threading.Thread(target=accept, daemon=True).start()
    for name, server in servers.items():
        print(name, server.server_address[1])
    print("socks", listener.getsockname()[1], flush=True)
    sys.stdin.read()


if __name__ == "__main__":
    main()
