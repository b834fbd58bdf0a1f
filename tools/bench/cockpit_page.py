"""The web console page's load: from opening it to its values shown, against
a bare page that runs one cockpit.spawn(["true"]), both served by one
cockpit-ws session on 127.0.0.1 and opened alternately in headless chromium.
Prints one row of tools/bench.sh's table. The time is the page's own
performance.now() when it marks itself ready, from the start of navigation.

usage: cockpit_page.py --hlqctl H --page DIR --runs N"""
import argparse
import os
import shutil
import statistics
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../tests/cockpit"))
from console import Console  # noqa: E402
from devtools import Browser  # noqa: E402

BARE_PAGE = """<!DOCTYPE html>
<html><head><meta charset="utf-8"><script src="../base1/cockpit.js"></script>
<script src="bare.js"></script></head><body></body></html>
"""
# A file of its own: the console's content security policy allows no inline script.
BARE_SCRIPT = """document.addEventListener("DOMContentLoaded", () => {
    cockpit.spawn(["true"]).then(() => { document.body.dataset.state = "ready" });
});
"""
# Records when the page marks itself ready, before any of its scripts run.
READY_TIME = """new MutationObserver((changes, observer) => {
  if (document.body && document.body.dataset.state) { window.readyAt = performance.now(); observer.disconnect(); }
}).observe(document, {attributes: true, subtree: true, attributeFilter: ["data-state"]});"""


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--hlqctl", required=True)
    parser.add_argument("--page", required=True)
    parser.add_argument("--runs", type=int, default=21)
    args = parser.parse_args()
    work = tempfile.mkdtemp(prefix="hlq-bench-cockpit-")
    os.makedirs(os.path.join(work, "cockpit", "bare"))
    with open(os.path.join(work, "cockpit", "bare", "manifest.json"), "w") as manifest:
        manifest.write("{}\n")
    with open(os.path.join(work, "cockpit", "bare", "index.html"), "w") as page:
        page.write(BARE_PAGE)
    with open(os.path.join(work, "cockpit", "bare", "bare.js"), "w") as script:
        script.write(BARE_SCRIPT)
    os.symlink(os.path.abspath(args.page), os.path.join(work, "cockpit", "hlqconfig"))
    os.makedirs(os.path.join(work, "bin"))
    os.symlink(os.path.abspath(args.hlqctl), os.path.join(work, "bin", "hlqctl"))
    console = Console(work, os.path.join(work, "bin"))
    browser = Browser()
    times = {"hlqconfig": [], "bare": []}
    try:
        browser.call("Page.addScriptToEvaluateOnNewDocument", source=READY_TIME)
        for run in range(args.runs + 1):
            for name in ("bare", "hlqconfig"):
                browser.open(console.page_url(name))
                browser.wait("window.readyAt !== undefined && document.body.dataset.state === 'ready'")
                if run:  # the first round warms the console's caches
                    times[name].append(browser.evaluate("window.readyAt"))
    finally:
        browser.close()
        console.stop()
        shutil.rmtree(work, ignore_errors=True)
    page, bare = statistics.median(times["hlqconfig"]), statistics.median(times["bare"])
    print("| Web console page, open to values shown, median of %d | %.1f ms | %.1f ms | %.2f | - |"
          % (args.runs, page, bare, page / bare))


main()
