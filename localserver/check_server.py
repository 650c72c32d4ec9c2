#!/usr/bin/env python3
"""A second client of the stand-in server, written apart from the program:
logs in, sends a scrambled SELECT and a procedure call, and reads the
replies.  Standard library only.

  check_server.py --port N [--endpoint /brantle/api]   against a running server
  check_server.py --start path/to/brantle-server        starts one on a free
                                                        port with a temp database
"""
import argparse
import base64
import hashlib
import http.client
import json
import os
import subprocess
import sys
import tempfile
import time
import zlib

DIGEST_TAIL = bytes([0x7B, 0x2E, 0xB5, 0x09])
SLONG, UTINYINT, TIMESTAMP = 4293918720, 4293132288, 6094864


def char(width):
    return 65536 + width


def zone_hours_east():
    # Standard time: the smaller offset of January and July, whole hours.
    year = time.localtime().tm_year
    offsets = []
    for month in (1, 7):
        t = time.mktime((year, month, 15, 12, 0, 0, 0, 0, -1))
        offsets.append(time.localtime(t).tm_gmtoff)
    return int(min(offsets) / 3600)


def time_stamp():
    return int(time.time()) - 3600 * zone_hours_east()


class Link:
    def __init__(self, port, endpoint):
        self.port, self.endpoint = port, endpoint
        self.account, self.login_number, self.key = "", 0, bytes(16)

    def post(self, obj):
        body = json.dumps(obj, ensure_ascii=True, separators=(",", ":")).encode("ascii")
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)
        conn.request("POST", self.endpoint, body,
                     {"User-Agent": "Tolvane", "Content-Type": "application/json",
                      "Connection": "Close"})
        reply = conn.getresponse().read()
        conn.close()
        if any(b >= 0x80 for b in reply):
            raise AssertionError("reply is not ASCII")
        return reply.decode("ascii")

    def login(self, account, password):
        stamp = time_stamp()
        text = ("%u-#7+3#-" % (stamp & 0xFFFFFFFF)).encode("ascii") + password.encode("gbk")
        digest = hashlib.md5(text + DIGEST_TAIL).hexdigest()
        reply = json.loads(self.post({
            "RequestName": "sUserLogin", "TimeStamp": stamp, "w": "PY01",
            "cpcMark": "0" * 32, "cMAC": "000000000000", "wOSVer": 6110, "iMisVer": 113,
            "cUserAc": account, "cUserPwd": digest}))
        if reply["ReturnValue"] > 0:
            self.account, self.login_number = account, reply["ReturnValue"]
            self.key = bytes.fromhex(reply["xEncrypt"])
        return reply

    def sql(self, name, sql, types):
        plain = sql.encode("gbk")
        scrambled = bytes(b ^ self.key[i % 16] for i, b in enumerate(plain))
        return self.post({
            "RequestName": name, "TimeStamp": time_stamp(), "cUserAc": self.account,
            "iRand": self.login_number, "nCRC": zlib.crc32(plain) & 0xFFFFFFFF,
            "acsType": types, "xSql": base64.b64encode(scrambled).decode("ascii")})


def check(port, endpoint):
    link = Link(port, endpoint)
    login = link.login("admin", "admin123")
    assert login["ReturnValue"] > 0, login
    assert login["cUserName"] == "管理员", login

    text = link.sql("sSqlQuery",
                    "SELECT TOP 3 a.irid,a.cnum,a.cdes,a.nstate,a.ddate FROM brantle.dbo.client_rec AS a "
                    "WITH (NOLOCK) INNER JOIN brantle.dbo.client_arc AS b ON(a.icid=b.icid) "
                    "WHERE a.irid>0 AND a.ddate BETWEEN '2024.03.01 0:0:0.0' AND '2024.03.31 23:59:59.998'"
                    "  ORDER BY a.irid DESC",
                    [SLONG, char(32), char(64), UTINYINT, TIMESTAMP])
    # The client reads keys by plain search: "List" must come last.
    assert text.startswith('{"ReturnValue":1,') and text.endswith("]}"), text
    assert text.index('"List":') > text.index('"bEnd":'), text
    reply = json.loads(text)
    assert reply["iTotal"] == 3 and len(reply["List"]) == 3, reply
    assert reply["List"][0]["0"] == 40 and reply["List"][0]["1"] == "BR10000040", reply

    call = json.loads(link.sql("sSqlExe",
                               "{CALL brantle.dbo.cp_sys_log_add('检查','管理员','Python 检查',1,2)}", []))
    assert call["ReturnValue"] == 1, call
    logged = json.loads(link.sql("sSqlQuery",
                                 "SELECT TOP 1 ctext FROM brantle.dbo.sys_log ORDER BY ilid DESC",
                                 [char(256)]))
    assert logged["List"][0]["0"] == "Python 检查", logged

    link.login_number += 1
    expired = json.loads(link.sql("sSqlQuery", "SELECT irid FROM brantle.dbo.client_rec", [SLONG]))
    assert expired["ReturnValue"] == -402, expired

    # Only programs on this machine that post JSON are served: a page reached
    # through another host name (DNS rebinding) or posting a form is not.
    for host, kind in (("rebound.example", "application/json"), ("127.0.0.1", "text/plain")):
        conn = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
        conn.request("POST", endpoint, b'{"RequestName":"sSysFile"}',
                     {"Host": host, "Content-Type": kind, "Connection": "Close"})
        status = conn.getresponse().status
        conn.close()
        assert status == 403, (host, kind, status)
    print("stand-in server check passed")


def die_with_parent(parent):
    """Runs in the started server before exec: it is killed when this script
    ends, however it ends."""
    def tie():
        import ctypes
        libc = ctypes.CDLL(None, use_errno=True)
        libc.prctl(1, 9)  # PR_SET_PDEATHSIG, SIGKILL
        if os.getppid() != parent:
            os._exit(1)
    return tie


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int)
    parser.add_argument("--endpoint", default="/brantle/api")
    parser.add_argument("--start", help="brantle-server program to start on a free port")
    args = parser.parse_args()
    if not args.start:
        if not args.port:
            parser.error("--port or --start needed")
        check(args.port, args.endpoint)
        return 0
    with tempfile.TemporaryDirectory() as folder:
        proc = subprocess.Popen([args.start, "--port", "0", "--db", os.path.join(folder, "check.db"),
                                 "--endpoint", args.endpoint],
                                stdout=subprocess.PIPE, text=True,
                                preexec_fn=die_with_parent(os.getpid()))
        try:
            line = proc.stdout.readline()
            if " port " not in line:
                raise AssertionError("server did not start: %r" % line)
            check(int(line.rsplit(" port ", 1)[1]), args.endpoint)
        finally:
            proc.terminate()
            try:
                proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
    return 0


if __name__ == "__main__":
    sys.exit(main())
