"""Benchmark of `scenario view` on our scenario.

1. Save-to-update latency in the browser: the train source is saved 20
   times (a new file renamed over the old); the time from each save to the
   page showing the new state, as the page's clock sees it.  Target: a
   median under 300 ms.
2. The server's resident memory after 10 and after 1000 recompiles (each
   save waited for through the server's state).  Target: within 10 %.

Usage: /usr/bin/python3 bench/vista_bench.py SCENARIO [CHROMIUM CHROMEDRIVER]
"""
import http.client
import json
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.support.ui import WebDriverWait


token = ""  # the server's, read from the address it prints


def start(scenario, work):
    subprocess.run([scenario, "init", "src"], cwd=work, check=True, stdout=subprocess.DEVNULL)
    log = open(os.path.join(work, "out"), "w+")
    proc = subprocess.Popen([scenario, "view", "src/Valdoro_linea.txt", "src/Valdoro_Dir 5802-.txt"], cwd=work,
                            stdout=log, stderr=subprocess.STDOUT)
    for _ in range(200):
        log.seek(0)
        m = re.search(r"serving http://127\.0\.0\.1:(\d+)/\?token=([0-9a-f]+)", log.read())
        if m:
            global token
            token = m.group(2)
            return proc, int(m.group(1))
        time.sleep(0.05)
    sys.exit("scenario view did not start")


def save(path, data):
    with open(path + ".new", "wb") as f:
        f.write(data)
    os.replace(path + ".new", path)


def version(port):
    c = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
    c.request("GET", "/state?token=" + token)
    v = json.loads(c.getresponse().read())["versione"]
    c.close()
    return v


def rss_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        return int(re.search(r"VmRSS:\s+(\d+) kB", f.read()).group(1))


def latency(port, train, chromium, chromedriver, work):
    options = webdriver.ChromeOptions()
    options.binary_location = chromium
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                 "--no-first-run", "--window-size=1280,900", "--user-data-dir=" + os.path.join(work, "profile")):
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service(chromedriver), options=options)
    try:
        driver.get("http://127.0.0.1:%d/?token=%s" % (port, token))
        WebDriverWait(driver, 30).until(lambda d: d.execute_script("return document.body.dataset.versione"))
        driver.execute_script("""
          window.arrivi = {};
          new MutationObserver(() => { window.arrivi[document.body.dataset.versione] = Date.now(); })
            .observe(document.body, { attributes: true, attributeFilter: ['data-versione'] });""")
        data = open(train, "rb").read()
        times = []
        for _ in range(20):
            before = int(driver.execute_script("return document.body.dataset.versione"))
            t0 = time.time() * 1000
            save(train, data)
            WebDriverWait(driver, 10, poll_frequency=0.01).until(
                lambda d: int(d.execute_script("return document.body.dataset.versione")) > before)
            arrived = driver.execute_script("return window.arrivi[document.body.dataset.versione]")
            times.append(arrived - t0)
            time.sleep(0.2)
        return times
    finally:
        driver.quit()


def main():
    scenario = os.path.abspath(sys.argv[1])
    chromium = sys.argv[2] if len(sys.argv) > 2 else "/usr/bin/chromium"
    chromedriver = sys.argv[3] if len(sys.argv) > 3 else "/usr/bin/chromedriver"
    work = tempfile.mkdtemp()
    proc, port = start(scenario, work)
    train = os.path.join(work, "src", "Valdoro_Dir 5802-.txt")
    ok = True
    try:
        times = latency(port, train, chromium, chromedriver, work)
        median = statistics.median(times)
        print("save to update, 20 saves: median %.0f ms, min %.0f, max %.0f" % (median, min(times), max(times)))
        ok = ok and median < 300
        data = open(train, "rb").read()
        rss = {}
        for n in range(1, 1001):
            before = version(port)
            save(train, data)
            while version(port) == before:
                time.sleep(0.01)
            if n in (10, 100, 1000):
                rss[n] = rss_kib(proc.pid)
                print("resident memory after %d recompiles: %d KiB" % (n, rss[n]))
        growth = (rss[1000] - rss[10]) / rss[10]
        print("growth from 10 to 1000 recompiles: %+.1f %%" % (growth * 100))
        ok = ok and abs(growth) <= 0.10
    finally:
        proc.terminate()
        proc.wait()
        shutil.rmtree(work, ignore_errors=True)
    print("within targets" if ok else "OUTSIDE TARGETS")
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
