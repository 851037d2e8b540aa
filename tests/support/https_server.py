#!/usr/bin/python3
"""A scripted HTTPS server on 127.0.0.1 for the tests of the HTTPS client.

Started by a test with its own folder, which holds routes.json. Answers each
path from its list of scripted answers (one per request, the last one
repeating), records every request in requests.jsonl, writes the port it
listens on to "port" once it is ready, and stops when the folder gets a
"stop" file or loses its folder, and in any case after two idle minutes
(a test that crashed never asks it to stop; Wine starts it detached).

The certificate chain is made once per build: a throwaway CA and a
certificate for DNS:localhost (Wine does not match IP-address names), kept in
the CA folder given on the command line. The CA is added to the Wine
prefix's current-user ROOT store by trust_test_ca.exe, once per prefix and CA.

routes.json: {"/path": [answer, ...]}; an answer is an object with
  "status"   (default 200),
  "file"     a file of the test folder sent as the body, or
  "body"     the body as text, or
  "size"     a body of that many "x" bytes,
  "mode"     "drop": send half the body, then drop the connection;
             "trickle": send the body in pieces of "piece" bytes (default 7)
             with "delay_ms" (default 20) between them.
Unknown paths answer 404.
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


def make_chain(ca_dir):
    """The CA and the server certificate, made again when missing or near expiry."""
    files = [os.path.join(ca_dir, n) for n in ("ca.pem", "ca.der", "server.pem", "server.key")]
    if all(os.path.exists(f) for f in files):
        check = subprocess.run(["openssl", "x509", "-checkend", "86400", "-noout", "-in", files[2]],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if check.returncode == 0:
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
        f.write("subjectAltName=DNS:localhost\nbasicConstraints=CA:FALSE\n"
                "keyUsage=digitalSignature,keyEncipherment\nextendedKeyUsage=serverAuth\n")
    run(["openssl", "x509", "-req", "-in", csr, "-CA", files[0], "-CAkey", ca_key, "-CAcreateserial",
         "-out", files[2], "-days", "29", "-extfile", ext])


def trust_chain(ca_dir, wine_run, trust_exe):
    """Adds the CA to the Wine prefix once; the marker names the CA it stands for."""
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
        with server.lock:
            server.last_request = time.monotonic()
            with open(os.path.join(server.folder, "requests.jsonl"), "a") as log:
                log.write(json.dumps({"path": self.path, "headers": [[k, v] for k, v in self.headers.items()]})
                          + "\n")
            answers = server.routes.get(self.path)
            if not answers:
                answer = {"status": 404, "body": "not found"}
            else:
                count = server.served.get(self.path, 0)
                server.served[self.path] = count + 1
                answer = answers[min(count, len(answers) - 1)]
        self.answer(answer)

    def answer(self, answer):
        if "file" in answer:
            with open(os.path.join(self.server.folder, answer["file"]), "rb") as f:
                body = f.read()
        elif "size" in answer:
            body = b"x" * answer["size"]
        else:
            body = answer.get("body", "").encode("utf-8")
        self.send_response(answer.get("status", 200))
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        mode = answer.get("mode")
        if mode == "drop":
            self.wfile.write(body[: len(body) // 2])
            self.wfile.flush()
            # Without TLS's closing message, as a broken link would end it.
            self.connection.shutdown(socket.SHUT_RDWR)
            self.close_connection = True
        elif mode == "trickle":
            piece = answer.get("piece", 32)
            for start in range(0, len(body), piece):
                self.wfile.write(body[start:start + piece])
                self.wfile.flush()
                time.sleep(answer.get("delay_ms", 20) / 1000.0)
        else:
            self.wfile.write(body)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass  # a dropped connection is part of the script


IDLE_SECONDS = 120


def watch(server, folder):
    while True:
        time.sleep(0.1)
        idle = time.monotonic() - server.last_request > IDLE_SECONDS
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

    with open(os.path.join(folder, "routes.json")) as f:
        routes = json.load(f)
    server = Server(("127.0.0.1", 0), Handler)
    server.folder = folder
    server.routes = routes
    server.served = {}
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
