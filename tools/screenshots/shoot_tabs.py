"""Saves a picture of each tab of a running tool, in tab order, cropped to
its window. Tabs are found and clicked through the accessibility bus, by
their place rather than their names, so that a translated window works the
same; a real pointer click leaves no keyboard focus ring on the tab.

Usage: shoot_tabs.py PID CROP OUT.png...   (CROP as WxH+X+Y, one OUT per tab)
"""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tests", "e2e"))

import pyatspi  # noqa: E402

from checks import require  # noqa: E402
from ui import TIMEOUT, click, find_application, has_state  # noqa: E402
from waiting import wait_until  # noqa: E402


def capture(crop, path):
    subprocess.run(["import", "-window", "root", "-crop", crop, "+repage", path], check=True)


def capture_settled(crop, path):
    """Captures until two captures in a row are the same picture, so that a
    page still being drawn is not saved."""
    previous = None
    deadline = time.monotonic() + TIMEOUT
    while True:
        capture(crop, path)
        with open(path, "rb") as f:
            current = f.read()
        if current == previous:
            return
        require(time.monotonic() < deadline, f"{path} kept changing")
        previous = current
        time.sleep(0.2)


def main():
    pid, crop, outputs = int(sys.argv[1]), sys.argv[2], sys.argv[3:]
    app = find_application(pid)
    tabs = wait_until(lambda: pyatspi.findAllDescendants(
        app, lambda a: a.getRole() == pyatspi.ROLE_PAGE_TAB), TIMEOUT, "the tabs")
    require(len(tabs) == len(outputs), f"{len(tabs)} tabs, {len(outputs)} pictures asked for")
    for tab, output in zip(tabs, outputs):
        click(tab, f"tab {tab.name!r}")
        wait_until(lambda: has_state(tab, pyatspi.STATE_SELECTED), TIMEOUT,
                   f"tab {tab.name!r} to be selected")
        # The pointer leaves the window, so that no tab is drawn hovered.
        subprocess.run(["xdotool", "mousemove", "0", "0"], check=True)
        capture_settled(crop, output)
        print(output)


if __name__ == "__main__":
    main()
