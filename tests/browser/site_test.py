#!/usr/bin/env python3
"""site_test.py - the demo site in a real browser, as a visitor uses it.

Sets up the demo installation from a build, serves it with lighttpd on a free loopback
port and drives Debian's chromium headless through chromedriver (WebDriver: HTTP and
JSON, Python's standard library only). Checks page text, form fields, links and the
status codes the browser received, and saves screenshots. Every process it starts is
stopped on every way out (normal end, failure, SIGTERM of a test timeout).

    python3 site_test.py --source SOURCE_DIR --build BUILD_DIR
"""

import argparse
import base64
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import time
import traceback
import urllib.error
import urllib.parse
import urllib.request

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"

# Chromium as root in a closed network: no sandbox, no GPU, and none of the background
# connections that the network would refuse many at a time.
CHROMIUM_ARGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--disable-dev-shm-usage", "--hide-scrollbars", "--window-size=1280,800",
]

DEMO_USER, DEMO_PASSWORD = "demo", "debian-demo"  # as README.md and demo-setup.sh say

# A search text that would run if any page wrote it unescaped: a script element, an
# event handler, a double quote that would end an attribute, and an ampersand. The
# engine refuses it as a search (the quote opens a phrase that never ends).
INJECTION = '<script>window.zgwInjected=1</script>"><img src=x onerror="window.zgwInjected=2"> & co'
# The same kinds of characters in a search that finds packages, so that the result
# list, the hit list and a record page show it too.
INJECTION_WITH_HITS = ('library OR "<script>window.zgwInjected=1</script>" OR '
                       '"\'><img src=x onerror=window.zgwInjected=2> & co"')

# The packages of the test's site are those installed on this machine; these words are
# in the packages that scripts/install-deps.sh installs (libraries, compilers).
PAGED_SEARCH = "library"
RANKED_SEARCH = ("compiler", "devel")   # words and section

STEP_TIMEOUT = 30       # seconds for one WebDriver call or HTTP request
START_TIMEOUT = 30      # seconds for lighttpd or chromedriver to answer


class Failure(Exception):
    """A check that did not hold: the message says what was expected and found."""


def check(condition, message):
    if not condition:
        raise Failure(message)


def check_equal(found, expected, what):
    check(found == expected, f"{what}: expected {expected!r}, found {found!r}")


def free_port():
    """A loopback port that is free now (the server may still lose a race for it)."""
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def port_answers(port):
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=1):
            return True
    except OSError:
        return False


def stop_session(leader):
    """Ends every process of the session that `leader` started (start_new_session),
    children that left its process group included; waits for the leader."""
    if leader.poll() is None:
        try:
            os.killpg(leader.pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
        try:
            leader.wait(timeout=10)
        except subprocess.TimeoutExpired:
            pass
    for _ in range(50):
        members = session_members(leader.pid)
        if not members:
            break
        for pid in members:
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        time.sleep(0.1)
    if leader.poll() is None:
        leader.kill()
        leader.wait()


def session_members(session):
    """Ids of the live processes whose session id is `session`."""
    members = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        # After the command: state, ppid, pgrp, session ...; zombies are already gone.
        if fields[0] != "Z" and int(fields[3]) == session:
            members.append(int(entry))
    return members


class Site:
    """The demo installation served by lighttpd (scripts/demo-serve.sh) on a free port."""

    def __init__(self, source, build, directory):
        self.source, self.build, self.directory = source, build, directory
        self.server = None
        self.port = None

    def set_up(self):
        subprocess.run(["bash", os.path.join(self.source, "scripts/demo-setup.sh"),
                        "--build", self.build, "--source", "installed", self.directory],
                       check=True, timeout=600, stdout=subprocess.DEVNULL)

    def start(self):
        with open(os.path.join(self.directory, "log", "serve.log"), "w") as log:
            self.start_logging_to(log)

    def start_logging_to(self, log):
        for _ in range(3):  # another program may take the free port before lighttpd does
            self.port = free_port()
            self.server = subprocess.Popen(
                ["bash", os.path.join(self.source, "scripts/demo-serve.sh"), self.directory,
                 str(self.port)], stdout=log, stderr=subprocess.STDOUT, start_new_session=True)
            # demo-serve.sh says so once its lighttpd answers on the port.
            deadline = time.monotonic() + START_TIMEOUT
            while time.monotonic() < deadline and self.server.poll() is None:
                with open(log.name) as text:
                    if "The demo site is served" in text.read():
                        return
                time.sleep(0.1)
            self.stop()
        with open(log.name) as text:
            raise Failure("lighttpd did not start:\n" + text.read())

    def stop(self):
        if self.server:
            stop_session(self.server)
            self.server = None

    def url(self, path):
        return f"http://127.0.0.1:{self.port}{path}"


class NoRedirect(urllib.request.HTTPRedirectHandler):
    def redirect_request(self, *args, **kwargs):
        return None


def fetch(url):
    """(status, headers, body text) of a GET of `url`, redirects not followed."""
    opener = urllib.request.build_opener(NoRedirect)
    try:
        with opener.open(url, timeout=STEP_TIMEOUT) as response:
            return response.status, response.headers, response.read().decode("utf-8", "replace")
    except urllib.error.HTTPError as error:
        return error.code, error.headers, error.read().decode("utf-8", "replace")


class Browser:
    """Chromium driven through chromedriver's WebDriver interface."""

    def __init__(self, scratch):
        self.scratch = scratch
        self.driver = None
        self.session = None
        self.base = None

    def start(self):
        for program in (CHROMIUM, CHROMEDRIVER):
            check(os.access(program, os.X_OK),
                  f"{program} is missing: install chromium and chromium-driver (scripts/install-deps.sh)")
        port = free_port()
        self.base = f"http://127.0.0.1:{port}"
        log = open(os.path.join(self.scratch, "chromedriver.log"), "w")
        self.driver = subprocess.Popen([CHROMEDRIVER, f"--port={port}"], stdout=log,
                                       stderr=subprocess.STDOUT, start_new_session=True)
        deadline = time.monotonic() + START_TIMEOUT
        while not port_answers(port):
            check(self.driver.poll() is None, "chromedriver ended at start; see chromedriver.log")
            check(time.monotonic() < deadline, "chromedriver does not answer")
            time.sleep(0.1)
        options = {
            "binary": CHROMIUM,
            "args": CHROMIUM_ARGS + ["--user-data-dir=" + os.path.join(self.scratch, "profile")],
        }
        answer = self.call("POST", "/session", {"capabilities": {"alwaysMatch": {
            "browserName": "chrome", "goog:chromeOptions": options,
            "goog:loggingPrefs": {"performance": "ALL"}, "pageLoadStrategy": "normal",
            "timeouts": {"pageLoad": STEP_TIMEOUT * 1000, "script": STEP_TIMEOUT * 1000}}}})
        self.session = "/session/" + answer["sessionId"]

    def stop(self):
        if self.session:
            try:
                self.call("DELETE", self.session)
            except Exception:  # the browser may be gone already; the session is ended below
                pass
            self.session = None
        if self.driver:
            stop_session(self.driver)
            self.driver = None

    def call(self, method, path, body=None):
        data = None if body is None else json.dumps(body).encode()
        request = urllib.request.Request(self.base + path, data=data, method=method,
                                         headers={"Content-Type": "application/json"})
        try:
            with urllib.request.urlopen(request, timeout=STEP_TIMEOUT * 2) as response:
                return json.loads(response.read())["value"]
        except urllib.error.HTTPError as error:
            value = json.loads(error.read() or b"{}").get("value", {})
            raise Failure(f"WebDriver {method} {path}: {value.get('error')}: {value.get('message')}")

    # Navigation and the page.
    def open(self, url):
        self.call("POST", self.session + "/url", {"url": url})

    def url(self):
        return self.call("GET", self.session + "/url")

    def run(self, script, *args):
        return self.call("POST", self.session + "/execute/sync", {"script": script, "args": list(args)})

    def text(self, selector="body"):
        return self.run("const e = document.querySelector(arguments[0]); return e ? e.innerText : null;",
                        selector)

    def element(self, selector):
        found = self.call("POST", self.session + "/element", {"using": "css selector", "value": selector})
        return next(iter(found.values()))

    def type(self, selector, text):
        element = self.element(selector)
        self.call("POST", f"{self.session}/element/{element}/clear", {})
        self.call("POST", f"{self.session}/element/{element}/value", {"text": text})

    def back(self):
        self.call("POST", self.session + "/back", {})

    def click(self, selector):
        self.call("POST", f"{self.session}/element/{self.element(selector)}/click", {})

    def select(self, name, text):
        """Chooses the option showing `text` in the select element named `name`."""
        found = self.call("POST", self.session + "/element", {
            "using": "xpath", "value": f"//select[@name='{name}']/option[normalize-space()='{text}']"})
        self.call("POST", f"{self.session}/element/{next(iter(found.values()))}/click", {})

    def cookies(self):
        return {cookie["name"]: cookie["value"] for cookie in self.call("GET", self.session + "/cookie")}

    def resize(self, width, height):
        self.call("POST", self.session + "/window/rect", {"width": width, "height": height})

    def screenshot(self, path):
        with open(path, "wb") as image:
            image.write(base64.b64decode(self.call("GET", self.session + "/screenshot")))

    def statuses(self):
        """The documents received since the last call: (URL, status) in order, the
        redirects among them, from the browser's own network log."""
        entries = self.call("POST", self.session + "/se/log", {"type": "performance"})
        received = []
        for entry in entries:
            message = json.loads(entry["message"])["message"]
            params = message.get("params", {})
            if message["method"] == "Network.requestWillBeSent" and "redirectResponse" in params:
                response = params["redirectResponse"]
            elif message["method"] == "Network.responseReceived" and params.get("type") == "Document":
                response = params["response"]
            else:
                continue
            if response["url"].startswith("http:"):  # not the browser's own pages
                received.append((response["url"], response["status"]))
        return received


# What a result page shows, read from its markup (classes of result.zgw).
RESULT_PAGE = """
const list = document.querySelector('ol.results');
const number = s => { const e = document.querySelector(s); return e ? Number(e.innerText) : null; };
return {
  title: document.title,
  heading: (document.querySelector('h1') || {}).innerText || null,
  findstr: (document.querySelector('h1 q.findstr') || {}).innerText || null,
  records: number('.counts .records'), matches: number('.counts .matches'),
  start: list ? list.start : null,
  names: list ? [...list.querySelectorAll('h2.record a')].map(a => a.innerText) : [],
  sections: list ? [...list.querySelectorAll('.section')].map(e => e.innerText) : [],
  // A mark that ends an excerpt may be cut short by the excerpt's length: "*" after it.
  marks: [...document.querySelectorAll('main mark')].map(m =>
    m.innerText + (m.parentNode.matches('.excerpt') && !m.nextSibling ? '*' : '')),
  forward: !!document.querySelector('nav.pager .forward a'),
  backward: !!document.querySelector('nav.pager .backward a'),
  recordLinks: list ? [...list.querySelectorAll('h2.record a')].map(a => a.getAttribute('href')) : [],
};"""

# What a record page shows (record.zgw).
RECORD_PAGE = """
const text = s => { const e = document.querySelector(s); return e ? e.innerText : null; };
return {
  name: document.querySelector('article.record h1').firstChild.textContent.trim(),
  position: text('nav.crumbs .position'),
  findstr: text('nav.crumbs q.findstr'),
  fields: [...document.querySelectorAll('dl.record dt')].map(e => e.innerText),
  section: text('dl.record dd.section'),
  marks: [...document.querySelectorAll('main mark')].map(m => m.innerText),
  back: (document.querySelector('nav.crumbs .back a') || {getAttribute: () => null}).getAttribute('href'),
  previous: !!document.querySelector('nav.pager .backward a'),
  next: !!document.querySelector('nav.pager .forward a'),
};"""


class Visitor:
    """The visitor's steps; each one checks what a person would see."""

    def __init__(self, site, browser, shots):
        self.site, self.browser, self.shots = site, browser, shots

    # Helpers shared by the steps.
    def expect_document(self, path_start, status):
        """The last document the browser received came from `path_start` with `status`."""
        # A click that submits a form may return before the browser logs the answer.
        received = []
        deadline = time.monotonic() + STEP_TIMEOUT
        while time.monotonic() < deadline:
            received += self.browser.statuses()
            if received and urllib.parse.urlsplit(received[-1][0]).path.startswith(path_start):
                break
            time.sleep(0.1)
        check(received, f"the browser received no document (waiting for {path_start}; "
                        f"it shows {self.browser.url()})")
        url, found = received[-1]
        check(urllib.parse.urlsplit(url).path.startswith(path_start),
              f"expected a page from {path_start}, the browser is at {url}")
        check_equal(found, status, f"status of {url}")
        return received

    def expect_gateway_page(self):
        self.expect_document("/cgi-bin/zoltgate", 200)
        error = self.browser.run("return [...document.querySelectorAll('h1')]"
                                 ".map(h => h.innerText).filter(t => t.startsWith('(S)'));")
        check_equal(error, [], "error headings in the page")

    def expect_inert(self, where):
        """No text of the request became markup: no script ran, no element has an
        event handler, and the site's pages have no script elements of their own."""
        found = self.browser.run(
            "return {injected: window.zgwInjected === undefined ? null : window.zgwInjected,"
            " scripts: document.scripts.length,"
            " handlers: [...document.querySelectorAll('*')].filter("
            "   e => [...e.attributes].some(a => a.name.startsWith('on'))).length};")
        check_equal(found, {"injected": None, "scripts": 0, "handlers": 0},
                    f"markup made from the search text on {where}")

    def expect_fits_phone(self, what):
        self.browser.resize(390, 844)
        overflow = self.browser.run("return document.documentElement.scrollWidth - window.innerWidth;")
        self.browser.resize(1280, 800)
        check(overflow <= 0, f"on a phone's width the {what} scrolls sideways by {overflow} px")

    def screenshot_tall(self, name):
        """A screenshot of a tall window, so that a picture shows several records."""
        self.browser.resize(1024, 1300)
        self.browser.screenshot(os.path.join(self.shots, name))
        self.browser.resize(1280, 800)

    def hidden_fields(self):
        return self.browser.run(
            "return Object.fromEntries([...document.querySelectorAll('input[type=hidden]')]"
            ".map(e => [e.name, e.value]));")

    def search_from_form(self, form_path, words):
        self.browser.open(self.site.url(form_path))
        self.browser.statuses()
        self.browser.type("#words", words)
        self.browser.click("form.search button[type=submit]")

    def result_page(self):
        self.expect_gateway_page()
        return self.browser.run(RESULT_PAGE)

    def record_page(self):
        self.expect_gateway_page()
        return self.browser.run(RECORD_PAGE)

    def expect_marks(self, marks, words, where):
        """Hits are marked on the page and every mark is a word searched for; a mark
        written with "*" after it may be the start of one (cut by a length limit)."""
        check(marks, f"no hit marked on {where}")

        def searched(mark):
            if mark.endswith("*"):
                return any(word.startswith(mark[:-1].lower()) for word in words)
            return mark.lower() in words
        wrong = [m for m in marks if not searched(m)]
        check(not wrong, f"marked on {where} but not searched for ({sorted(words)}): {wrong[:5]}")

    def expect_login_form(self, message):
        self.expect_document("/cgi-bin/zoltgate", 200)
        check_equal(self.browser.text("h1"), "Log in to installed", "login form heading")
        check_equal(self.browser.text("p.error"), message, "login form message")

    def log_in(self, user, password):
        self.browser.type("input[name=uname]", user)
        self.browser.type("input[name=passwd]", password)
        self.browser.click("form.login button[type=submit]")

    def first_result_page(self):
        """The first page of the paged search, with checks of what any result page shows."""
        self.search_from_form("/zoltgate/", PAGED_SEARCH)
        page = self.result_page()
        check_equal(page["findstr"], PAGED_SEARCH, "search text in the heading")
        check(page["records"] is not None and page["records"] > 20,
              f"the search for {PAGED_SEARCH!r} must find more than two pages: {page['records']} records")
        check(page["matches"] >= page["records"], f"hits below records: {page}")
        check_equal(page["start"], 1, "number of the first record on the first page")
        check_equal(len(page["names"]), 10, f"records on the first page ({page['names']})")
        self.expect_marks(page["marks"], {PAGED_SEARCH}, "the result page")
        check(page["forward"] and not page["backward"], f"paging links of the first page: {page}")
        return page

    # The steps.
    def form_page(self):
        """The address printed by demo.sh leads to the search form, styled, with every
        field the gateway reads; the form fits a phone's width."""
        self.browser.resize(1280, 800)
        self.browser.open(self.site.url("/"))
        received = self.expect_document("/zoltgate/", 200)
        check_equal(received[0][1], 302, "status of the site's root (a redirect to the form)")
        check_equal(self.browser.run("return document.title;"), "Debian packages · ZOLTgate", "title")
        form = self.browser.run(
            "const f = document.querySelector('form.search');"
            "return {action: f.getAttribute('action'), method: f.method,"
            " fields: [...f.elements].filter(e => e.name).map(e => [e.name, e.type, e.value])};")
        check_equal(form["action"], "/cgi-bin/zoltgate", "search form's action")
        check_equal(form["method"], "get", "search form's method")
        fields = {(name, kind) for name, kind, _ in form["fields"]}
        for field in [("${APPL}", "hidden"), ("${BASE}", "hidden"), ("${HTML}", "hidden"),
                      ("${FREETEXT}", "search"), ("PACKAGE", "text"), ("SECTION", "select-one"),
                      ("MAINTAINER", "text"), ("${FORD}", "radio"), ("${FUZZ}", "checkbox"),
                      ("${SORT}", "select-one")]:
            check(field in fields, f"the search form has no field {field}: {sorted(fields)}")
        values = {name: value for name, kind, value in form["fields"] if kind == "hidden"}
        check_equal(values, {"${APPL}": "packages", "${BASE}": "packages", "${HTML}": "result",
                             "${SNHTML}": "nohits", "${MAXPAGE}": "11"}, "hidden fields")
        radios = self.browser.run("return [...document.querySelectorAll('form.search input[name=\"${FORD}\"]')]"
                                  ".map(e => e.value);")
        check_equal(radios, ["FIND", "FUZZ"], "search modes")
        background = self.browser.run("return getComputedStyle(document.body).backgroundColor;")
        check_equal(background, "rgb(243, 245, 248)", "page background from the stylesheet")
        self.browser.screenshot(os.path.join(self.shots, "search-form.png"))
        self.browser.resize(390, 844)
        self.browser.screenshot(os.path.join(self.shots, "search-form-phone.png"))
        self.browser.resize(1280, 800)
        self.expect_fits_phone("search form")

    def links(self):
        """Every link and the stylesheet of the static pages answer; a redirect leads
        to a page that answers."""
        for page in ("/zoltgate/", "/zoltgate/installed.html", "/zoltgate/refused.html"):
            self.browser.open(self.site.url(page))
            self.expect_document(page, 200)
            targets = self.browser.run(
                "return [...document.links].map(a => a.href)"
                ".concat([...document.querySelectorAll('link[rel=stylesheet]')].map(l => l.href));")
            check(targets, f"{page} has no links")
            for target in targets:
                status, headers, _ = fetch(target)
                if status == 302:
                    target = urllib.parse.urljoin(target, headers["Location"])
                    status, headers, _ = fetch(target)
                check_equal(status, 200, f"status of {target}, linked from {page}")
            status, headers, _ = fetch(self.site.url("/zoltgate/zoltgate.css"))
            check_equal(headers["Content-Type"], "text/css; charset=utf-8", "stylesheet's type")

    def ranked_search(self):
        """The form's fields, ranked search and sort choice reach the search: a section
        narrows the result and the list comes sorted by package name."""
        words, section = RANKED_SEARCH
        self.browser.open(self.site.url("/zoltgate/"))
        self.browser.statuses()
        self.browser.type("#words", words)
        self.browser.select("SECTION", section)
        self.browser.click("input[name='${FORD}'][value=FUZZ]")
        self.browser.select("${SORT}", "package name")
        self.browser.click("form.search button[type=submit]")
        page = self.result_page()
        query = urllib.parse.parse_qs(urllib.parse.urlsplit(self.browser.url()).query)
        for name, value in [("${APPL}", "packages"), ("${FREETEXT}", words), ("SECTION", section),
                            ("${FORD}", "FUZZ"), ("${SORT}", "PACKAGE")]:
            check_equal(query.get(name), [value], f"request parameter {name}")
        check(len(page["names"]) >= 2, f"the ranked search found too little to check its order: {page}")
        check_equal(page["sections"], [section] * len(page["names"]), "sections of the records")
        check_equal(page["names"], sorted(page["names"]), "records sorted by package name")
        self.expect_marks(page["marks"], {words, section}, "the ranked result page")

    def paging(self):
        """Ten records a page: forward to the second page and back to the first."""
        first = self.first_result_page()
        self.screenshot_tall("result-page.png")
        self.expect_fits_phone("result page")
        self.browser.click("nav.pager .forward a")
        second = self.result_page()
        check_equal(second["start"], 11, "number of the first record on the second page")
        check_equal(len(second["names"]), 10, "records on the second page")
        check_equal(second["records"], first["records"], "record count on the second page")
        check(not set(second["names"]) & set(first["names"]),
              f"the second page repeats records of the first: {first['names']} {second['names']}")
        check(second["forward"] and second["backward"], f"paging links of the second page: {second}")
        self.browser.click("nav.pager .backward a")
        back = self.result_page()
        check_equal(back["start"], 1, "number of the first record after paging back")
        check_equal(back["names"], first["names"], "records after paging back")

    def record(self):
        """A record of the list opens with its fields and hits; the next and previous
        record links walk the result."""
        first = self.first_result_page()
        self.browser.click("ol.results li:nth-child(3) h2.record a")
        third = self.record_page()
        check_equal(third["name"], first["names"][2], "package of the third record")
        check_equal(third["position"], f"Package 3 of {first['records']} for {PAGED_SEARCH}",
                    "position in the result")
        check_equal(third["fields"][:4], ["Section", "Maintainer", "Version", "Installed size"],
                    "fields of the record")
        self.expect_marks(third["marks"], {PAGED_SEARCH}, "the record page")
        check(third["previous"] and third["next"], f"record links of the third record: {third}")
        self.screenshot_tall("record-page.png")
        self.expect_fits_phone("record page")
        self.browser.click("nav.pager .forward a")
        fourth = self.record_page()
        check_equal(fourth["name"], first["names"][3], "package after the next record link")
        check_equal(fourth["position"], f"Package 4 of {first['records']} for {PAGED_SEARCH}",
                    "position after the next record link")
        self.browser.click("nav.pager .backward a")
        check_equal(self.record_page()["name"], first["names"][2], "package after the previous record link")
        # A dependency is a search for the packages whose names hold that name.
        dependency = self.browser.run("const a = document.querySelector('ul.depends a');"
                                      "return a ? a.innerText.split(' ')[0] : null;")
        if dependency:
            self.browser.click("ul.depends a")
            page = self.result_page()
            check_equal(page["findstr"], f'PACKAGE="{dependency}"', "search of a dependency")
            others = [name for name in page["names"] if dependency not in name]
            check(page["names"] and not others, f"packages not named {dependency} in its search: {others}")

    def history(self):
        """The record page's link back through the page history returns to the result
        page that the record was opened from."""
        first = self.first_result_page()
        self.browser.click("nav.pager .forward a")
        second = self.result_page()
        # The result page saves itself into the page history with ${SURLSLI}.
        check("${ZGWURLSAVE}=" in second["recordLinks"][0],
              f"record link without the page-history save: {second['recordLinks'][0]}")
        self.browser.click("ol.results li:nth-child(2) h2.record a")
        record = self.record_page()
        check_equal(record["name"], second["names"][1], "package opened from the second page")
        self.browser.click("nav.pager .forward a")
        check_equal(self.record_page()["name"], second["names"][2], "next package")
        self.browser.click("nav.crumbs .back a")
        back = self.result_page()
        check_equal(back["start"], 11, "first record of the page the history leads back to")
        check_equal(back["names"], second["names"], "records of the page the history leads back to")
        check(back["names"] != first["names"], "the history led to the first page")

    def hit_list(self):
        """The whole result in one display window: a line a package, hits marked."""
        first = self.first_result_page()
        hidden = self.browser.run("return getComputedStyle(document.querySelector('form.hitlist')).display;")
        if first["records"] > 1000:
            check_equal(hidden, "none", "the hit list offered for more records than can be paged")
            return
        self.browser.click("form.hitlist button")
        self.expect_gateway_page()
        found = self.browser.run(
            "return {findstr: document.querySelector('h1 q.findstr').innerText,"
            " records: Number(document.querySelector('.counts .records').innerText),"
            " lines: document.querySelector('pre.hitlist').innerText.split('\\n'),"
            " marks: [...document.querySelectorAll('pre.hitlist mark')].map(m => m.innerText)};")
        check_equal(found["findstr"], PAGED_SEARCH, "search text of the hit list")
        check_equal(found["records"], first["records"], "records of the hit list")
        starts = [line.split(" - ")[0] for line in found["lines"]]
        missing = [name for name in first["names"] if name not in starts]
        check(not missing, f"packages of the first page missing in the hit list: {missing}")
        self.expect_marks(found["marks"], {PAGED_SEARCH}, "the hit list")

    def browse_terms(self):
        """The index of maintainers' names from a word on, each name with its count;
        more names follow; a name searches its packages."""
        self.browser.open(self.site.url("/zoltgate/#browse"))
        self.browser.statuses()
        self.browser.type("#browse-maintainer", "d")
        self.browser.click("#browse-maintainer ~ button")
        self.expect_gateway_page()
        terms = self.browser.run(
            "return [...document.querySelectorAll('ol.terms li')].map(li =>"
            " [li.querySelector('a').innerText, Number(li.querySelector('.count').innerText)]);")
        check_equal(self.browser.text("h1 q.findstr"), "MAINTAINER=d", "search text of the term list")
        terms_url = self.browser.url()
        check_equal(len(terms), 25, f"terms on the page ({terms})")
        words = [word for word, _ in terms]
        check(words == sorted(words) and words[0] >= "d", f"terms from d on, in order: {words}")
        check(all(count > 0 for _, count in terms), f"counts of the terms: {terms}")
        self.expect_fits_phone("term list")
        self.browser.click("nav.pager .forward a")
        self.expect_gateway_page()
        more = self.browser.run("return [...document.querySelectorAll('ol.terms li a')].map(a => a.innerText);")
        check(more and more[0] >= words[-1] and more != words, f"terms after {words[-1]}: {more}")
        self.browser.open(terms_url)
        self.expect_gateway_page()
        busiest = max(range(len(terms)), key=lambda i: terms[i][1])
        word, count = terms[busiest]
        self.browser.click(f"ol.terms li:nth-child({busiest + 1}) a")
        page = self.result_page()
        check_equal(page["findstr"], f"MAINTAINER='{word}'", "search of a term")
        check_equal(page["records"], count, f"records of the term {word}")
        self.expect_marks(page["marks"], {word}, "the result of a term")

    def no_hits(self):
        """A search that finds nothing shows the no-hit page, with the search ready to change."""
        words = "zgwnosuchword"
        self.search_from_form("/zoltgate/", words)
        self.expect_gateway_page()
        check_equal(self.browser.text("h1"), f"No package matches {words}", "no-hit heading")
        check_equal(self.browser.run("return document.querySelector('#words').value;"), words,
                    "search text in the no-hit page's form")

    def login(self):
        """The restricted database asks for a login, refuses a wrong password with the
        engine's message, and takes the right one; the login holds for the next request."""
        self.browser.call("DELETE", self.browser.session + "/cookie")
        self.search_from_form("/zoltgate/installed.html", PAGED_SEARCH)
        self.expect_login_form("")
        # The browser sends the empty fields too; the gateway keeps them all.
        expected = {"${APPL}": "installed", "${BASE}": "installed", "${HTML}": "result",
                    "${SNHTML}": "nohits", "${MAXPAGE}": "11", "${FREETEXT}": PAGED_SEARCH,
                    "PACKAGE": "", "SECTION": "", "MAINTAINER": "", "${FORD}": "FIND", "${SORT}": ""}
        check_equal(self.hidden_fields(), expected, "the refused request in the login form")
        self.log_in(DEMO_USER, "not-the-password")
        self.expect_login_form("Wrong user name or password")
        check_equal(self.hidden_fields(), expected, "the refused request after a wrong password")
        self.browser.screenshot(os.path.join(self.shots, "login-refused.png"))
        self.log_in(DEMO_USER, DEMO_PASSWORD)
        page = self.result_page()
        check(page["records"] and page["names"], f"no result after the login: {page}")
        check_equal(self.browser.cookies().get("zgwuser"), DEMO_USER, "the login cookie's user")
        self.browser.click("ol.results li:first-child h2.record a")
        record = self.record_page()
        check_equal(record["name"], page["names"][0], "record of the restricted database")
        self.search_from_form("/zoltgate/installed.html", PAGED_SEARCH)
        check_equal(self.result_page()["names"], page["names"], "the next search with the login cookie")

    def refusal(self):
        """The office mirror refuses a client outside its network and sends it to the
        page that says so."""
        self.browser.open(self.site.url("/zoltgate/"))
        self.browser.statuses()
        self.browser.click("header.site nav a[href^='/cgi-bin/zoltgate']")
        received = self.expect_document("/zoltgate/refused.html", 200)
        check(("/cgi-bin/zoltgate", 302) in [(urllib.parse.urlsplit(u).path, s) for u, s in received],
              f"the office mirror did not redirect: {received}")
        check_equal(self.browser.text("h1"), "Office network only", "refusal page heading")

    def status_codes(self):
        """The gateway's failures are 404 pages that say what failed."""
        for path, status, text in [
            ("/zoltgate/missing.html", 404, None),
            ("/cgi-bin/zoltgate", 404, "(S) No arguments found"),
            ("/cgi-bin/zoltgate?%24%7BFREETEXT%7D=editor", 404,
             "(S) Database information missing or ${base} variable"),
        ]:
            self.browser.open(self.site.url(path))
            self.expect_document(path.split("?")[0], status)
            if text:
                check_equal(self.browser.text("h2"), text, f"error of {path}")

    def injection(self):
        """A search text holding markup shows as text on every page it reaches: the
        no-hit page, the result list, the hit list, a record page, the term list and
        the login form."""
        self.browser.call("DELETE", self.browser.session + "/cookie")
        self.search_from_form("/zoltgate/", INJECTION)
        self.expect_gateway_page()
        self.expect_inert("the no-hit page")
        check_equal(self.browser.text("h1"), "This search cannot be run", "heading of a refused search")
        check_equal(self.browser.text("code.findstr"), INJECTION, "the refused search text")
        check_equal(self.browser.run("return document.querySelector('#words').value;"), INJECTION,
                    "the refused search text in the form")

        self.search_from_form("/zoltgate/", INJECTION_WITH_HITS)
        page = self.result_page()
        self.expect_inert("the result page")
        check_equal(page["findstr"], INJECTION_WITH_HITS, "search text on the result page")
        check(page["names"], "the search with markup found nothing")
        check_equal(self.hidden_fields().get("${FREETEXT}"), INJECTION_WITH_HITS, "search text in the hit-list form")
        check_equal(self.browser.run("return document.querySelector('#again').value;"), INJECTION_WITH_HITS,
                    "search text in the search-again form")
        self.browser.click("ol.results li:first-child h2.record a")
        record = self.record_page()
        self.expect_inert("the record page")
        check_equal(record["findstr"], INJECTION_WITH_HITS, "search text on the record page")
        self.browser.back()
        self.browser.statuses()
        self.browser.click("form.hitlist button")
        self.expect_gateway_page()
        self.expect_inert("the hit list")
        check_equal(self.browser.text("h1 q.findstr"), INJECTION_WITH_HITS, "search text on the hit list")

        self.browser.open(self.site.url("/zoltgate/#browse"))
        self.browser.statuses()
        self.browser.type("#browse-words", INJECTION)
        self.browser.click("#browse-words ~ button")
        self.expect_gateway_page()
        self.expect_inert("the term list")
        check_equal(self.browser.text("h1 q.findstr"), INJECTION, "search text on the term list")

        self.search_from_form("/zoltgate/installed.html", INJECTION)
        self.expect_login_form("")
        self.expect_inert("the login form")
        check_equal(self.hidden_fields().get("${FREETEXT}"), INJECTION, "the search text kept in the login form")
        self.log_in(DEMO_USER, "wrong")
        self.expect_login_form("Wrong user name or password")
        self.expect_inert("the login form after a wrong password")
        check_equal(self.hidden_fields().get("${FREETEXT}"), INJECTION, "the search text after a wrong password")

        # A database the public user may not open: the login form beside the
        # configuration names it in its title and heading.
        self.browser.open(self.site.url("/cgi-bin/zoltgate?%24%7BBASE%7D=" + urllib.parse.quote(INJECTION)))
        self.expect_document("/cgi-bin/zoltgate", 200)
        self.expect_inert("the login form naming the database")
        check_equal(self.browser.text("h1"), "Log in to " + INJECTION, "login form heading")
        check_equal(self.browser.run("return document.title;"), f"Log in to {INJECTION} · ZOLTgate",
                    "login form title")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source", required=True, help="the source tree")
    parser.add_argument("--build", required=True, help="the build directory with the programs")
    parser.add_argument("--step", action="append", help="run only this step (repeatable)")
    arguments = parser.parse_args()
    source, build = os.path.abspath(arguments.source), os.path.abspath(arguments.build)
    scratch = os.path.join(build, "browser-test")
    shots = os.path.join(build, "screenshots")
    shutil.rmtree(os.path.join(scratch, "profile"), ignore_errors=True)
    os.makedirs(scratch, exist_ok=True)
    os.makedirs(shots, exist_ok=True)

    # A test timeout ends us with SIGTERM: leave through the finally blocks below.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))

    site = Site(source, build, os.path.join(scratch, "site"))
    browser = Browser(scratch)
    passed, failed = 0, 0
    try:
        site.set_up()
        site.start()
        browser.start()
        visitor = Visitor(site, browser, shots)
        for step in (visitor.form_page, visitor.links, visitor.ranked_search, visitor.paging,
                     visitor.record, visitor.history, visitor.hit_list, visitor.browse_terms,
                     visitor.no_hits, visitor.login, visitor.refusal, visitor.status_codes,
                     visitor.injection):
            if arguments.step and step.__name__ not in arguments.step:
                continue
            try:
                step()
                passed += 1
                print(f"passed: {step.__name__}")
            except Failure as failure:
                failed += 1
                print(f"FAILED: {step.__name__}: {failure}")
    except Exception:
        failed += 1
        traceback.print_exc()
    finally:
        browser.stop()
        site.stop()
    print(f"screenshots: {shots}")
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
