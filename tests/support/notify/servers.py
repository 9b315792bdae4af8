#!/usr/bin/python3
"""The servers a notification test talks to: SMTP (Debian's aiosmtpd) with
STARTTLS demanded and a login, and an HTTP server for webhooks.

    servers.py ADDRESS SMTP_PORT HTTP_PORT CERT KEY SPOOL

Each message accepted is appended to SPOOL as one JSON line:
{"channel": "mail"|"webhook", "ms": arrival, "body": text}.
Files beside SPOOL change the servers' mood while they run:
  SPOOL.http500   the webhook is answered 500
  SPOOL.slowmail  the mail is recorded, then its answer waits 4 seconds
The login is "avisos" / "segredo"."""
import asyncio, json, os, ssl, sys, threading, time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword

address, smtp_port, http_port, cert, key, spool = sys.argv[1:7]
lock = threading.Lock()


def record(channel, body):
    with lock, open(spool, "a") as out:
        out.write(json.dumps({"channel": channel, "ms": int(time.time() * 1000), "body": body}) + "\n")


class Mail:
    async def handle_DATA(self, server, session, envelope):
        record("mail", envelope.content.decode("utf-8", "replace"))
        if os.path.exists(spool + ".slowmail"):
            await asyncio.sleep(4)
        return "250 2.0.0 Ok: guardada"


def login(server, session, envelope, mechanism, data):
    ok = isinstance(data, LoginPassword) and data.login == b"avisos" and data.password == b"segredo"
    # Not "handled": aiosmtpd itself then answers a refusal with 535.
    return AuthResult(success=ok, handled=False)


class Hook(BaseHTTPRequestHandler):
    def do_POST(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", "0"))).decode("utf-8", "replace")
        if os.path.exists(spool + ".http500"):
            self.send_response(500)
            self.end_headers()
            self.wfile.write(b"servidor em pane")
            return
        record("webhook", json.dumps({"headers": dict(self.headers), "json": json.loads(body)}))
        self.send_response(200)
        self.end_headers()
        self.wfile.write(b"ok")

    def log_message(self, *args):
        pass


context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
context.load_cert_chain(cert, key)
smtp = Controller(Mail(), hostname=address, port=int(smtp_port), tls_context=context, require_starttls=True,
                  authenticator=login, auth_required=False, auth_require_tls=True)
smtp.start()
http = ThreadingHTTPServer((address, int(http_port)), Hook)
open(spool + ".ready", "w").close()
http.serve_forever()
