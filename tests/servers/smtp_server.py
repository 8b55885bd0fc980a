#!/usr/bin/python3
"""Local stand-in for the company's outgoing mail server, for the tests only (127.0.0.1).

Speaks SMTP with STARTTLS, implicit TLS or no TLS at all, wants AUTH LOGIN/PLAIN with one user,
and writes every message it takes as msg-N.eml (as received) and msg-N.json (parsed by Python's
email package: decoded headers, parts with their bytes in base64, whether the session was
encrypted and logged in). Every AUTH attempt is appended to auth.jsonl. "silent" mode accepts
connections and never answers, for time-out tests.

Prints "READY <port>" once listening; stops when its standard input closes.
"""
import argparse
import asyncio
import base64
import email
import email.policy
import json
import logging
import os
import socket
import ssl
import sys
import threading
import warnings

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def encrypted(server, session):
    if session.ssl is not None:
        return True
    transport = getattr(server, "transport", None)
    return transport is not None and transport.get_extra_info("ssl_object") is not None


class Handler:
    def __init__(self, out):
        self.out = out
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        raw = envelope.original_content or envelope.content
        base = os.path.join(self.out, "msg-%d" % self.count)
        with open(base + ".eml", "wb") as f:
            f.write(raw)
        msg = email.message_from_bytes(raw, policy=email.policy.default)
        parts = []
        for part in msg.walk():
            if part.is_multipart():
                continue
            parts.append({
                "type": part.get_content_type(),
                "charset": part.get_content_charset(),
                "filename": part.get_filename(),
                "disposition": part.get_content_disposition(),
                "data": base64.b64encode(part.get_payload(decode=True) or b"").decode(),
            })
        record = {
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "tls": encrypted(server, session),
            "authenticated": bool(session.authenticated),
            "headers": {k: str(v) for k, v in msg.items()},
            "parts": parts,
        }
        with open(base + ".json", "w", encoding="utf-8") as f:
            json.dump(record, f, ensure_ascii=False)
        return "250 Message accepted"


def make_authenticator(out, user, password):
    def authenticate(server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword)
              and auth_data.login.decode() == user
              and auth_data.password.decode() == password)
        with open(os.path.join(out, "auth.jsonl"), "a", encoding="utf-8") as f:
            f.write(json.dumps({"mechanism": mechanism, "tls": encrypted(server, session),
                                "success": ok}) + "\n")
        return AuthResult(success=ok, handled=False)
    return authenticate


async def silent(port):
    async def hold(reader, writer):
        await reader.read()  # never answers; waits for the client to give up
        writer.close()
    return await asyncio.start_server(hold, "127.0.0.1", port)


def main():
    # The tests provoke failures on purpose; their tracebacks would only clutter the test log.
    warnings.simplefilter("ignore")
    logging.getLogger("mail.log").setLevel(logging.CRITICAL)
    ap = argparse.ArgumentParser()
    ap.add_argument("--mode", choices=["starttls", "implicit", "plain", "silent"], default="starttls")
    ap.add_argument("--port", type=int, default=0)
    ap.add_argument("--cert")
    ap.add_argument("--key")
    ap.add_argument("--user", default="racuni")
    ap.add_argument("--password", default="tajna")
    ap.add_argument("--out", required=True)
    ap.add_argument("--no-auth", action="store_true", help="take mail without a login")
    a = ap.parse_args()
    port = a.port or free_port()

    if a.mode == "silent":
        loop = asyncio.new_event_loop()
        server = loop.run_until_complete(silent(port))
        threading.Thread(target=loop.run_forever, daemon=True).start()
        print("READY %d" % port, flush=True)
        sys.stdin.read()
        return

    ctx = None
    if a.mode in ("starttls", "implicit"):
        ctx = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        ctx.load_cert_chain(a.cert, a.key)
    params = dict(authenticator=make_authenticator(a.out, a.user, a.password), auth_required=not a.no_auth)
    if a.mode == "starttls":
        params.update(tls_context=ctx, require_starttls=not a.no_auth, auth_require_tls=True)
        controller = Controller(Handler(a.out), hostname="127.0.0.1", port=port, **params)
    elif a.mode == "implicit":
        params.update(auth_require_tls=False)
        controller = Controller(Handler(a.out), hostname="127.0.0.1", port=port, ssl_context=ctx, **params)
    else:
        params.update(auth_require_tls=False)
        controller = Controller(Handler(a.out), hostname="127.0.0.1", port=port, **params)
    controller.start()
    print("READY %d" % port, flush=True)
    try:
        sys.stdin.read()
    finally:
        controller.stop()


if __name__ == "__main__":
    main()
