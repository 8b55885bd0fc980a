#!/usr/bin/env python3
"""Local HTTPS stand-in of the fiscal service (CIS) for the fiscal tests.

Listens on 127.0.0.1 only. Every request is logged (path, headers, body) into --work, its
signature is checked with `xmlsec1 --verify` against --trusted-ca, and the answer is chosen by
the JSON file --work/mode.json, which the test rewrites between requests:
  {"mode": "jir", "jir": "..."}      RacunOdgovor with the JIR
  {"mode": "greska", "poruka": "..."} RacunOdgovor with an error message
  {"mode": "prazno"}                 RacunOdgovor without JIR or error
  {"mode": "prostor"} / {"mode": "prostor-greska", "poruka": "..."}
  {"mode": "notxml"}, {"mode": "http500"}, {"mode": "hang"}, {"mode": "raw", "body": "..."}
The chosen port is printed as "PORT <n>" on the first line of standard output.
"""
import argparse
import http.server
import json
import os
import ssl
import subprocess
import sys
import tempfile
import threading
import time

TNS = "http://www.apis-it.hr/fin/2012/types/f73"


def envelope(body):
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<soap:Envelope xmlns:soap="http://schemas.xmlsoap.org/soap/envelope/">'
            '<soap:Body>' + body + '</soap:Body></soap:Envelope>').encode("utf-8")


def racun_odgovor(inner):
    return envelope('<tns:RacunOdgovor xmlns:tns="%s" Id="G1"><tns:Zaglavlje>'
                    '<tns:IdPoruke>00000000-0000-0000-0000-000000000000</tns:IdPoruke>'
                    '<tns:DatumVrijeme>05.03.2013T14:25:02</tns:DatumVrijeme></tns:Zaglavlje>%s'
                    '</tns:RacunOdgovor>' % (TNS, inner))


def greske(poruka):
    return ('<tns:Greske><tns:Greska><tns:SifraGreske>s001</tns:SifraGreske>'
            '<tns:PorukaGreske>  %s  </tns:PorukaGreske></tns:Greska></tns:Greske>' % poruka)


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):
        pass

    def do_POST(self):
        srv = self.server
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length)
        with srv.lock:
            srv.count += 1
            n = srv.count
        req_file = os.path.join(srv.work, "request-%d.xml" % n)
        with open(req_file, "wb") as f:
            f.write(body)
        kind = "PoslovniProstorZahtjev" if b"PoslovniProstorZahtjev" in body else "RacunZahtjev"
        verify = subprocess.run(["xmlsec1", "--verify", "--id-attr:Id", TNS + ":" + kind,
                                 "--trusted-pem", srv.trusted_ca, req_file],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        entry = {"n": n, "path": self.path, "kind": kind, "verified": verify.returncode == 0,
                 "content_type": self.headers.get("Content-Type"),
                 "soap_action": self.headers.get("SOAPAction"),
                 "user_agent": self.headers.get("User-Agent")}
        with srv.lock, open(os.path.join(srv.work, "log.jsonl"), "a") as log:
            log.write(json.dumps(entry) + "\n")

        try:
            with open(os.path.join(srv.work, "mode.json")) as f:
                mode = json.load(f)
        except (OSError, ValueError):
            mode = {"mode": "jir"}
        m = mode.get("mode", "jir")
        if not entry["verified"]:
            return self.answer(400, b"signature does not verify", "text/plain")
        if m == "hang":
            time.sleep(float(mode.get("seconds", 30)))
            return
        if m == "http500":
            return self.answer(500, envelope("<soap:Fault><faultcode>soap:Server</faultcode>"
                                             "<faultstring>Interna pogreska</faultstring></soap:Fault>"))
        if m == "notxml":
            return self.answer(200, b"<html><body>nije XML", "text/html")
        if m == "jir":
            jir = mode.get("jir", "a1b2c3d4-0000-4000-8000-000000000001")
            return self.answer(200, racun_odgovor("<tns:Jir>%s</tns:Jir>" % jir))
        if m == "greska":
            return self.answer(200, racun_odgovor(greske(mode.get("poruka", "Neispravan OIB"))))
        if m == "prazno":
            return self.answer(200, racun_odgovor(""))
        if m == "prostor":
            return self.answer(200, envelope('<tns:PoslovniProstorOdgovor xmlns:tns="%s" Id="G1">'
                                             '</tns:PoslovniProstorOdgovor>' % TNS))
        if m == "prostor-greska":
            return self.answer(200, envelope('<tns:PoslovniProstorOdgovor xmlns:tns="%s">%s'
                                             '</tns:PoslovniProstorOdgovor>'
                                             % (TNS, greske(mode.get("poruka", "Neispravan prostor")))))
        if m == "raw":
            return self.answer(200, mode.get("body", "").encode("utf-8"))
        return self.answer(500, b"unknown mode", "text/plain")

    def answer(self, status, data, ctype="text/xml; charset=utf-8"):
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--cert", required=True)
    ap.add_argument("--key", required=True)
    ap.add_argument("--trusted-ca", required=True)
    ap.add_argument("--work", required=True)
    ap.add_argument("--port", type=int, default=0)
    args = ap.parse_args()

    srv = Server(("127.0.0.1", args.port), Handler)
    srv.work = args.work
    srv.trusted_ca = args.trusted_ca
    srv.lock = threading.Lock()
    srv.count = 0
    ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    ctx.load_cert_chain(args.cert, args.key)
    srv.socket = ctx.wrap_socket(srv.socket, server_side=True)
    print("PORT %d" % srv.server_address[1], flush=True)
    # the test closes our standard input when it is done with us
    threading.Thread(target=lambda: (sys.stdin.read(), srv.shutdown()), daemon=True).start()
    srv.serve_forever()


if __name__ == "__main__":
    main()
