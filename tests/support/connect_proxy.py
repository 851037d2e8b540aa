#!/usr/bin/python3
"""A CONNECT proxy on 127.0.0.1 that leads one host name to the local test server.

The program asks for the card-data repository by its fixed host name. Given
this proxy as WinHTTP's default proxy, it asks the proxy for a tunnel to
"<host>:443"; the proxy opens it to 127.0.0.1:<port> of the HTTPS test server
(whose certificate names that host too) and refuses every other target with
403. Nothing reaches the machine's host table or leaves 127.0.0.1.

Run with a folder, the host and the server's port. Each CONNECT target goes to
connects.log, the proxy's port to "proxy-port" once listening. Stops on a
"stop" file, a lost folder, or two idle minutes.
"""

import os
import socket
import sys
import threading
import time


def relay(source, target):
    try:
        while True:
            data = source.recv(65536)
            if not data:
                break
            target.sendall(data)
    except OSError:
        pass
    try:
        target.shutdown(socket.SHUT_WR)
    except OSError:
        pass


def read_head(conn):
    head = b""
    while b"\r\n\r\n" not in head:
        data = conn.recv(4096)
        if not data or len(head) > 16384:
            return None
        head += data
    return head.split(b"\r\n", 1)[0].decode("latin-1")


def serve(conn, state):
    with conn:
        line = read_head(conn)
        if line is None:
            return
        parts = line.split()
        target = parts[1] if len(parts) == 3 else ""
        with state["lock"]:
            state["last"] = time.monotonic()
            with open(os.path.join(state["folder"], "connects.log"), "a") as log:
                log.write(line + "\n")
        if parts[:1] != ["CONNECT"] or target != state["allowed"]:
            conn.sendall(b"HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")
            return
        try:
            upstream = socket.create_connection(("127.0.0.1", state["port"]))
        except OSError:
            conn.sendall(b"HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")
            return
        with upstream:
            conn.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
            back = threading.Thread(target=relay, args=(upstream, conn), daemon=True)
            back.start()
            relay(conn, upstream)
            back.join()


def should_stop(state):
    folder = state["folder"]
    idle = time.monotonic() - state["last"] > 120
    return idle or os.path.exists(os.path.join(folder, "stop")) or not os.path.isdir(folder)


def main():
    folder, host, port = sys.argv[1], sys.argv[2], int(sys.argv[3])
    state = {"folder": folder, "allowed": host + ":443", "port": port, "lock": threading.Lock(),
             "last": time.monotonic()}
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    listener.settimeout(0.1)
    port_file = os.path.join(folder, "proxy-port")
    with open(port_file + ".tmp", "w") as f:
        f.write(str(listener.getsockname()[1]))
    os.rename(port_file + ".tmp", port_file)
    while not should_stop(state):
        try:
            conn, _ = listener.accept()
        except socket.timeout:
            continue
        conn.settimeout(None)
        threading.Thread(target=serve, args=(conn, state), daemon=True).start()
    listener.close()
    if os.path.isdir(folder):
        open(os.path.join(folder, "proxy-stopped"), "w").close()


if __name__ == "__main__":
    main()
