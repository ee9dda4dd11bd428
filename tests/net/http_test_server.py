"""HTTP answers, good and malformed, for the HTTP client tests.

Every request is logged as "REQUEST <request-URI>". Paths:
  /length/N         200 with Content-Length N and N bytes
  /nolength/N       200 without Content-Length; N bytes, then close
  /zero             200 with Content-Length 0; the connection stays open
  /notfound         404 whose body follows the header a moment later
  /html             no header: the answer starts with "<HtMl>"
  /longline/N       a header line of N bytes; the connection stays open
  /endless          header lines without end
  /drip             a header one byte every 50 ms, without end
  /open/N           200 with Content-Length N and N bytes; the connection stays open
  /reset            200 with Content-Length 1000, 100 bytes, then a reset
  /closeinheader    part of a header, then close
  /closenow         close without answering
  /silent           never answers
  /status/TEXT      a status line of "HTTP/1.0 " + TEXT, then an empty body
  /moved200         200 with Location: /echo?from=200
  /redirect/abs     Location: http://127.0.0.1:<port>/echo?from=abs
  /redirect/host    Location: /echo?from=host
  /dir/relative     Location: target?from=rel (so /dir/target?from=rel)
  /chain/N          Location: /chain/N-1, down to 0, which echoes
  /loop             Location: /loop
  /post             echoes the request head and its body
  anything else     200 whose body is the request head, byte for byte
"""
import socket
import struct
import time

from local_server import log, receive_request, serve_tcp


def answer(conn, status, body=b"", headers=()):
    head = "HTTP/1.0 %s\r\n" % status
    head += "".join("%s\r\n" % h for h in headers)
    conn.sendall(head.encode("latin-1") + b"\r\n" + body)


def redirect(conn, location):
    answer(conn, "302 Found", b"moved", ["Location: " + location, "Content-Length: 5"])


def wait_for_close(conn, seconds=10):
    conn.settimeout(seconds)
    try:
        while conn.recv(4096):
            pass
    except OSError:
        pass


def pattern(n):
    return (b"0123456789abcdef" * (n // 16 + 1))[:n]


def handle(conn, port):
    head, rest, uri = receive_request(conn)
    if not head:
        return
    path = uri.split("://", 1)[1] if "://" in uri else uri
    if "://" in uri:
        path = "/" + path.split("/", 1)[1] if "/" in path else "/"

    if path.startswith("/length/"):
        n = int(path[8:])
        answer(conn, "200 OK", pattern(n), ["Content-Length: %d" % n])
    elif path.startswith("/nolength/"):
        answer(conn, "200 OK", pattern(int(path[10:])), ["Content-Type: text/plain"])
    elif path == "/zero":
        answer(conn, "200 OK", b"", ["Content-Length: 0"])
        wait_for_close(conn, 5)
    elif path == "/notfound":
        body = b"<html>no such page</html>"
        answer(conn, "404 Not Found", b"",
               ["Content-Type: text/html", "Content-Length: %d" % len(body)])
        time.sleep(0.1)
        conn.sendall(body)
        wait_for_close(conn, 5)
    elif path == "/html":
        conn.sendall(b"<HtMl><body>no header</body>\r\n</HTML>\r\n")
    elif path.startswith("/longline/"):
        conn.sendall(b"HTTP/1.0 200 OK\r\nX-Long: " + b"x" * (int(path[10:]) - 8) + b"\r\n\r\n")
        wait_for_close(conn)
    elif path.startswith("/endless"):
        conn.sendall(b"HTTP/1.0 200 OK\r\n")
        while True:
            conn.sendall(b"X-Filler: " + b"x" * 1000 + b"\r\n")
    elif path.startswith("/drip"):
        for byte in b"HTTP/1.0 200 OK\r\nX-Drip: " + b"x" * 100000:
            conn.sendall(bytes([byte]))
            time.sleep(0.05)
    elif path.startswith("/open/"):
        n = int(path[6:])
        answer(conn, "200 OK", pattern(n), ["Content-Length: %d" % n])
        wait_for_close(conn)
    elif path == "/reset":
        answer(conn, "200 OK", pattern(100), ["Content-Length: 1000"])
        time.sleep(0.2)
        conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        conn.close()  # before the server's own orderly shutdown
    elif path == "/closeinheader":
        conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n")
    elif path == "/closenow":
        pass
    elif path == "/silent":
        wait_for_close(conn)
    elif path.startswith("/status/"):
        answer(conn, path[8:].replace("%20", " "), b"", ["Content-Length: 0"])
    elif path == "/moved200":
        answer(conn, "200 OK", b"here", ["Location: /echo?from=200", "Content-Length: 4"])
    elif path == "/redirect/abs":
        redirect(conn, "http://127.0.0.1:%d/echo?from=abs" % port)
    elif path == "/redirect/host":
        redirect(conn, "/echo?from=host")
    elif path == "/dir/relative":
        redirect(conn, "target?from=rel")
    elif path.startswith("/chain/") and int(path[7:]) > 0:
        redirect(conn, "/chain/%d" % (int(path[7:]) - 1))
    elif path == "/loop":
        redirect(conn, "/loop")
    elif path == "/post":
        length = 0
        for line in head.split(b"\r\n"):
            if line.lower().startswith(b"content-length:"):
                length = int(line.split(b":", 1)[1])
        body = rest
        while len(body) < length:
            chunk = conn.recv(65536)
            if not chunk:
                break
            body += chunk
        answer(conn, "200 OK", head + body, ["Content-Length: %d" % (len(head) + len(body))])
    else:
        answer(conn, "200 OK", head, ["Content-Type: text/plain", "Content-Length: %d" % len(head)])


serve_tcp(handle)
