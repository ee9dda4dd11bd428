"""A TCP peer for the socket tests. The client's first line says what to do:
  SEND n     send n bytes of a pattern, then close
  SINK n     after a pause, read n bytes; answer "GOT n <crc32>" and close
  RESET      close with a reset
  LINES      send "one\\r\\ntwo\\r\\nthree" (no final line end), then close
  ECHO       send back everything until the client closes
"""
import zlib
import socket
import struct
import time

from local_server import log, serve_tcp


def pattern(n):
    return (b"0123456789abcdef" * (n // 16 + 1))[:n]


def read_line(conn):
    line = b""
    while not line.endswith(b"\n"):
        c = conn.recv(1)
        if not c:
            break
        line += c
    return line.decode().strip()


def handle(conn, port):
    command = read_line(conn).split()
    if not command:
        return
    log("COMMAND " + " ".join(command))
    if command[0] == "SEND":
        conn.sendall(pattern(int(command[1])))
    elif command[0] == "SINK":
        want, data = int(command[1]), b""
        time.sleep(0.3)  # let the client's sending back up
        while len(data) < want:
            chunk = conn.recv(min(65536, want - len(data)))
            if not chunk:
                break
            data += chunk
        conn.sendall(b"GOT %d %d\n" % (len(data), zlib.crc32(data)))
    elif command[0] == "RESET":
        conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        conn.close()  # at once: a shutdown first would send an orderly end
    elif command[0] == "LINES":
        conn.sendall(b"one\r\ntwo\r\nthree")
    elif command[0] == "ECHO":
        while True:
            data = conn.recv(65536)
            if not data:
                break
            conn.sendall(data)


serve_tcp(handle)
