"""The page of `scenario view` in headless Chromium, through chromedriver.

Opens the page on our scenario, reads the summary and the diagnostics, saves
the train source with a mistake (a new file renamed over the old) and then
with the fix (in place), the same with the facts file, takes the line source away and brings it back, and
sees the page follow every save without a reload.  The page must heal by
itself: a state it could not fetch is fetched again, a stream refused (all
32 taken) is opened again once there is room, and "live" is never said
over an old state.  No console errors; the
page fits a 1280-pixel window.  Screenshots go to ARTIFACTS.

Usage: view_browser_test.py SCENARIO CHROMIUM CHROMEDRIVER ARTIFACTS
A SCENARIO ending in .exe is the Windows build, run under wine: the browser
on Linux loads the page that the wine process serves on loopback.
"""
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    sys.exit("FAIL: no selenium for %s; install it with: bash scripts/setup.sh python3-selenium" % sys.executable)

failures = []


def check(what, ok):
    print(("ok: " if ok else "FAIL: ") + what)
    if not ok:
        failures.append(what)


def browser(chromium, chromedriver, work):
    options = webdriver.ChromeOptions()
    options.binary_location = chromium
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--disable-extensions", "--no-first-run",
                 "--disable-default-apps", "--window-size=1280,900", "--user-data-dir=" + tempfile.mkdtemp(dir=work)):
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service(chromedriver), options=options)


def command(scenario):
    return ["wine", os.path.abspath(scenario)] if scenario.endswith(".exe") else [os.path.abspath(scenario)]


def start_server(scenario, line, train, work):
    log = open(os.path.join(work, "view.out"), "w+")
    # Relative names: on Windows an argument that starts with / is an option.
    proc = subprocess.Popen(command(scenario) + ["view", line, train], stdout=log, stderr=subprocess.DEVNULL, cwd=work)
    for _ in range(1200):
        log.seek(0)
        m = re.search(r"serving (http://127\.0\.0\.1:\d+/\?token=[0-9a-f]{32}) ", log.read())
        if m:
            return proc, m.group(1)
        if proc.poll() is not None:
            break
        time.sleep(0.05)
    log.seek(0)
    sys.exit("FAIL: scenario view did not start: " + log.read())


def version(driver):
    return int(driver.find_element(By.TAG_NAME, "body").get_attribute("data-versione") or 0)


def wait_version_after(driver, v, what):
    try:
        WebDriverWait(driver, 10, poll_frequency=0.02).until(lambda d: version(d) > v)
        return True
    except Exception:
        check(what + ": the page was updated", False)
        return False


def text(driver, id_):
    return driver.find_element(By.ID, id_).text


def save_renamed(path, data):
    tmp = path + ".new"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def whole_page(driver):
    """A window as tall as the page, so that a screenshot shows it all."""
    height = driver.execute_script("return document.documentElement.scrollHeight")
    driver.set_window_size(1280, min(height + 140, 8000))


def screenshot(driver, path):
    whole_page(driver)
    driver.save_screenshot(path)
    driver.set_window_size(1280, 900)


def console_errors(driver):
    return [e["message"] for e in driver.get_log("browser") if e["level"] == "SEVERE"]


def common_checks(driver, artifacts, name):
    fits = driver.execute_script(
        "const d = document.documentElement; return [d.scrollWidth, d.clientWidth, window.innerWidth];")
    check("the page fits a 1280-pixel window (%d px wide in %d)" % (fits[0], fits[1]), fits[0] <= fits[1])
    screenshot(driver, os.path.join(artifacts, name))
    errors = console_errors(driver)
    check("no browser console errors: %s" % errors, not errors)


def main():
    scenario, chromium, chromedriver, artifacts = sys.argv[1:5]
    for program, package in ((chromium, "chromium"), (chromedriver, "chromium-driver")):
        if not os.access(program, os.X_OK):
            sys.exit("FAIL: %s not found; install it with: bash scripts/setup.sh %s" % (program, package))
    os.makedirs(artifacts, exist_ok=True)
    work = tempfile.mkdtemp()
    try:
        subprocess.run(command(scenario) + ["init", "src"], check=True, cwd=work,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        line = "src/Valdoro_linea.txt"
        train = "src/Valdoro_Dir 5802-.txt"
        proc, url = start_server(scenario, line, train, work)
        driver = browser(chromium, chromedriver, work)
        try:
            run(driver, url, work, line, train, artifacts, "-wine" if scenario.endswith(".exe") else "",
                command(scenario))
        finally:
            driver.quit()
            proc.terminate()
            status = proc.wait(10)
            # Under wine the signal reaches wine's loader, not the program.
            if not scenario.endswith(".exe"):
                check("the server ends cleanly on SIGTERM (status %d)" % status, status == 0)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def label(name):
    """A station's label on the plan, found by its text."""
    return lambda driver: [t for t in driver.find_elements(By.CSS_SELECTOR, "#pianta svg text") if t.text == name]


def point_at(driver, what, where):
    """The pop-up's text with the pointer on the first element that `where`
    (a CSS selector, or a function of the driver) finds; "" when none is."""
    found = where(driver) if callable(where) else driver.find_elements(By.CSS_SELECTOR, where)
    check("the plan draws %s" % what, bool(found))
    if not found:
        return ""
    driver.execute_script("arguments[0].scrollIntoView({block: 'center'})", found[0])
    ActionChains(driver).move_to_element(found[0]).perform()
    return text(driver, "indicazione")


def gradient_figure(driver):
    """A gradient stretch's own figure on the profile, "-11‰"."""
    return [t for t in driver.find_elements(By.CSS_SELECTOR, "#altimetria svg text")
            if re.fullmatch("-?[0-9]+\u2030", t.text)]


def point_at_middle(driver, what, selector):
    """The pop-up's text with the pointer half way along the first path that
    `selector` finds, and whether something else is drawn over that point."""
    found = driver.find_elements(By.CSS_SELECTOR, selector)
    check("the plan draws %s" % what, bool(found))
    if not found:
        return "", False
    path = found[0]
    driver.execute_script("arguments[0].scrollIntoView({block: 'center'})", path)
    dx, dy, covered = driver.execute_script("""
        const p = arguments[0], q = p.getPointAtLength(p.getTotalLength() / 2);
        const m = p.getScreenCTM(), r = p.getBoundingClientRect();
        const x = q.x * m.a + q.y * m.c + m.e, y = q.x * m.b + q.y * m.d + m.f;
        const top = document.elementFromPoint(x, y);
        return [x - (r.left + r.width / 2), y - (r.top + r.height / 2), top !== p];
    """, path)
    ActionChains(driver).move_to_element_with_offset(path, int(round(dx)), int(round(dy))).perform()
    return text(driver, "indicazione"), covered


def point_at_run(driver, metres):
    """The pop-up's text with the pointer over the speed panel a little
    below the fastest run's curve, at the first of `metres` where nothing
    else covers the panel there (the limit's line covers the run where it
    runs at the limit); the metre taken, and "" when none is free."""
    where = driver.execute_script("""
        const g = document.querySelector('#altimetria svg [data-kind="run"]');
        if (!g) return null;
        g.scrollIntoView({block: 'center'});
        const d = g.dataset, m = g.getScreenCTM(), r = g.getBoundingClientRect();
        for (const metro of arguments[0]) {
          const x = Number(d.x0) + metro / Number(d.mPerPx);
          for (const linea of g.querySelectorAll('polyline')) {
            const p = Array.from(linea.points);
            const i = p.findIndex((q) => q.x >= x);
            if (i <= 0) continue;
            const s = new DOMPoint(x, p[i].y + 12).matrixTransform(m);
            const sopra = document.elementFromPoint(s.x, s.y);
            if (sopra && sopra.closest('[data-kind="run"]') === g)
              return [metro, s.x - (r.left + r.width / 2), s.y - (r.top + r.height / 2)];
          }
        }
        return null;""", metres)
    check("the gradient picture draws the run with the panel free below it", where is not None)
    if where is None:
        return 0, ""
    group = driver.find_element(By.CSS_SELECTOR, '#altimetria svg [data-kind="run"]')
    ActionChains(driver).move_to_element_with_offset(group, int(round(where[1])), int(round(where[2]))).perform()
    return where[0], text(driver, "indicazione")


def check_our_warnings(driver, line, train, when):
    """Our scenario's own two warnings and the timetable's four notes, as
    `scenario check` gives them, and nothing else."""
    expected = [("warning", line + ":114:20", "decimal-comma"),
                ("note", train + ":49:1", "timetable-thin-margin"),
                ("note", train + ":54:1", "timetable-thin-margin"),
                ("note", train + ":56:1", "timetable-thin-margin"),
                ("warning", train + ":60:1", "broken-name"),
                ("note", train + ":72:1", "timetable-thin-margin")]
    found = [(i.get_attribute("class"), i.find_element(By.CSS_SELECTOR, ".dove").text,
              i.find_element(By.CSS_SELECTOR, ".livello").text.lower())
             for i in driver.find_elements(By.CSS_SELECTOR, "#diagnostiche li")]
    check("%s: the two warnings and four notes: %s" % (when, found),
          found == [(level, place, level + " " + rule) for level, place, rule in expected])
    check("%s: the count: %r" % (when, text(driver, "conta-diagnostiche")),
          text(driver, "conta-diagnostiche") == "(0 errors, 2 warnings, 4 notes)")


def status(driver):
    return text(driver, "collegamento")


def wait_status(driver, wanted, what, seconds=20):
    try:
        WebDriverWait(driver, seconds, poll_frequency=0.02).until(lambda d: status(d) == wanted)
        return True
    except Exception:
        check("%s: the page says %r (it says %r)" % (what, wanted, status(driver)), False)
        return False


def open_stream(url):
    """An event stream held open, as one more page would hold it."""
    m = re.match(r"http://127\.0\.0\.1:(\d+)/\?token=([0-9a-f]+)", url)
    s = socket.create_connection(("127.0.0.1", int(m.group(1))))
    s.sendall(b"GET /events?token=%s HTTP/1.1\r\nHost: 127.0.0.1:%s\r\n\r\n" % (m.group(2).encode(), m.group(1).encode()))
    s.settimeout(5)
    return s, s.recv(100).split(b"\r\n")[0]


def heals(driver, url, work, train):
    """The page fetches again a state it could not fetch, opens again a
    stream that was refused, and says "live" only over the newest state."""
    source = open(os.path.join(work, train), "rb").read()
    check("live before", wait_status(driver, "live", "before"))
    driver.execute_script("window.fetch_vero = window.fetch;"
                          "window.fetch = () => Promise.reject(new TypeError('refused by the test'));")
    v = version(driver)
    save_renamed(os.path.join(work, train), source)
    if wait_status(driver, "updating", "a save whose state cannot be fetched"):
        check("the old state stays, not said to be live", version(driver) == v)
    driver.execute_script("window.fetch = window.fetch_vero;")
    if wait_version_after(driver, v, "the state fetched again"):
        wait_status(driver, "live", "the state fetched again")

    # Every stream the server takes held (31 here, the page's own the
    # 32nd): a new page is refused its stream, and says so until one is let go.
    held = [open_stream(url) for _ in range(31)]
    check("31 more streams taken: %s" % set(h[1] for h in held), all(h[1] == b"HTTP/1.1 200 OK" for h in held))
    first = driver.current_window_handle
    driver.switch_to.new_window("tab")
    driver.get(url)
    try:
        WebDriverWait(driver, 30).until(lambda d: version(d) > 0)
    except Exception:
        check("a page refused its stream still shows the state", False)
    wait_status(driver, "reconnecting", "a stream refused")
    for s, _ in held:
        s.close()
    if wait_status(driver, "live", "the streams let go"):
        v = version(driver)
        save_renamed(os.path.join(work, train), source)
        wait_version_after(driver, v, "a save after the stream was opened again")
    refused = console_errors(driver)
    check("the only console errors are the refused stream's: %s" % refused,
          all("text/event-stream" in e or "503" in e for e in refused))
    driver.close()
    driver.switch_to.window(first)
    wait_status(driver, "live", "the first page")


def papers_text(driver):
    return driver.execute_script("return document.getElementById('carte').textContent")


def card_row(scenario_cmd, work, line, train, facts, place):
    """The card's row for `place` as `scenario papers --facts` writes it."""
    subprocess.run(scenario_cmd + ["papers", line, train, "--facts", facts, "--out", "papers"], check=True, cwd=work,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    card = open(os.path.join(work, "papers", "Valdoro_Dir 5802_scheda_treno.txt"), "rb").read().decode("cp1252")
    rows = [r for r in card.split("\r\n") if "|" + place in r]
    return rows[0] if len(rows) == 1 else None


def check_facts_saved(driver, work, facts):
    """A mistake saved in the facts file is listed at its line, and goes
    with the fix; the papers wait for it meanwhile."""
    path = os.path.join(work, facts)
    good = open(path, "rb").read()
    bad = good.replace(b"\nrango = B\n", b"\nrango = Z\n", 1)
    assert bad != good
    v = version(driver)
    save_renamed(path, bad)
    if wait_version_after(driver, v, "a mistake saved in the facts file"):
        items = [i.text for i in driver.find_elements(By.CSS_SELECTOR, "#diagnostiche li.error")]
        check("the facts file's mistake is listed at its line: %s" % items,
              len(items) == 1 and items[0].startswith(facts + ":7:9 ") and "facts-bad-value" in items[0].lower() and
              'rango: the rank "Z" must be A, B, C or P' in items[0] and "rango = Z" in items[0])
        check("the count: %r" % text(driver, "conta-diagnostiche"),
              text(driver, "conta-diagnostiche") == "(1 error, 2 warnings, 4 notes)")
        check("no papers meanwhile: %r" % papers_text(driver)[:80],
              papers_text(driver) == "No papers while the facts file has errors.")
    v = version(driver)
    with open(path, "wb") as f:
        f.write(good)
    if wait_version_after(driver, v, "the facts file mended"):
        check("the facts file's mistake is gone",
              not driver.find_elements(By.CSS_SELECTOR, "#diagnostiche li.error"))
        check("the papers are back with our facts", "|14.38___|14.39___|" in papers_text(driver))
    # Taken away, it leaves the defaults, and the page says so.
    v = version(driver)
    os.rename(path, path + ".away")
    if wait_version_after(driver, v, "the facts file taken away"):
        check("the summary says the default facts: %r" % text(driver, "fatti"),
              text(driver, "fatti") == "default facts (no %s)" % facts)
        check("the card has the record's times again", "|14.37½__|14.38½__|" in papers_text(driver))
    v = version(driver)
    os.rename(path + ".away", path)
    if wait_version_after(driver, v, "the facts file back"):
        check("the summary names our facts file again", text(driver, "fatti") == facts)


def check_papers_tab(driver, papers_row):
    # The papers are a tab beside the pictures: hidden at first, shown by
    # their tab, which hides the pictures; a stop's times read from the card.
    check("the papers' tab is not shown at first", not driver.find_element(By.ID, "carte").is_displayed())
    driver.find_element(By.ID, "scheda-carte").click()
    check("the papers' tab shows the papers", driver.find_element(By.ID, "carte").is_displayed())
    check("and hides the pictures", not driver.find_element(By.ID, "pianta").is_displayed())
    check("the tab says it is chosen",
          driver.find_element(By.ID, "scheda-carte").get_attribute("aria-selected") == "true")
    rows = [r for r in text(driver, "carte").split("\n") if "|PRATO ALTO" in r]
    # Made with our facts file, found beside the sources: the record's
    # 14:38:55 with 60 s of stop would print 14.37½ and 14.38½, but the
    # operator's card, which the facts give, rounds to 14.38 and 14.39, and
    # so does `scenario papers` with the same facts.
    check("Prato Alto on the card arrives 14.38 and departs 14.39: %r" % rows,
          len(rows) == 1 and "|14.38___|14.39___|" in rows[0])
    check("the same row as papers prints: %r" % papers_row, rows == [papers_row])
    driver.find_element(By.ID, "scheda-disegni").click()
    check("the pictures' tab shows them again",
          driver.find_element(By.ID, "pianta").is_displayed() and not driver.find_element(By.ID, "carte").is_displayed())


def run(driver, url, work, line, train, artifacts, suffix, scenario_cmd):
    facts = "src/Valdoro_Dir 5802_fatti.txt"
    # Without the token the server gives nothing: the browser shows only
    # its own error page.
    bare = url.split("?")[0]
    driver.get(bare)
    check("without the token: no page", not driver.find_elements(By.ID, "titolo") and
          "vista.js" not in driver.page_source and "scenario view" not in driver.page_source)
    refusals = console_errors(driver)  # read, so that the later checks see only their own
    check("the refusal is a 403: %s" % refusals, all("403" in e for e in refusals))
    driver.get(url)
    WebDriverWait(driver, 30).until(lambda d: version(d) > 0)
    check("title", text(driver, "titolo") == "Valdoro / Dir 5802")
    check("the token is gone from the address: %s" % driver.current_url, driver.current_url == bare)
    check("and out of the scripts' reach", url.split("=")[1] not in driver.execute_script("return document.cookie"))
    check("summary: length", text(driver, "lunghezza") == "218000 m (218.000 km)")
    check("summary: cells", text(driver, "celle") == "4501")
    check("summary: stations", text(driver, "numero-stazioni") == "25")
    check("summary: signals", text(driver, "segnali") == "110")
    check_our_warnings(driver, line, train, "on our scenario")
    rows = driver.find_elements(By.CSS_SELECTOR, "#stazioni tbody tr")
    check("station table has 25 rows", len(rows) == 25)
    check("station table: Prato Alto stops at metre 33500",
          any(r.text.split()[1:3] == ["Prato", "Alto"] and "33500" in r.text and "stop 60 s" in r.text for r in rows))
    check("station table: Prato Alto's record", any("Prato Alto" in r.text and (train + ":51") in r.text for r in rows))
    check("station table: Ponte Rovera's minimum and thin margin, as the timetable prints them",
          any("Ponte Rovera" in r.text and "10 min 13 s" in r.text and "17 s (thin)" in r.text for r in rows))
    check("station table: no minimum where the train starts",
          not any("Roccavalle" in r.text and " min " in r.text for r in rows))
    metre, tip = point_at_run(driver, [104000, 60000, 120000, 30000, 150000, 90000])
    found = re.match(r"fastest run: (\d+) km/h at line km [\d.]+ \(metre (\d+)\)$", tip)
    check("pointing at the fastest run near metre %d tells its speed and km: %r" % (metre, tip),
          found is not None and 0 < int(found.group(1)) <= 160 and abs(int(found.group(2)) - metre) <= 500)
    plan = driver.execute_script("return document.getElementById('pianta').innerHTML")
    gradient = driver.execute_script("return document.getElementById('altimetria').innerHTML")
    check("both pictures drawn", plan.startswith("<svg") and gradient.startswith("<svg"))

    # Pointing at a station's label tells its row, values and record.
    tip = point_at(driver, "Prato Alto's label", label("Prato Alto"))
    check("pointing at Prato Alto tells its row, values and record: %r" % tip,
          tip.startswith('station "Prato Alto", row 5') and "metre 33500" in tip and
          (train + ":51 stazione: position 33500 m, kind 2, length 400 m,") in tip and
          "stop_time 60 s, hours 14 h, minutes 38 min, seconds 55 s, name Prato Alto" in tip)
    # Pointing at a signal tells its cell and its record.
    tip = point_at(driver, "the signal of cell 22", '#pianta svg [data-kind="signal"][data-cell="22"]')
    check("pointing at the signal of cell 22 tells its record: %r" % tip,
          tip.startswith("signal, metre") and (train + ":79 segnale: position 1050 m,") in tip)

    # Pointing at a gradient's own figure, drawn over its stretch, tells the
    # stretch and its record.
    tip = point_at(driver, "a gradient's per-mille figure", gradient_figure)
    check("pointing at a gradient's figure tells its stretch and record: %r" % tip,
          tip.startswith("gradient, metre") and (line + ":") in tip and " pendenza: position " in tip)
    # Half way along a tunnel, where the track or a curve is drawn over it,
    # the tunnel answers too.
    tip, covered = point_at_middle(driver, "a tunnel", '#pianta svg path[data-kind="tunnel"][data-type="1"]')
    check("something else is drawn over the middle of the tunnel", covered)
    check("pointing at the middle of a tunnel tells its span and record: %r" % tip,
          re.search("^tunnel, metre [0-9]+ to [0-9]+$", tip, re.M) is not None and (line + ":") in tip and
          " montagna: position " in tip)

    check("the summary names our facts file: %r" % text(driver, "fatti"), text(driver, "fatti") == facts)
    check_papers_tab(driver, card_row(scenario_cmd, work, line, train, facts, "PRATO ALTO"))

    # The "go to" box.
    box = driver.find_element(By.ID, "vai-testo")
    box.send_keys("metre 33500\n")
    check("go to metre 33500: %r" % text(driver, "vai-esito"), text(driver, "vai-esito").startswith("metre 33500, line km"))
    box.clear()
    box.send_keys("km 33.5\n")
    check("go to km 33.5: %r" % text(driver, "vai-esito"), text(driver, "vai-esito").startswith("metre 33500, line km 33.500"))
    # After the numbering's restart at metre 180350, km 0.5 is counted again.
    box.clear()
    box.send_keys("0+500\n")
    found = text(driver, "vai-esito").split("\n")
    check("go to 0+500 finds both metres: %r" % found,
          [l.split(",")[0] for l in found] == ["metre 500", "metre 180850"])
    common_checks(driver, artifacts, "view%s.png" % suffix)

    driver.execute_script("window.segno = 'same page';")
    source = open(os.path.join(work, train), "rb").read()
    broken = source.replace(b"stazione,   33500,", b"stazione,   33510,", 1)
    assert broken != source
    v = version(driver)
    save_renamed(os.path.join(work, train), broken)
    if wait_version_after(driver, v, "a mistake saved"):
        items = driver.find_elements(By.CSS_SELECTOR, "#diagnostiche li.error")
        check("the mistake is listed: %s" % [i.text for i in items],
              len(items) == 1 and items[0].text.startswith(train + ":51:") and "error-8" in items[0].text.lower())
        check("the count: %r" % text(driver, "conta-diagnostiche"),
              text(driver, "conta-diagnostiche") == "(1 error, 2 warnings, 0 notes)")
        rows = driver.find_elements(By.CSS_SELECTOR, "#stazioni tbody tr")
        check("the station whose record stopped the compile keeps its name",
              len(rows) >= 5 and "Prato Alto" in rows[4].text)
        here = driver.find_elements(By.CSS_SELECTOR, "#diagnostiche li.error pre span.qui")
        check("with its source line", len(here) == 1 and "33510" in here[0].text)
        check("the pictures changed",
              driver.execute_script("return document.getElementById('pianta').innerHTML") != plan and
              driver.execute_script("return document.getElementById('altimetria').innerHTML") != gradient)
        check("the papers follow the save: %r" % papers_text(driver)[:80],
              papers_text(driver) == "No papers while the sources have errors.")
        check("what the pointer told of the state before is gone",
              not driver.find_element(By.ID, "indicazione").is_displayed())
        # Pointed at in the tall window of the screenshot: a resize after
        # it would leave the pop-up where the label stood before.
        whole_page(driver)
        tip = point_at(driver, "Ponte Rovera's label", label("Ponte Rovera"))
        check("pointing at Ponte Rovera after the save: %r" % tip,
              tip.startswith('station "Ponte Rovera", row 3') and (train + ":49 stazione:") in tip)
        screenshot(driver, os.path.join(artifacts, "view%s-mistake.png" % suffix))

    v = version(driver)
    with open(os.path.join(work, train), "wb") as f:  # in place, as most editors save
        f.write(source)
    if wait_version_after(driver, v, "the fix saved"):
        check_our_warnings(driver, line, train, "after the fix")
        check("the papers are back after the fix", "|PRATO ALTO" in papers_text(driver))
        check("the pictures are back",
              driver.execute_script("return document.getElementById('pianta').innerHTML") == plan and
              driver.execute_script("return document.getElementById('altimetria').innerHTML") == gradient)

    check_facts_saved(driver, work, facts)

    # A source taken away is waited for; the last picture stays.
    v = version(driver)
    os.rename(os.path.join(work, line), os.path.join(work, line + ".away"))
    if wait_version_after(driver, v, "a source taken away"):
        check("waiting for the line source: %r" % text(driver, "attese"), text(driver, "attese") == "waiting for " + line)
        check("the last picture stays", driver.execute_script("return document.getElementById('pianta').innerHTML") == plan)
    v = version(driver)
    os.rename(os.path.join(work, line + ".away"), os.path.join(work, line))
    if wait_version_after(driver, v, "the source back"):
        check("no longer waiting", not driver.find_element(By.ID, "attese").is_displayed())
    heals(driver, url, work, train)
    check("never reloaded", driver.execute_script("return window.segno") == "same page")
    errors = console_errors(driver)
    check("no browser console errors after the saves: %s" % errors, not errors)


if __name__ == "__main__":
    main()
    if failures:
        print("%d checks failed" % len(failures))
        sys.exit(1)
    print("view browser test passed")
