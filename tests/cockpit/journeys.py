"""The web console page in a real browser: Debian's cockpit-ws with a local
session on 127.0.0.1 (as root, then as nobody), the page in headless
chromium over the DevTools protocol, hlqctl on a sandbox configuration.

    journeys.py --hlqctl H --root R --page DIR --catalogs DIR --source SRC --work DIR [--screenshots DIR]"""
import argparse
import json
import os
import shutil
import subprocess
import sys
from xml.etree import ElementTree

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from console import Console  # noqa: E402
from devtools import Browser  # noqa: E402

FIELD_STATE = ("(() => { const e = document.querySelector('[data-key=\"%s\"]');"
               " const d = document.getElementById((e.getAttribute('aria-describedby') || '').split(' ')[0]);"
               " return [e.getAttribute('aria-invalid'), d ? d.textContent : '']; })()")
FRAME_VALUES = ("Object.fromEntries(Array.from(document.querySelectorAll('[data-key]')).map(e =>"
                " [e.dataset.key, e.type === 'checkbox' ? e.checked : e.value]))")
passed = failed = 0


def check(name, ok, detail=""):
    global passed, failed
    print(("ok    " if ok else "FAIL  ") + name + ("" if ok else ": " + str(detail)), flush=True)
    passed, failed = passed + bool(ok), failed + (not ok)


class Setup:
    def __init__(self, args):
        self.args, self.work = args, os.path.abspath(args.work)
        shutil.rmtree(self.work, ignore_errors=True)
        self.config = os.path.join(args.root, "opt/pemo/hlq")
        shutil.rmtree(args.root, ignore_errors=True)
        os.makedirs(self.config)
        os.makedirs(os.path.join(args.root, "tmp"))
        shutil.copytree(args.catalogs, os.path.join(args.root, "usr/share/locale"))
        # Every run of hlqctl by the page is counted, then carried out.
        self.bin, self.runs = os.path.join(self.work, "bin"), os.path.join(self.work, "runs")
        os.makedirs(self.bin)
        with open(os.path.join(self.bin, "hlqctl"), "w") as wrapper:
            wrapper.write('#!/bin/sh\necho "$*" >> %s\nexec %s "$@"\n' % (self.runs, args.hlqctl))
        os.chmod(os.path.join(self.bin, "hlqctl"), 0o755)
        # The daemon's restart, as hlqctl asks systemctl for it, only recorded.
        self.restarts = os.path.join(self.work, "restarts")
        with open(os.path.join(self.bin, "systemctl"), "w") as standin:
            standin.write('#!/bin/sh\necho "$*" >> %s\n' % self.restarts)
        os.chmod(os.path.join(self.bin, "systemctl"), 0o755)
        self.locales = os.path.join(self.work, "locales")
        os.makedirs(self.locales)
        # The German locale that hlqctl needs for its German texts, wherever
        # the machine lacks it (gettext ignores LANGUAGE in the C locale).
        subprocess.run(["localedef", "-i", "de_DE", "-f", "UTF-8", os.path.join(self.locales, "de_DE.UTF-8")],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.chmod(self.work, 0o755)
        self.reset()

    def home(self, user):
        home = os.path.join(self.work, "home-" + user)
        os.makedirs(os.path.join(home, "cockpit"), exist_ok=True)
        if not os.path.exists(os.path.join(home, "cockpit/hlqconfig")):
            os.symlink(os.path.abspath(self.args.page), os.path.join(home, "cockpit/hlqconfig"))
        shutil.chown(home, user)
        return home

    def reset(self):
        for name in ("KWNConfig.xml", "KWNLogging.xml"):
            shutil.copy(os.path.join(self.args.source, "data", name), self.config)

    def hlqctl(self, *args):
        result = subprocess.run([self.args.hlqctl] + list(args), capture_output=True, text=True,
                                env={"PATH": "/usr/bin:/bin", "LC_ALL": "C.UTF-8"})
        return json.loads(result.stdout) if result.stdout.strip() else None

    def snapshot(self):
        return {name: open(os.path.join(self.config, name), "rb").read() for name in os.listdir(self.config)
                if name.endswith(".xml")}

    def count_runs(self):
        if not os.path.exists(self.runs):
            return []
        lines = open(self.runs).read().splitlines()
        os.unlink(self.runs)
        return lines


def open_page(browser, console, language=None):
    if language:
        browser.set_language(console.origin, language)
    browser.open(console.page_url())
    return browser.wait("document.body && document.body.dataset.state")


def press_apply(browser, page):
    browser.click("#hlq-panel-%s button[type=submit]" % page)
    browser.wait("!document.querySelector('#hlq-panel-%s .hlq-message').hidden"
                 " && document.querySelector('#hlq-panel-%s').getAttribute('aria-busy') === 'false'"
                 % (page, page))


def as_root(setup, browser, shots):
    console = Console(setup.home("root"), setup.bin, locales=setup.locales)
    try:
        setup.count_runs()
        open_page(browser, console)
        runs = setup.count_runs()
        has_status = setup.hlqctl("status", "--json") is not None
        check("one load runs hlqctl %s times" % (3 if has_status else "five (no status verb)"),
              len(runs) == (3 if has_status else 5), runs)
        stored = {k: ("" if v is None else v) for k, v in setup.hlqctl("show", "--json").items()}
        check("the values shown are the files' values", browser.evaluate(FRAME_VALUES) == stored)

        for page in ("printer", "cash-drawer", "line-display", "msr", "logging"):
            if shots:
                browser.evaluate("document.getElementById('hlq-tab-%s').click()" % page)
                browser.screenshot(os.path.join(shots, page + ".png"))
        browser.evaluate("document.getElementById('hlq-tab-printer').focus()")
        browser.key("ArrowRight")
        browser.key("End")
        check("the tabs follow the arrow keys and End",
              browser.evaluate("document.activeElement.id === 'hlq-tab-logging' &&"
                               " !document.getElementById('hlq-panel-logging').hidden"))

        before = setup.snapshot()
        browser.evaluate("document.getElementById('hlq-tab-msr').click();"
                         "const s = document.querySelector('[data-key=\"msr.port\"]'); s.value = '/dev/ttyS21';"
                         "s.dispatchEvent(new Event('change', {bubbles: true}))")
        browser.click("[data-key='msr.track1-enabled']")
        press_apply(browser, "msr")
        after = setup.hlqctl("show", "--json")
        changed = {k for k in after if after[k] != stored.get(k, after[k]) and not (after[k] is None and stored[k] == "")}
        xml = ElementTree.parse(os.path.join(setup.config, "KWNConfig.xml"))
        stored_texts = [xml.find(".//MSR_USB").text, xml.find(".//Track1_Enabled").text]
        check("Apply stores the port and the check box, and only them",
              changed == {"msr.port", "msr.track1-enabled"} and stored_texts == ["/dev/ttyS21", "0"],
              [changed, stored_texts])
        check("Apply of the MSR tab leaves the logging file as it was",
              setup.snapshot()["KWNLogging.xml"] == before["KWNLogging.xml"])
        check("a stored change says a restart waits",
              "kwn" in (browser.evaluate("document.getElementById('hlq-notices').textContent") or ""))
        browser.click("#hlq-restart")
        browser.wait("document.getElementById('hlq-restart-result').textContent")
        check("Restart kwn restarts it and the notice goes",
              open(setup.restarts).read() == "restart kwn\n"
              and browser.evaluate("document.getElementById('hlq-notices').textContent") == "")

        before = setup.snapshot()
        browser.evaluate("document.getElementById('hlq-tab-printer').click();"
                         "document.querySelector('[data-key=\"printer.product-id\"]').value = 'zz'")
        press_apply(browser, "printer")
        expected = setup.hlqctl("set", "--check", "--json", "printer.product-id=zz")["results"][0]["reason"]
        field = browser.evaluate(FIELD_STATE % "printer.product-id")
        announced = browser.wait("document.getElementById('hlq-live').textContent")
        focused = browser.evaluate("document.activeElement.dataset.key")
        check("a refused value shows hlqctl's reason at its field, announced, and the field has the focus",
              field == ["true", expected] and expected in announced and focused == "printer.product-id",
              [field, announced, focused])
        check("a refused value leaves the files byte for byte", setup.snapshot() == before)
        if shots:
            browser.screenshot(os.path.join(shots, "refused.png"))

        setup.hlqctl("set", "--json", "logging.level=debug")
        browser.evaluate("document.getElementById('hlq-tab-logging').click();"
                         "document.querySelector('[data-key=\"logging.level\"]').value = 'error'")
        browser.evaluate("document.querySelector('#hlq-panel-logging button[type=submit]').click()")
        question = browser.wait("document.getElementById('hlq-overwrite').open &&"
                                " document.getElementById('hlq-overwrite-list').textContent")
        browser.click("#hlq-overwrite-no")
        browser.wait("!document.getElementById('hlq-overwrite').open")
        check("another writer's change is named before it is overwritten, and kept on Cancel",
              "Debug" in question and "Error" in question
              and setup.hlqctl("show", "--json")["logging.level"] == "debug", question)

        if shots:
            browser.evaluate("localStorage.setItem('shell:style', 'dark'); window.dispatchEvent(new Event('cockpit-style'))")
            browser.evaluate("document.getElementById('hlq-tab-msr').click()")
            browser.screenshot(os.path.join(shots, "msr-dark.png"))
            browser.evaluate("localStorage.removeItem('shell:style')")

        setup.reset()
        open_page(browser, console, "de")
        browser.evaluate("document.querySelector('[data-key=\"printer.product-id\"]').value = 'zz'")
        press_apply(browser, "printer")
        german = [browser.evaluate("document.getElementById('hlq-tab-printer').textContent")]
        german += browser.evaluate(FIELD_STATE % "printer.product-id")
        check("in German: the page's texts and hlqctl's reason",
              german[0] == "Drucker" and german[1] == "true" and german[2] not in ("", expected), german)
        if shots:
            browser.evaluate("document.querySelector('[data-key=\"printer.product-id\"]').value = ''")
            browser.evaluate("document.getElementById('hlq-tab-msr').click()")
            browser.screenshot(os.path.join(shots, "msr-de.png"))

        browser.open(console.shell_url())
        check("the console's menu offers the page, in German too",
              browser.wait("document.body && document.body.innerText.includes('Kassenperipherie')"))
    finally:
        console.stop()


def as_nobody(setup, browser, shots):
    setup.reset()
    console = Console(setup.home("nobody"), setup.bin, user="nobody", locales=setup.locales)
    try:
        browser.call("Network.clearBrowserCookies")  # the root session's, on the same host
        open_page(browser, console, "en")
        browser.wait("!!document.getElementById('hlq-get-admin')")
        state = browser.evaluate(
            "[Array.from(document.querySelectorAll('[data-key], #hlq-panels button')).every(e => e.disabled),"
            " document.querySelector('[data-key=\"msr.port\"]').value]")
        check("without administrative access the page is read-only and says so",
              state == [True, "/dev/ttyS20"], state)
        if shots:
            browser.screenshot(os.path.join(shots, "read-only.png"))
        frame = "cockpit1:localhost/hlqconfig"
        browser.open(console.shell_url())
        browser.wait("document.body && document.body.dataset.state === 'ready'", frame=frame)
        if shots:
            browser.screenshot(os.path.join(shots, "shell.png"))
        browser.click("#hlq-get-admin", frame=frame)
        check("its button opens the console's own dialog for administrative access",
              browser.wait("!!document.querySelector('[role=dialog]')"))
    finally:
        console.stop()


def main():
    parser = argparse.ArgumentParser()
    for option in ("hlqctl", "root", "page", "catalogs", "source", "work"):
        parser.add_argument("--" + option, required=True)
    parser.add_argument("--screenshots")
    args = parser.parse_args()
    for option in ("hlqctl", "root", "page", "catalogs", "source", "work", "screenshots"):
        if getattr(args, option):
            setattr(args, option, os.path.abspath(getattr(args, option)))
    setup = Setup(args)
    if args.screenshots:
        os.makedirs(args.screenshots, exist_ok=True)
    browser = Browser()
    try:
        as_root(setup, browser, args.screenshots)
        as_nobody(setup, browser, args.screenshots)
        check("no script of a page failed", browser.errors == [], browser.errors)
    finally:
        browser.close()
    print("cockpit: %d passed, %d failed" % (passed, failed))
    sys.exit(1 if failed else 0)


main()
