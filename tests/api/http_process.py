#!/usr/bin/env python3
"""The HTTP interface as a host sees it: dravimo and ecrsim as processes,
joined by a pseudo-terminal, and Python's own HTTP client.

  http_process.py BIN_DIR SOURCE_DIR

Checks, each against the register's own counters (ecrsim "show status"):
  - a start that would listen off loopback without a token ends with exit 1;
  - every bad request of a host is answered with a JSON error and prints
    nothing;
  - one receipt sent as Windows-1253, as UTF-8 and as JSON puts the same
    commands on the line; one key sent three times prints one receipt;
  - a job killed (SIGKILL) in the middle and the process started again: the
    same key gives the first job and its outcome, one receipt;
  - ten clients at once: every job once, in the order accepted;
  - GET /v1/register answers in under 50 ms (median of 20) while a card
    payment keeps the register waiting 20 s, and a full queue gets 429;
    it tells the register's numbers and paper out as the jobs met them.
Every process started here is ended here, by its process id.
"""
import fcntl
import http.client
import json
import os
import re
import shutil
import signal
import socket
import statistics
import struct
import subprocess
import sys
import tempfile
import threading
import time

BIN, SRC = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
FAILURES = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        FAILURES.append(what)
    return condition


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def receipt(item="ΝΕΡΟ 500ML", price="0.50", payment=1, tag="T"):
    """A print file's text (CR LF) as a host writes it: one sale in the
    print file's columns, paid whole."""
    sale = list(" PLU 0001".ljust(76))
    for at, text in ((19, item[:24]), (52, "1"), (65 - len(price), price), (71, "13")):
        sale[at:at + len(text)] = text
    return f" tag:  {tag}\r\n{''.join(sale)}\r\n tot   {payment}{price:>11}\r\n"


class Rig:
    """A working folder with ecrsim on a pseudo-terminal and dravimo with
    its HTTP interface on a free loopback port."""

    def __init__(self, scenario=(), token=None, env=None, scale="5"):
        self.dir = tempfile.mkdtemp(prefix="dravimo-http-")
        self.port = free_port()
        self.token = token
        self.env = dict(os.environ, DRAVIMO_UNATTENDED="1", DRAVIMO_TIME_SCALE=scale,
                        DRAVIMO_HTTP=f"127.0.0.1:{self.port}", LC_ALL="C.UTF-8")
        for name in ("QT_QPA_PLATFORM", "DRAVIMO_CRASH_AT", "DRAVIMO_JOURNAL", "DRAVIMO_JOURNAL_FAIL_AT"):
            self.env.pop(name, None)
        self.env.update(env or {})
        if token:
            with open(self.path("token"), "w") as f:
                f.write(token + "\n")
            self.env["DRAVIMO_HTTP_TOKEN_FILE"] = self.path("token")
        with open(os.path.join(SRC, "demo", "param.ini.in"), encoding="cp1253") as f:
            text = f.read().replace("@LOCATION@", self.dir + "/")
        with open(self.path("param.ini"), "w", encoding="cp1253", newline="\r\n") as f:
            f.write(text)
        shutil.copy(os.path.join(SRC, "demo", "vats.dat"), self.dir)
        # Payment 3: a card on terminal 1, booked as the register's payment 2.
        payeft = bytearray(3 * 128)
        payeft[256:268] = struct.pack("<6h", 3, 2, 1, -1, 0, 1)
        with open(self.path("payeft.dat"), "wb") as f:
            f.write(payeft)
        with open(self.path("scenario.scn"), "w") as f:
            f.write("\n".join(scenario) + "\n")
        self.sim_out = open(self.path("ecrsim.out"), "w+")
        self.sim = subprocess.Popen([os.path.join(BIN, "ecrsim"), "--serial", "--control", self.path("ctl"),
                                     "--trace", self.path("trace"), "--roll", self.path("roll"),
                                     "--scenario", self.path("scenario.scn")],
                                    stdout=self.sim_out, stderr=subprocess.DEVNULL)
        self.device = ""
        for _ in range(100):
            self.sim_out.seek(0)
            self.device = self.sim_out.readline().strip()
            if self.device.startswith("/"):
                break
            time.sleep(0.05)
        self.dravimo = None

    def path(self, name):
        return os.path.join(self.dir, name)

    def start(self, extra_env=None, wait_ready=True):
        env = dict(self.env, DRAVIMO_COM1=self.device, **(extra_env or {}))
        self.err = open(self.path("dravimo.err"), "a")
        self.dravimo = subprocess.Popen([os.path.join(BIN, "dravimo")], cwd=self.dir, env=env,
                                        stdout=subprocess.DEVNULL, stderr=self.err)
        if wait_ready:
            deadline = time.time() + 30
            while time.time() < deadline:
                try:
                    status, _, body = self.request("GET", "/v1/register")
                    if status == 200 and body.get("printing"):
                        return True
                except OSError:
                    pass
                time.sleep(0.1)
            return False
        return True

    def request(self, method, path, body=None, headers=None, host=None, timeout=150):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=timeout)
        try:
            conn.putrequest(method, path, skip_host=True, skip_accept_encoding=True)
            conn.putheader("Host", host or f"127.0.0.1:{self.port}")
            all_headers = dict(headers or {})
            if self.token and "Authorization" not in all_headers:
                all_headers["Authorization"] = "Bearer " + self.token
            for k, v in all_headers.items():
                conn.putheader(k, v)
            data = body if body is not None else b""
            conn.putheader("Content-Length", str(len(data)))
            conn.endheaders(data)
            r = conn.getresponse()
            raw = r.read()
            try:
                parsed = json.loads(raw) if raw else {}
            except ValueError:
                parsed = {"unparsed": raw.decode("latin-1")}
            return r.status, {k.lower(): v for k, v in r.getheaders()}, parsed
        finally:
            conn.close()

    def post_text(self, text, key, charset="utf-8", wait=None, headers=None, timeout=150):
        h = {"Content-Type": f"text/plain; charset={charset}"}
        if key is not None:
            h["Idempotency-Key"] = key
        h.update(headers or {})
        body = text.encode("cp1253" if charset == "windows-1253" else "utf-8")
        return self.request("POST", "/v1/jobs" + (f"?wait={wait}" if wait else ""), body, h, timeout=timeout)

    def wait_done(self, job_id, seconds=90):
        deadline = time.time() + seconds
        while time.time() < deadline:
            status, _, body = self.request("GET", f"/v1/jobs/{job_id}")
            if status == 200 and body.get("state") in ("done", "quarantined"):
                return body
            time.sleep(0.1)
        return {}

    def sim_status(self):
        out = subprocess.run([os.path.join(BIN, "ecrsim"), "--send", self.path("ctl"), "show status"],
                             capture_output=True, text=True, timeout=10).stdout
        m = re.search(r"receipt (\w+),.*last receipt (\d+)", out)
        return (m.group(1), int(m.group(2))) if m else (out, -1)

    def control(self, line):
        subprocess.run([os.path.join(BIN, "ecrsim"), "--send", self.path("ctl"), line],
                       capture_output=True, timeout=10, check=True)

    def commands(self):
        with open(self.path("trace"), encoding="utf-8", errors="replace") as f:
            return [line.split("cmd", 1)[1].strip() for line in f if re.search(r"\scmd\s", line)]

    def kill_dravimo(self, sig=signal.SIGTERM):
        if self.dravimo and self.dravimo.poll() is None:
            self.dravimo.send_signal(sig)
            try:
                self.dravimo.wait(timeout=40)
            except subprocess.TimeoutExpired:
                self.dravimo.kill()
                self.dravimo.wait()

    def close(self):
        self.kill_dravimo()
        if self.sim.poll() is None:
            self.sim.terminate()
            self.sim.wait(timeout=10)
        if FAILURES and os.environ.get("HTTP_KEEP"):
            print("kept:", self.dir)
        else:
            shutil.rmtree(self.dir, ignore_errors=True)


def refuses_to_listen_off_loopback():
    rig = Rig()
    try:
        rig.env["DRAVIMO_HTTP"] = f"0.0.0.0:{rig.port}"
        rig.start(wait_ready=False)
        code = rig.dravimo.wait(timeout=30)
        with open(rig.path("dravimo.err"), encoding="utf-8", errors="replace") as f:
            err = f.read()
        check(code == 1 and "token" in err, f"off loopback without a token: exit {code}, says why ({err.strip()[:80]})")
    finally:
        rig.close()


def bad_requests_print_nothing(rig):
    good = receipt().encode("utf-8")
    utf8 = {"Content-Type": "text/plain; charset=utf-8", "Idempotency-Key": "bad-1"}
    cases = [
        ("no key", "POST", "/v1/jobs", good, {"Content-Type": "text/plain; charset=utf-8"}, None, 400),
        ("wrong token", "POST", "/v1/jobs", good, dict(utf8, Authorization="Bearer nope"), None, 401),
        ("no token", "POST", "/v1/jobs", good, dict(utf8, Authorization=""), None, 401),
        ("wrong Host", "POST", "/v1/jobs", good, utf8, "evil.example", 421),
        ("over 1 MB", "POST", "/v1/jobs", b"x" * (1024 * 1024 + 10), utf8, None, 413),
        ("wrong charset", "POST", "/v1/jobs", good, dict(utf8, **{"Content-Type": "text/plain; charset=latin-1"}),
         None, 415),
        ("not UTF-8", "POST", "/v1/jobs", receipt().encode("cp1253"), utf8, None, 415),
        ("not a print file", "POST", "/v1/jobs", b"{}", dict(utf8, **{"Content-Type": "application/x-unknown"}),
         None, 415),
        ("malformed JSON", "POST", "/v1/jobs", b'{"lines": [', dict(utf8, **{"Content-Type": "application/json"}),
         None, 400),
        ("unknown line kind", "POST", "/v1/jobs", b'{"lines": [{"raffle": 1}]}',
         dict(utf8, **{"Content-Type": "application/json"}), None, 400),
        ("unknown report", "POST", "/v1/reports/w", b"", utf8, None, 404),
    ]
    for what, method, path, body, headers, host, expected in cases:
        status, h, answer = rig.request(method, path, body, headers, host=host)
        check(status == expected and answer.get("code") and answer.get("message")
              and not any(k.startswith("access-control") for k in h),
              f"{what}: {status} {answer.get('code')}")
    time.sleep(1)
    check(rig.sim_status() == ("none", 0), f"nothing printed after the bad requests: {rig.sim_status()}")
    check(not [n for n in os.listdir(rig.path("http")) if not n.startswith(".")],
          "nothing queued after the bad requests")


def same_key_is_one_receipt(rig):
    # The demo receipt as the host's Windows-1253 file, as UTF-8 text and as
    # JSON: the same commands on the line.
    with open(os.path.join(SRC, "demo", "receipt.prn"), "rb") as f:
        demo = f.read()
    with open(os.path.join(SRC, "docs", "receipt-example.json"), "rb") as f:
        demo_json = f.read()
    forms = [("windows-1253", demo, "text/plain; charset=windows-1253"),
             ("utf-8", demo.decode("cp1253").encode("utf-8"), "text/plain; charset=utf-8"),
             ("json", demo_json, "application/json")]
    skip = ("KXSTAT", "KXRE", "KXCL", "KX?TO")
    sent = {}
    for name, body, content_type in forms:
        before = len(rig.commands())
        status, _, answer = rig.request("POST", "/v1/jobs?wait=60", body,
                                        {"Content-Type": content_type, "Idempotency-Key": "demo-" + name})
        sent[name] = [c for c in rig.commands()[before:] if c not in skip]
        check(status == 200 and answer.get("outcome", {}).get("exitCode") == 0,
              f"the demo receipt as {name}: {status} {answer.get('outcome', {}).get('exitCode')}")
    check(sent["windows-1253"] == sent["utf-8"] == sent["json"] and len(sent["json"]) >= 6,
          f"text and JSON put the same commands on the line: {sent['json']}")
    printed = rig.sim_status()[1]
    status, answers = None, []
    for _ in range(3):
        status, headers, answer = rig.post_text(receipt(tag="ONCE"), "once-1", wait=60)
        answers.append((status, headers.get("idempotency-replayed"), answer.get("id")))
    ids = {a[2] for a in answers}
    check(len(ids) == 1 and answers[0][1] is None and answers[1][1] == "true" and answers[2][1] == "true",
          f"one key three times is one job: {answers}")
    check(rig.sim_status()[1] == printed + 1, f"one receipt, not three: {printed} -> {rig.sim_status()[1]}")
    status, _, answer = rig.post_text(receipt(tag="OTHER"), "once-1")
    check(status == 409 and answer.get("code") == "key-reused", f"the same key with another body: {status}")
    job = rig.wait_done(answers[0][2])
    outcome = job.get("outcome", {})
    check(outcome.get("exitCode") == 0 and outcome.get("tag") == "ONCE" and job.get("result"),
          f"the job's outcome: {outcome}")


def kill_mid_job_and_retry(rig):
    # The process ends itself with SIGKILL after the job's fourth reply is in.
    rig.kill_dravimo()
    rig.start({"DRAVIMO_CRASH_AT": "after-reply:4"}, wait_ready=False)
    deadline = time.time() + 30
    first = None
    while time.time() < deadline and first is None:
        try:
            first = rig.post_text(receipt(tag="KILLED", item="ΚΑΦΕΣ"), "kill-1")
        except OSError:
            time.sleep(0.1)
    check(first is not None and first[0] == 202, f"the job accepted: {first and first[0]}")
    rig.dravimo.wait(timeout=60)
    check(rig.dravimo.returncode == -signal.SIGKILL, f"killed: {rig.dravimo.returncode}")
    # The job had started: its journal entry, with the key, is left to settle.
    with open(rig.path("journal/job"), "rb") as f:
        entry = f.read()
    check(b"\nkey kill-1 " in entry and f"path http%2F{first[2]['id']}".encode() in entry,
          "killed in the middle of the job: its journal entry holds the key")
    before = rig.sim_status()[1]
    check(rig.start(), "started again")
    status, headers, answer = rig.post_text(receipt(tag="KILLED", item="ΚΑΦΕΣ"), "kill-1", wait=60)
    check(status == 200 and headers.get("idempotency-replayed") == "true" and answer.get("id") == first[2]["id"],
          f"after the restart the same key is the first job: {status} {answer.get('id')} {answer.get('state')}")
    check(answer.get("outcome", {}).get("tag") == "KILLED" and answer.get("state") in ("done", "quarantined"),
          f"and its outcome: {answer.get('state')} {answer.get('outcome')}")
    after = rig.sim_status()[1]
    check(after - before == 1, f"one receipt: the register's last receipt {before} -> {after}")


def ten_clients_at_once(rig):
    before = rig.sim_status()[1]
    answers = [None] * 10

    def client(i):
        answers[i] = rig.post_text(receipt(tag=f"C{i}", item=f"ITEM {i}"), f"ten-{i}", wait=120)

    threads = [threading.Thread(target=client, args=(i,)) for i in range(10)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    ok = all(a and a[0] == 200 and a[2].get("state") == "done" for a in answers)
    by_id = sorted((a[2]["id"], a[2]["outcome"]["receipt"]["last"]) for a in answers if ok)
    numbers = [n for _, n in by_id]
    check(ok and len({i for i, _ in by_id}) == 10, "ten clients: ten jobs, all done")
    check(numbers == list(range(before + 1, before + 11)), f"each printed once, in the order accepted: {by_id}")


def health_during_card_wait(rig):
    status, _, job = rig.post_text(receipt(tag="CARD", payment=3, price="2.00"), "card-1")
    check(status == 202, f"card job accepted: {status}")
    deadline = time.time() + 20
    while time.time() < deadline and rig.request("GET", f"/v1/jobs/{job['id']}")[2].get("state") != "running":
        time.sleep(0.05)
    time.sleep(1)
    # A print file handed over in the folder before the next HTTP jobs runs
    # before them: one line, in the order each became ready.
    with open(rig.path("print.1.tmp"), "w", encoding="cp1253", newline="") as f:
        f.write(" resFile:  folder.txt\r\n" + receipt(tag="FOLDER"))
    os.rename(rig.path("print.1.tmp"), rig.path("print.1"))
    time.sleep(0.05)
    # A client that gives up waiting for its job: the job stays, and the
    # answer it left behind is dropped when the job ends (the process lives).
    try:
        rig.post_text(receipt(tag="Q0"), "q-0", wait=60, timeout=1)
        gave_up = False
    except socket.timeout:
        gave_up = True
    check(gave_up, "a client gave up waiting")
    # Queued behind it: two may wait, the third is told to come back later.
    queued = [rig.post_text(receipt(tag=f"Q{i}"), f"q-{i}") for i in range(2)]
    queued, queued_ids = [q[0] for q in queued], [q[2].get("id") for q in queued]
    status, headers, answer = rig.post_text(receipt(tag="Q2"), "q-2")
    check(queued == [202, 202] and status == 429 and headers.get("retry-after") and answer.get("code"),
          f"a full queue: {queued} then {status} Retry-After {headers.get('retry-after')}")
    times, running = [], []
    for _ in range(20):
        t0 = time.perf_counter()
        s, _, health = rig.request("GET", "/v1/register")
        times.append((time.perf_counter() - t0) * 1000)
        running.append(health.get("runningJob"))
        time.sleep(0.05)
    state = rig.request("GET", f"/v1/jobs/{job['id']}")[2]
    check(state.get("state") == "running" and state.get("line", 0) >= 2,
          f"the job on the line, at its line: {state.get('state')} line {state.get('line')}")
    median = statistics.median(times)
    check(median < 50 and running.count(job["id"]) == 20,
          f"health while the card is on the terminal: median {median:.1f} ms, max {max(times):.1f} ms")
    done = rig.wait_done(job["id"], 120)
    check(done.get("outcome", {}).get("exitCode") == 0 and len(done["outcome"].get("cardPayments", [])) == 1,
          f"the card job's outcome: {done.get('outcome')}")
    later = [rig.wait_done(i)["outcome"]["receipt"]["last"] for i in queued_ids]
    deadline = time.time() + 30
    while time.time() < deadline and os.path.exists(rig.path("print.1")):
        time.sleep(0.05)
    with open(rig.path("folder.txt"), encoding="cp1253") as f:
        folder = int(re.search(r"receipt = \d+, (\d+)", f.read()).group(1))
    check(folder == 2 and later == [3, 4], f"the folder's print file between the HTTP jobs: {folder}, {later}")
    check(rig.dravimo.poll() is None and rig.request("GET", "/v1/register")[0] == 200,
          "the answer the client gave up on was dropped; dravimo answers on")
    # Reports are keyed jobs too.
    status, headers, x = rig.request("POST", "/v1/reports/x?wait=60", b"", {"Idempotency-Key": "x-1"})
    replay = rig.request("POST", "/v1/reports/x?wait=60", b"", {"Idempotency-Key": "x-1"})
    replies = x.get("outcome", {}).get("sendReplies", [])
    check(status == 200 and len(replies) == 1 and replies[0]["code"] == 0
          and replay[1].get("idempotency-replayed") == "true" and replay[2].get("id") == x.get("id")
          and rig.commands().count("KX0T1") == 1,
          f"the X report as a keyed job, run once: {x.get('outcome')}")


def health_follows_the_register(rig):
    """What GET /v1/register says comes from the commands the jobs sent:
    the numbers after a job, paper out while a job waits for paper."""
    s, _, h = rig.request("GET", "/v1/register")
    check(s == 200 and h.get("link") == "up" and h.get("numbers", {}).get("lastReceipt") == rig.sim_status()[1]
          and h.get("paperOut") is False and h.get("printing") is True,
          f"health after the jobs: {h}")
    rig.control("paper out")
    status, _, job = rig.post_text(receipt(tag="PAPER"), "paper-1")
    deadline, h = time.time() + 20, {}
    while time.time() < deadline and not h.get("paperOut"):
        h = rig.request("GET", "/v1/register")[2]
        time.sleep(0.1)
    check(h.get("paperOut") is True and h.get("runningJob") == job.get("id"),
          f"paper out while the job waits for it: {h.get('paperOut')} {h.get('status')}")
    rig.control("paper loaded")
    done = rig.wait_done(job["id"], 60)
    h = rig.request("GET", "/v1/register")[2]
    check(done.get("outcome", {}).get("exitCode") == 0 and h.get("paperOut") is False,
          f"paper loaded: the job ends, health says so: {h.get('paperOut')}")


def held_print_file_holds_up_nothing(rig):
    """A print file the host still holds (locked) is not ready: the HTTP job
    accepted after it runs, and the print file once the host lets it go."""
    with open(rig.path("print.1"), "w", encoding="cp1253", newline="") as f:
        fcntl.flock(f, fcntl.LOCK_EX)
        f.write(" resFile:  held.txt\r\n" + receipt(tag="HELD"))
        f.flush()
        time.sleep(0.1)
        status, _, answer = rig.post_text(receipt(tag="AFTER"), "after-held", wait=60)
        check(status == 200 and answer.get("state") == "done" and os.path.exists(rig.path("print.1")),
              f"a held print file does not hold up the HTTP job: {status} {answer.get('state')}")
    deadline = time.time() + 30
    while time.time() < deadline and os.path.exists(rig.path("print.1")):
        time.sleep(0.05)
    check(not os.path.exists(rig.path("print.1")), "the print file runs once the host lets it go")


def main():
    refuses_to_listen_off_loopback()
    rig = Rig(token="s3cret-token")
    try:
        check(rig.start(), "dravimo with the HTTP interface and a token answers")
        bad_requests_print_nothing(rig)
        same_key_is_one_receipt(rig)
        kill_mid_job_and_retry(rig)
        ten_clients_at_once(rig)
    finally:
        rig.close()
    # The card terminal takes 20 s to approve.
    rig = Rig(scenario=["card default 358 delay 20000"], env={"DRAVIMO_HTTP_MAX_QUEUED": "2"})
    try:
        check(rig.start(), "dravimo answers (second rig)")
        health_during_card_wait(rig)
        health_follows_the_register(rig)
        held_print_file_holds_up_nothing(rig)
    finally:
        rig.close()
    print(f"{len(FAILURES)} failed" if FAILURES else "all passed")
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
