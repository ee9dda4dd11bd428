"""A SOCKS 4, 4A and 5 server for the socket tests, relaying to 127.0.0.1
only. With arguments USER PASSWORD, level 5 asks for them.

Logs "SOCKS<level> <host>:<port>" for every connection it makes.
"""
import socket
import struct
import sys
import threading

from local_server import log, serve_tcp

CREDENTIALS = tuple(sys.argv[1:3]) if len(sys.argv) >= 3 else None


def recv_exact(conn, n):
    data = b""
    while len(data) < n:
        chunk = conn.recv(n - len(data))
        if not chunk:
            raise ConnectionError("closed")
        data += chunk
    return data


def recv_until_zero(conn):
    data = b""
    while not data.endswith(b"\0"):
        data += recv_exact(conn, 1)
    return data[:-1]


def relay(a, b):
    def pump(src, dst):
        try:
            while True:
                data = src.recv(65536)
                if not data:
                    break
                dst.sendall(data)
            dst.shutdown(socket.SHUT_WR)
        except OSError:
            pass

    t = threading.Thread(target=pump, args=(b, a), daemon=True)
    t.start()
    pump(a, b)
    t.join()


def open_target(host, port):
    if host not in ("127.0.0.1", "localhost"):
        return None
    try:
        return socket.create_connection(("127.0.0.1", port))
    except OSError:
        return None


def socks4(conn):
    cmd, port, ip = struct.unpack("!BH4s", recv_exact(conn, 7))
    recv_until_zero(conn)  # user id
    host = socket.inet_ntoa(ip)
    level = "4"
    if ip.startswith(b"\0\0\0") and ip != b"\0\0\0\0":
        host, level = recv_until_zero(conn).decode(), "4A"
    log("SOCKS%s %s:%d" % (level, host, port))
    target = open_target(host, port) if cmd == 1 else None
    conn.sendall(struct.pack("!BBH4s", 0, 90 if target else 91, 0, b"\0" * 4))
    return target


def socks5(conn):
    methods = recv_exact(conn, recv_exact(conn, 1)[0])
    wanted = 2 if CREDENTIALS else 0
    if wanted not in methods:
        conn.sendall(b"\x05\xff")
        return None
    conn.sendall(bytes([5, wanted]))
    if CREDENTIALS:
        recv_exact(conn, 1)
        user = recv_exact(conn, recv_exact(conn, 1)[0]).decode()
        password = recv_exact(conn, recv_exact(conn, 1)[0]).decode()
        ok = (user, password) == CREDENTIALS
        conn.sendall(b"\x01" + (b"\x00" if ok else b"\x01"))
        if not ok:
            return None
    _, cmd, _, atyp = recv_exact(conn, 4)
    if atyp == 1:
        host = socket.inet_ntoa(recv_exact(conn, 4))
    else:
        host = recv_exact(conn, recv_exact(conn, 1)[0]).decode()
    port = struct.unpack("!H", recv_exact(conn, 2))[0]
    log("SOCKS5 %s:%d" % (host, port))
    target = open_target(host, port) if cmd == 1 else None
    reply = 0 if target else 5
    conn.sendall(struct.pack("!BBBB4sH", 5, reply, 0, 1, b"\x7f\0\0\x01", 1080))
    return target


def handle(conn, port):
    version = recv_exact(conn, 1)[0]
    target = socks4(conn) if version == 4 else socks5(conn) if version == 5 else None
    if target:
        with target:
            relay(conn, target)


serve_tcp(handle)
