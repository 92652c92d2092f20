#!/usr/bin/env python3
"""What an owner with many registers watches, seen as they see it: dravimo
and ecrsim as processes (the rig of http_process.py).

  metrics_process.py BIN_DIR SOURCE_DIR

  - /metrics read with the Prometheus client library's own parser after a
    refused sale, a card decline, a lost reply and a quarantine: each counter
    moved by what happened and nothing else, every command the simulator
    received counted once by its kind; /metrics answers only with the token
    and the right Host;
  - the status page "/" in headless Chromium after two jobs: the register
    answering and both jobs with their exit codes; then the register silent:
    the next load of the page says so.
Every process started here is ended here, by its process id.
"""
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import http_process as hp  # noqa: E402  (the rig, its checks and its receipt)

try:
    from prometheus_client.parser import text_string_to_metric_families
except ImportError:
    print("SKIP: python3-prometheus-client is not installed (scripts/install-deps.sh installs it)")
    sys.exit(77)

check = hp.check
# The commands of these jobs by kind, as the simulator's trace shows them:
# sales and the card failure notice's comment lines are receipt items.
KINDS = {"receipt_item": re.compile(r"^KX(\d+R\d|CO)"), "card_payment": re.compile(r"^KX\d*T\dP\d+$"),
         "payment": re.compile(r"^KX\d*T\d$")}


def sale_line(item, price):
    line = list(" PLU 0001".ljust(76))
    for at, text in ((19, item[:24]), (52, "1"), (65 - len(price), price), (71, "13")):
        line[at:at + len(text)] = text
    return "".join(line) + "\r\n"


def two_sales(tag, payment=1):
    """Two sales of 0.50 and a payment of both."""
    return f" tag:  {tag}\r\n" + sale_line("WATER", "0.50") + sale_line("COFFEE", "0.50") + f" tot   {payment}       1.00\r\n"


def scrape(rig, headers=None):
    status, head, _ = rig.request("GET", "/metrics", headers=headers)
    return status, head


def metrics(rig):
    """Every sample as {(name, ((label, value), ...)): value}, parsed by the
    Prometheus client's own text parser."""
    conn = hp.http.client.HTTPConnection("127.0.0.1", rig.port, timeout=30)
    conn.request("GET", "/metrics", headers={"Host": f"127.0.0.1:{rig.port}",
                                             "Authorization": "Bearer " + rig.token})
    r = conn.getresponse()
    text = r.read().decode("utf-8")
    conn.close()
    samples = {}
    for family in text_string_to_metric_families(text):
        for s in family.samples:
            samples[(s.name, tuple(sorted(s.labels.items())))] = s.value
    return r.getheader("Content-Type"), samples


def delta(before, after):
    return {k: after[k] - before.get(k, 0) for k in after if after[k] != before.get(k, 0)}


def counter(name, **labels):
    return (name, tuple(sorted(labels.items())))


def run_job(rig, text, key):
    status, _, answer = rig.post_text(text, key, wait=90)
    return answer.get("outcome", {}).get("exitCode"), answer


def settle(rig, seconds=30):
    """Waits until no job runs and no journal entry is left to settle."""
    deadline = time.time() + seconds
    while time.time() < deadline:
        s, _, h = rig.request("GET", "/v1/register")
        if s == 200 and not h.get("runningJob") and h.get("queued") == 0 and not os.path.exists(rig.path("journal/job")):
            return True
        time.sleep(0.1)
    return False


# Each case: what the simulator is told, the job, the exit code the host
# reads, and every counter that must move, by how much. Counters not named
# (other than commands by kind, checked against the simulator's trace, and
# replies "ok") must not move.
CASES = [
    ("a refused sale", [r"error 69 re:KX\d+R\d+WATER times 1"], two_sales("REFUSED"), 3,
     {counter("dravimo_jobs_total", exit_code="3"): 1,
      counter("dravimo_replies_total", outcome="refused"): 1,
      counter("dravimo_refusals_total", code="69"): 1}),
    ("a card declined, paid in cash instead", ["card code 05 times 1"], two_sales("DECLINED", payment=3), 0,
     {counter("dravimo_jobs_total", exit_code="0"): 1,
      counter("dravimo_card_attempts_total", **{"class": "declined"}): 1}),
    ("a sale's reply lost", [r"on re:KX\d+R\d+COFFEE lose-reply 1"], two_sales("LOST"), 0,
     {counter("dravimo_jobs_total", exit_code="0"): 1,
      counter("dravimo_replies_total", outcome="no_answer"): 1,
      counter("dravimo_settlements_total", outcome="finished"): 1,
      counter("dravimo_link_reopens_total"): 1}),
    ("a declined card's reply lost: quarantined", ["card code 05 times 1", r"on re:KX\d*T2P1 lose-reply 1"], two_sales("QUAR", payment=3), 1,
     {counter("dravimo_jobs_total", exit_code="1"): 1,
      counter("dravimo_replies_total", outcome="no_answer"): 1,
      counter("dravimo_settlements_total", outcome="quarantined"): 1,
      counter("dravimo_quarantines_total"): 1,
      counter("dravimo_link_reopens_total"): 1}),
]
# Moved by every job; checked as sums below.
FREE = ("dravimo_commands_total", "dravimo_replies_total", "dravimo_command_round_trip_seconds",
        "dravimo_job_duration_seconds")


def counters_follow_what_happened(rig):
    status, _ = scrape(rig, {"Authorization": "Bearer wrong"})
    check(status == 401, f"/metrics without the token: {status}")
    status, _, _ = rig.request("GET", "/metrics", host="evil.example")
    check(status == 421, f"/metrics by another Host: {status}")
    content_type, before = metrics(rig)
    check(content_type.startswith("text/plain; version=0.0.4"), f"exposition format: {content_type}")
    check(before[counter("dravimo_register_answering")] == 1, "the register answers at the start")
    for n, (what, control, text, exit_code, expected) in enumerate(CASES):
        for line in control:
            rig.control(line)
        sent_before = len(rig.commands())
        got, answer = run_job(rig, text, f"metrics-{n}")
        settled = settle(rig)
        sent = rig.commands()[sent_before:]
        _, after = metrics(rig)
        moved = delta(before, after)
        unexpected = {k: v for k, v in moved.items()
                      if k not in expected and not k[0].startswith(FREE)}
        wrong = {k: (moved.get(k, 0), v) for k, v in expected.items() if moved.get(k, 0) != v}
        check(got == exit_code and settled, f"{what}: exit code {got} (settled: {settled})")
        check(not wrong and not unexpected, f"{what}: counters moved as expected"
              + (f"; wrong {wrong}" if wrong else "") + (f"; unexpected {unexpected}" if unexpected else ""))
        by_kind = sum(v for k, v in moved.items() if k[0] == "dravimo_commands_total")
        answered = sum(v for k, v in moved.items() if k[0] == "dravimo_replies_total" and k[1] != (("outcome", "late"),))
        clears = moved.get(counter("dravimo_commands_total", kind="clear"), 0)
        trips = moved.get(counter("dravimo_command_round_trip_seconds_count"), 0)
        check(by_kind == len(sent) and trips == answered and answered == by_kind - expected.get(
            counter("dravimo_replies_total", outcome="refused"), 0),
              f"{what}: {len(sent)} commands on the line, {by_kind} counted by kind ({clears} clears), "
              f"{answered} outcomes, {trips} round trips")
        kinds = {kind: (moved.get(counter("dravimo_commands_total", kind=kind), 0),
                        sum(1 for c in sent if pattern.match(c))) for kind, pattern in KINDS.items()}
        check(all(counted == seen for counted, seen in kinds.values()),
              f"{what}: items and payments counted as the simulator saw them (counted, seen): {kinds}")
        durations = moved.get(counter("dravimo_job_duration_seconds_count"), 0)
        check(durations == (0 if exit_code == 1 and "quarantined" in what else 1),
              f"{what}: job durations observed: {durations}")
        before = after
    check(before[counter("dravimo_register_answering")] == 1, "the register answers at the end")


def chromium():
    for name in ("chromium", "chromium-browser"):
        for folder in os.environ.get("PATH", "").split(os.pathsep):
            if os.access(os.path.join(folder, name), os.X_OK):
                return os.path.join(folder, name)
    return None


def page(browser, rig):
    """The status page's DOM as headless Chromium renders it."""
    profile = rig.path("chromium-profile")
    out = subprocess.run([browser, "--headless", "--no-sandbox", "--disable-gpu", f"--user-data-dir={profile}",
                          "--dump-dom", f"http://127.0.0.1:{rig.port}/"],
                         capture_output=True, text=True, timeout=60)
    return out.stdout


def status_page_in_a_browser(browser):
    rig = hp.Rig()
    try:
        check(rig.start(), "dravimo without a token on loopback answers")
        codes = [run_job(rig, two_sales("PAGE-OK"), "page-1")[0]]
        rig.control(r"error 69 re:KX\d+R\d+COFFEE times 1")
        codes.append(run_job(rig, two_sales("PAGE-REF"), "page-2")[0])
        dom = page(browser, rig)
        rows = dict(re.findall(r"<td>(PAGE-\w+)</td><td>[^<]*</td><td class=\"code\">(\d)</td>", dom))
        check('http-equiv="refresh" content="5"' in dom and "Η ταμειακή απαντά" in dom,
              "the page: refreshed every 5 s, the register answering")
        check(codes == [0, 3], f"the two jobs ran: exit codes {codes}")
        check(rows == {"PAGE-OK": str(codes[0]), "PAGE-REF": str(codes[1])} and "Εκτυπώσεις" in dom,
              f"both jobs on the page with their exit codes: {rows}")
        rig.control("silent")
        silent_at = time.time()
        rig.post_text(two_sales("SILENT"), "page-3")
        says = False
        while not says and time.time() - silent_at < 30:
            says = "Η ταμειακή δεν απαντά" in page(browser, rig)
        took = time.time() - silent_at
        # The register is given its answer window (7 s program time, 1.4 s at
        # the rig's time scale) through its attempts before it counts as
        # silent; after that the page's next load says so.
        check(says and took < 4 * 1.4 + 5, f"the register silent: the page says so after {took:.1f} s")
    finally:
        rig.close()


def main():
    rig = hp.Rig(token="metrics-token")
    try:
        check(rig.start(), "dravimo with the HTTP interface and a token answers")
        counters_follow_what_happened(rig)
    finally:
        rig.close()
    browser = chromium()
    if browser:
        status_page_in_a_browser(browser)
    else:
        check(False, "chromium is not installed (scripts/install-deps.sh installs it)")
    print(f"{len(hp.FAILURES)} failed" if hp.FAILURES else "all passed")
    return 1 if hp.FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
