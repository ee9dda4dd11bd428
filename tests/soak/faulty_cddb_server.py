"""A CDDB server over HTTP that misbehaves at random: it drops the
connection at once or in the middle of its answer, answers slowly, answers
garbage, or answers properly. Prints "PORT <n>" once it listens.

Usage: faulty_cddb_server.py SEED
"""
import os
import random
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "fixtures"))
from local_server import read_head, request_path, serve_tcp  # noqa: E402

rng = random.Random(int(sys.argv[1]) if len(sys.argv) > 1 else 0)
lock = threading.Lock()

ENTRY = ("210 misc 27008305 CD database entry follows (until terminating `.')\r\n"
         "# xmcd\r\n# Revision: 2\r\nDISCID=27008305\r\nDTITLE=Tolvar Ensemble / Sample Songs\r\n"
         "DYEAR=2024\r\nDGENRE=Ambient\r\nTTITLE0=Arpeggio\r\nTTITLE1=Bj\xf6rk\r\nTTITLE2=Three\r\n"
         "TTITLE3=Four\r\nTTITLE4=Five\r\nEXTD=\r\nPLAYORDER=\r\n.\r\n")
MATCH = "200 misc 27008305 Tolvar Ensemble / Sample Songs\r\n"


def handle(conn, _port):
    head, _ = read_head(conn)
    if not head:
        return
    with lock:
        fault = rng.choice(["drop", "cut", "slow", "garbage", "good", "good"])
        delay = rng.uniform(0.0, 3.0)
        cut = rng.random()
    if fault == "drop":
        return
    body = (ENTRY if "cddb+read" in request_path(head) else MATCH).encode("latin-1")
    if fault == "garbage":
        body = bytes(rng.getrandbits(8) for _ in range(int(cut * 600)))
    answer = b"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" + body
    if fault == "cut":
        answer = answer[:int(len(answer) * cut)]
    if fault == "slow":
        for i in range(0, len(answer), 16):
            time.sleep(delay / (len(answer) / 16 + 1))
            conn.sendall(answer[i:i + 16])
        return
    conn.sendall(answer)


serve_tcp(handle)
