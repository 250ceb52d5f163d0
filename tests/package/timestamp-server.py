"""A time-stamping authority (RFC 3161) on 127.0.0.1 for the signing test:
answers each POSTed query with a reply that `openssl ts` signs with the
given certificate and key. Prints the port it listens on, then serves until
killed.
    python3 timestamp-server.py CERT.pem KEY.pem WORK-FOLDER
"""
import http.server
import os
import subprocess
import sys
import tempfile

cert, key, work = sys.argv[1:4]
config = os.path.join(work, "tsa.cnf")
with open(config, "w") as out:
    out.write(
        "[tsa]\ndefault_tsa = clonarium_test\n"
        "[clonarium_test]\n"
        f"serial = {os.path.join(work, 'tsa-serial')}\n"
        "signer_digest = sha256\ndefault_policy = 1.2.3.4.1\ndigests = sha256, sha384, sha512\n"
        "accuracy = secs:1\ness_cert_id_alg = sha256\n"
    )


class Authority(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers["Content-Length"]))
        with tempfile.TemporaryDirectory(dir=work) as folder:
            with open(os.path.join(folder, "query.tsq"), "wb") as out:
                out.write(query)
            answer = os.path.join(folder, "reply.tsr")
            made = subprocess.run(
                ["openssl", "ts", "-reply", "-config", config, "-queryfile", os.path.join(folder, "query.tsq"),
                 "-signer", cert, "-inkey", key, "-out", answer],
                capture_output=True)
            if made.returncode != 0:
                self.send_error(500, made.stderr.decode(errors="replace")[:200])
                return
            reply = open(answer, "rb").read()
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)

    def log_message(self, *arguments):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), Authority)
print(server.server_address[1], flush=True)
server.serve_forever()
