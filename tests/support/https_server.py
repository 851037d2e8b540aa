#!/usr/bin/python3
"""A scripted HTTPS server on 127.0.0.1 for the tests of the HTTPS client.

Run with a test's own folder holding routes.json: {"/path": [answer, ...]},
one answer per request, the last repeating; unknown paths answer 404. An
answer has "status" (default 200) and a body from "file" (in the folder),
"size" ("x" bytes) or "body"; "mode": "drop" sends half the body and breaks
the connection, "hangup" breaks it without an answer, "chunked" sends the
body in chunks without a Content-Length, "chunked-drop" sends half of it so
and breaks the connection; "delay" waits that many seconds before answering,
"pause" as many after the first half of the body. Each requested path
goes to requests.log; the port goes to "port" once listening. Stops on a
"stop" file, a lost folder, or two idle minutes. The throwaway CA is made
once per build and trusted in the Wine prefix by trust_test_ca.exe. The
server's certificate names localhost (Wine does not match IP names) and the
card-data repository's host, which the end-to-end test leads here through
its CONNECT proxy (connect_proxy.py).
"""

import fcntl
import hashlib
import http.server
import json
import os
import socket
import ssl
import subprocess
import sys
import threading
import time


def run(args, **kwargs):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **kwargs)


SERVER_NAMES = "DNS:localhost,DNS:raw.githubusercontent.com"


def make_chain(ca_dir):
    files = [os.path.join(ca_dir, n) for n in ("ca.pem", "ca.der", "server.pem", "server.key")]
    if all(os.path.exists(f) for f in files):
        check = subprocess.run(["openssl", "x509", "-checkend", "86400", "-noout", "-ext", "subjectAltName",
                                "-in", files[2]], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        names = check.stdout.replace(" ", "").replace("\n", ",")
        if check.returncode == 0 and all(n in names for n in SERVER_NAMES.split(",")):
            return
    ca_key = os.path.join(ca_dir, "ca.key")
    csr = os.path.join(ca_dir, "server.csr")
    ext = os.path.join(ca_dir, "server.ext")
    run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", ca_key, "-out", files[0],
         "-days", "30", "-subj", "/CN=Binderwell test CA " + str(os.getpid()),
         "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign"])
    run(["openssl", "x509", "-in", files[0], "-outform", "DER", "-out", files[1]])
    run(["openssl", "req", "-newkey", "rsa:2048", "-nodes", "-keyout", files[3], "-out", csr,
         "-subj", "/CN=localhost"])
    with open(ext, "w") as f:
        f.write("subjectAltName=" + SERVER_NAMES + "\nbasicConstraints=CA:FALSE\n"
                "keyUsage=digitalSignature,keyEncipherment\nextendedKeyUsage=serverAuth\n")
    run(["openssl", "x509", "-req", "-in", csr, "-CA", files[0], "-CAkey", ca_key, "-CAcreateserial",
         "-out", files[2], "-days", "29", "-extfile", ext])


def trust_chain(ca_dir, wine_run, trust_exe):
    with open(os.path.join(ca_dir, "ca.der"), "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()[:16]
    prefix = os.environ.get("WINEPREFIX", "")
    with open(wine_run) as f:
        for line in f:
            if line.startswith("export WINEPREFIX="):
                prefix = line.split("=", 1)[1].strip().strip('"')
    marker = os.path.join(prefix, ".binderwell-test-ca-" + digest)
    if os.path.exists(marker):
        return
    run([wine_run, trust_exe, os.path.join(ca_dir, "ca.der")])
    open(marker, "w").close()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_GET(self):
        server = self.server
        path = self.path
        if path.startswith(("https://", "http://")):
            # The absolute form, which Wine's WinHTTP sends through a proxy's
            # tunnel too; a server takes its path as the target.
            parts = path.split("/", 3)
            path = "/" + (parts[3] if len(parts) > 3 else "")
        with server.lock:
            server.last_request = time.monotonic()
            with open(os.path.join(server.folder, "requests.log"), "a") as log:
                log.write(path + "\n")
            answers = server.routes.get(path, [{"status": 404}])
            count = server.served.get(path, 0)
            server.served[path] = count + 1
            answer = answers[min(count, len(answers) - 1)]
        time.sleep(answer.get("delay", 0))
        if answer.get("mode") == "hangup":
            self.connection.shutdown(socket.SHUT_RDWR)
            self.close_connection = True
            return
        if "file" in answer:
            with open(os.path.join(server.folder, answer["file"]), "rb") as f:
                body = f.read()
        else:
            body = b"x" * answer["size"] if "size" in answer else answer.get("body", "").encode("utf-8")
        mode = answer.get("mode", "")
        chunked = mode in ("chunked", "chunked-drop")
        self.send_response(answer.get("status", 200))
        if chunked:
            self.send_header("Transfer-Encoding", "chunked")
        else:
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        half = len(body) // 2
        self.send_part(body[:half], chunked)
        if mode in ("drop", "chunked-drop"):
            self.wfile.flush()
            self.connection.shutdown(socket.SHUT_RDWR)
            self.close_connection = True
            return
        if answer.get("pause"):
            self.wfile.flush()
            time.sleep(answer["pause"])
        self.send_part(body[half:], chunked)
        if chunked:
            self.wfile.write(b"0\r\n\r\n")

    def send_part(self, data, chunked):
        if not chunked:
            self.wfile.write(data)
            return
        for start in range(0, len(data), 4096):
            piece = data[start:start + 4096]
            self.wfile.write(b"%x\r\n" % len(piece) + piece + b"\r\n")


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass  # a dropped connection is part of the script


def watch(server, folder):
    while True:
        time.sleep(0.1)
        idle = time.monotonic() - server.last_request > 120
        if idle or os.path.exists(os.path.join(folder, "stop")) or not os.path.isdir(folder):
            server.shutdown()
            return


def main():
    folder, ca_dir, wine_run, trust_exe = sys.argv[1:5]
    os.makedirs(ca_dir, exist_ok=True)
    with open(os.path.join(ca_dir, "lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        make_chain(ca_dir)
        trust_chain(ca_dir, wine_run, trust_exe)

    server = Server(("127.0.0.1", 0), Handler)
    with open(os.path.join(folder, "routes.json")) as f:
        server.routes = json.load(f)
    server.folder, server.served = folder, {}
    server.lock = threading.Lock()
    server.last_request = time.monotonic()
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(os.path.join(ca_dir, "server.pem"), os.path.join(ca_dir, "server.key"))
    server.socket = context.wrap_socket(server.socket, server_side=True)

    port_file = os.path.join(folder, "port")
    with open(port_file + ".tmp", "w") as f:
        f.write(str(server.server_address[1]))
    os.rename(port_file + ".tmp", port_file)

    threading.Thread(target=watch, args=(server, folder), daemon=True).start()
    server.serve_forever(poll_interval=0.1)
    if os.path.isdir(folder):
        open(os.path.join(folder, "stopped"), "w").close()


if __name__ == "__main__":
    main()
