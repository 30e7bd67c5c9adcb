#!/usr/bin/env python3
"""Loopback web servers for the update check's in-process and end-to-end tests.

    version_server.py start STATE_DIR   start the server in the background (its pid in
                                        STATE_DIR/pid); returns once it answers
    version_server.py stop STATE_DIR    stop the server of STATE_DIR by its pid
    version_server.py serve STATE_DIR   the server itself (what `start` runs)

It listens on 127.0.0.1 on these ports, written to STATE_DIR/ports.txt:
  http         answers by the first path segment (see ANSWERS), so that
               http://127.0.0.1:<http>/<case>/prog/glyphwell.vsn is the version file of <case>;
               /wrong.pac is a proxy configuration script that sends
               glyphwell.example.org to proxy_wrong
  https        the same over TLS with a self-signed certificate made with openssl at start
               (STATE_DIR/cert.pem): a client that checks certificates must refuse it
  silent       accepts connections and never answers
  site         the web site glyphwell.example.org over TLS, its certificate signed by a test
               CA made at start (STATE_DIR/ca.pem, which a client must trust first); its
               version file /prog/glyphwell.vsn holds what STATE_DIR/site.json says
               ({"body": "1.12", "hold": false}: the text, and whether the answer waits
               until the test creates STATE_DIR/site.release, which the answer removes)
  wrong        the same with a certificate of the same CA for another host (wrong.example.net)
  proxy        an HTTP proxy that tunnels every CONNECT to site
  proxy_wrong  the same, to wrong
Every request is logged to STATE_DIR/requests.log as "<port name> <path> <User-Agent>" (a
proxy logs "<port name> CONNECT <host:port>", the site "<port name> answered <path>" once it
has answered), every TLS connection to STATE_DIR/tls.log.
"""

from __future__ import annotations

import http.server
import json
import os
import select
import socketserver
import signal
import socket
import ssl
import subprocess
import sys
import threading
import time
import urllib.request
from pathlib import Path

# case -> (status, body)
ANSWERS = {
    "v111": (200, b"1.11"),
    "v112": (200, b"1.12"),
    "v12": (200, b"1.2"),
    "v110": (200, b"1.10"),
    "v111nl": (200, b"1.11\n"),
    "sixteen": (200, b"1.12".ljust(16, b"0")),
    "seventeen": (200, b"1.12".ljust(17, b"0")),
    "empty": (200, b""),
    "missing": (404, None),          # the server's own (long) error page
    "short404": (404, b"1.12"),      # an error status with a version-like body
    "held": (200, b"1.11"),          # answered once the test creates STATE_DIR/held.release
}
HOLD_LIMIT_SECONDS = 120  # a test that never releases an answer does not keep a thread for ever
SITE_HOST = "glyphwell.example.org"


def log(state: Path, name: str, line: str) -> None:
    with open(state / name, "a", encoding="utf-8") as f:
        f.write(line + "\n")


def wait_for_release(release: Path) -> None:
    """Holds an answer until the test creates `release`; takes it away again."""
    deadline = time.monotonic() + HOLD_LIMIT_SECONDS
    while not release.exists() and time.monotonic() < deadline:
        time.sleep(0.02)
    release.unlink(missing_ok=True)


def make_handler(state: Path, port_name: str):
    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def do_GET(self):  # noqa: N802
            log(state, "requests.log", f"{port_name} {self.path} {self.headers.get('User-Agent', '')}")
            parts = self.path.split("/")
            case = parts[1] if len(parts) > 1 else ""
            if self.path == "/wrong.pac":
                port = read_ports(state)["proxy_wrong"]
                body = (f"function FindProxyForURL(url, host) {{ if (host == '{SITE_HOST}') "
                        f"return 'PROXY 127.0.0.1:{port}'; return 'DIRECT'; }}").encode()
                self.send_response(200)
                self.send_header("Content-Type", "application/x-ns-proxy-autoconfig")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)
                return
            if case == "held":
                wait_for_release(state / "held.release")
            if case == "redirect":
                self.send_response(302)
                self.send_header("Location", "/v112/prog/glyphwell.vsn")
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            status, body = ANSWERS.get(case, (404, None))
            if body is None:
                self.send_error(status)
                return
            self.send_response(status)
            self.send_header("Content-Type", "text/plain")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def log_message(self, *args):
            pass

    return Handler


def make_site_handler(state: Path, port_name: str):
    class SiteHandler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def do_GET(self):  # noqa: N802
            log(state, "requests.log", f"{port_name} {self.path} {self.headers.get('User-Agent', '')}")
            if self.path != "/prog/glyphwell.vsn":
                self.send_error(404)
                return
            answer = json.loads((state / "site.json").read_text())
            if answer.get("hold"):
                wait_for_release(state / "site.release")
            body = answer["body"].encode()
            self.send_response(200)
            self.send_header("Content-Type", "text/plain")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            log(state, "requests.log", f"{port_name} answered {self.path}")

        def log_message(self, *args):
            pass

    return SiteHandler


def make_proxy_handler(state: Path, port_name: str, target_port: int):
    class ProxyHandler(socketserver.StreamRequestHandler):
        """CONNECT only: a tunnel to the target port, whatever host was asked for."""
        rbufsize = 0  # nothing of the tunnelled bytes may stay behind in a buffer

        def handle(self):
            request = self.rfile.readline().decode("latin-1").split()
            while self.rfile.readline() not in (b"\r\n", b"\n", b""):
                pass
            if len(request) < 2 or request[0] != "CONNECT":
                self.wfile.write(b"HTTP/1.1 405 Method Not Allowed\r\nContent-Length: 0\r\n\r\n")
                return
            log(state, "requests.log", f"{port_name} CONNECT {request[1]}")
            with socket.create_connection(("127.0.0.1", target_port)) as upstream:
                self.wfile.write(b"HTTP/1.1 200 Connection established\r\n\r\n")
                self.wfile.flush()
                tunnel(self.connection, upstream)

    return ProxyHandler


def tunnel(a: socket.socket, b: socket.socket) -> None:
    try:
        while True:
            ready, _, _ = select.select([a, b], [], [])
            for source in ready:
                data = source.recv(65536)
                if not data:
                    return
                (b if source is a else a).sendall(data)
    except OSError:
        return


class TlsServer(http.server.ThreadingHTTPServer):
    def __init__(self, address, handler, context: ssl.SSLContext, state: Path):
        super().__init__(address, handler)
        self.context = context
        self.state = state

    def get_request(self):
        sock, address = self.socket.accept()
        sock.settimeout(10)
        log(self.state, "tls.log", "connection")
        try:
            return self.context.wrap_socket(sock, server_side=True), address
        except (ssl.SSLError, OSError) as e:
            log(self.state, "tls.log", f"handshake failed: {e}")
            sock.close()
            raise


def silent_server(listener: socket.socket) -> None:
    held = []
    while True:
        conn, _ = listener.accept()
        held.append(conn)  # kept open, never read, never answered


def openssl(*args: str) -> None:
    subprocess.run(["openssl", *args], check=True, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def make_certificates(state: Path) -> None:
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
            "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost",
            "-keyout", str(state / "key.pem"), "-out", str(state / "cert.pem"))
    # The test CA and two server certificates it signed: the site's and one
    # for another host.
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
            "-subj", "/CN=Glyphwell Test CA", "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign",
            "-keyout", str(state / "ca.key"), "-out", str(state / "ca.pem"))
    for name, host in (("site", SITE_HOST), ("wrong", "wrong.example.net")):
        openssl("req", "-newkey", "rsa:2048", "-nodes", "-subj", f"/CN={host}",
                "-keyout", str(state / f"{name}.key"), "-out", str(state / f"{name}.csr"))
        extensions = state / f"{name}.ext"
        extensions.write_text(f"basicConstraints=CA:FALSE\nsubjectAltName=DNS:{host}\n"
                              "extendedKeyUsage=serverAuth\nkeyUsage=digitalSignature,keyEncipherment\n")
        openssl("x509", "-req", "-in", str(state / f"{name}.csr"), "-CA", str(state / "ca.pem"),
                "-CAkey", str(state / "ca.key"), "-CAcreateserial", "-days", "2",
                "-extfile", str(extensions), "-out", str(state / f"{name}.pem"))


def tls_context(state: Path, certificate: str, key: str) -> ssl.SSLContext:
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(state / certificate, state / key)
    return context


def serve(state: Path) -> None:
    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    plain = http.server.ThreadingHTTPServer(("127.0.0.1", 0), make_handler(state, "http"))
    secure = TlsServer(("127.0.0.1", 0), make_handler(state, "https"), tls_context(state, "cert.pem", "key.pem"), state)
    site = TlsServer(("127.0.0.1", 0), make_site_handler(state, "site"), tls_context(state, "site.pem", "site.key"), state)
    wrong = TlsServer(("127.0.0.1", 0), make_site_handler(state, "wrong"), tls_context(state, "wrong.pem", "wrong.key"), state)
    socketserver.ThreadingTCPServer.daemon_threads = True
    proxy = socketserver.ThreadingTCPServer(
        ("127.0.0.1", 0), make_proxy_handler(state, "proxy", site.server_address[1]))
    proxy_wrong = socketserver.ThreadingTCPServer(
        ("127.0.0.1", 0), make_proxy_handler(state, "proxy_wrong", wrong.server_address[1]))
    silent = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    silent.bind(("127.0.0.1", 0))
    silent.listen(16)
    servers = {"http": plain, "https": secure, "site": site, "wrong": wrong, "proxy": proxy,
               "proxy_wrong": proxy_wrong}
    for server in servers.values():
        threading.Thread(target=server.serve_forever, daemon=True).start()
    threading.Thread(target=silent_server, args=(silent,), daemon=True).start()
    ports = "".join(f"{name}={server.server_address[1]}\n" for name, server in servers.items())
    ports += f"silent={silent.getsockname()[1]}\n"
    tmp = state / "ports.tmp"
    tmp.write_text(ports)
    tmp.replace(state / "ports.txt")
    threading.Event().wait()


def read_ports(state: Path) -> dict[str, int]:
    lines = (state / "ports.txt").read_text().split()
    return {k: int(v) for k, v in (line.split("=") for line in lines)}


def start(state: Path) -> int:
    stop(state)
    state.mkdir(parents=True, exist_ok=True)
    for name in ("ports.txt", "requests.log", "tls.log", "pid"):
        (state / name).unlink(missing_ok=True)
    make_certificates(state)
    (state / "site.json").write_text(json.dumps({"body": "1.12", "hold": False}))
    with open(state / "server.log", "w") as out:
        proc = subprocess.Popen([sys.executable, os.path.abspath(__file__), "serve", str(state)],
                                stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
                                start_new_session=True, close_fds=True)
    (state / "pid").write_text(str(proc.pid))
    deadline = time.monotonic() + 20
    while not (state / "ports.txt").exists():
        if proc.poll() is not None or time.monotonic() > deadline:
            print("the version server did not start:\n" + (state / "server.log").read_text())
            stop(state)
            return 1
        time.sleep(0.05)
    ports = read_ports(state)
    # The servers must answer a client that trusts the certificate, so that
    # a refusal by the program is the certificate's doing and nothing else.
    trusting = ssl.create_default_context(cafile=str(state / "cert.pem"))
    for url, ctx in ((f"http://127.0.0.1:{ports['http']}/v112/prog/glyphwell.vsn", None),
                     (f"https://127.0.0.1:{ports['https']}/v112/prog/glyphwell.vsn", trusting)):
        with urllib.request.urlopen(url, timeout=10, context=ctx) as answer:
            if answer.read() != b"1.12":
                print(f"unexpected answer from {url}")
                stop(state)
                return 1
    # The site through its proxy, for a client that trusts the test CA.
    through_proxy = urllib.request.build_opener(
        urllib.request.ProxyHandler({"https": f"http://127.0.0.1:{ports['proxy']}"}),
        urllib.request.HTTPSHandler(context=ssl.create_default_context(cafile=str(state / "ca.pem"))))
    with through_proxy.open(f"https://{SITE_HOST}/prog/glyphwell.vsn", timeout=10) as answer:
        if answer.read() != b"1.12":
            print("unexpected answer from the site through its proxy")
            stop(state)
            return 1
    (state / "requests.log").unlink(missing_ok=True)
    (state / "tls.log").unlink(missing_ok=True)
    print(f"version server {proc.pid}: {ports}")
    return 0


def stop(state: Path) -> int:
    pid_file = state / "pid"
    if not pid_file.exists():
        return 0
    pid = int(pid_file.read_text().strip() or 0)
    pid_file.unlink()
    try:
        cmdline = Path(f"/proc/{pid}/cmdline").read_bytes().split(b"\0")
    except OSError:
        return 0  # already gone
    if not any(part.endswith(b"version_server.py") for part in cmdline):
        return 0  # the pid belongs to another program by now
    os.kill(pid, signal.SIGTERM)
    for _ in range(100):
        if not Path(f"/proc/{pid}").exists():
            break
        try:
            os.waitpid(pid, os.WNOHANG)
        except ChildProcessError:
            pass
        time.sleep(0.05)
    else:
        os.kill(pid, signal.SIGKILL)
    return 0


def main() -> int:
    if len(sys.argv) != 3 or sys.argv[1] not in ("start", "stop", "serve"):
        print(__doc__)
        return 2
    state = Path(sys.argv[2]).resolve()
    if sys.argv[1] == "serve":
        serve(state)
        return 0
    return start(state) if sys.argv[1] == "start" else stop(state)


if __name__ == "__main__":
    sys.exit(main())
