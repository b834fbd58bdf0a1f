#!/usr/bin/python3
"""Drives the installed tool through its command /usr/bin/hlqconfig, as the
journeys of tests/e2e do, in one of these ways:

  root        as root: the window opens, Apply on the Logging page writes
              /opt/pemo/hlq/KWNLogging.xml, closing runs the stand-in
              systemctl on the tool's PATH once;
  allowed     as a technician (not root) whom polkit allows: the window
              opens as that user and shows its tabs and Apply buttons; Apply
              on the Logging page goes through the installed helper, closing
              restarts through it;
  refused     as a technician whom polkit refuses: Apply says for the value it
              changed that it was not stored, and closing restarts nothing;
  wayland     as a technician, on a headless Wayland compositor: the window
              opens as a native Wayland client and is seen on the
              accessibility bus; an interrupt ends it.

Runs inside the private mount namespace of round-trip.sh, where /opt/pemo/hlq
holds the installed tool beside the sample configuration and /tmp is
private; under an X server (or, for wayland, the compositor this script
starts) and a session bus of its own:
  xvfb-run -a dbus-run-session -- /usr/bin/python3 installed_tool.py MODE SOURCE_DIR
"""

import argparse
import os
import subprocess
import sys
import tempfile
import traceback

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))

import pyatspi  # noqa: E402

from checks import expect_equal, require  # noqa: E402
from journey import Journey  # noqa: E402
from journeys import logging_apply_and_restart  # noqa: E402
from sandbox import Sandbox, ToolProcess  # noqa: E402
from technician_window import refused_report  # noqa: E402
from ui import Window, choose, find_application  # noqa: E402
from waiting import wait_until  # noqa: E402

LAUNCHER = "/usr/bin/hlqconfig"
INSTALLED_TOOL = "/opt/pemo/hlq/hlqconfig"
LOGGING_FILE = "/opt/pemo/hlq/KWNLogging.xml"
# The installed helper's search path starts here; round-trip.sh puts a
# stand-in systemctl there that records its calls.
HELPER_SYSTEMCTL_LOG = "/usr/local/sbin/systemctl-calls"
TABS = ["Printer", "Cash Drawer", "Line Display", "MSR", "Logging"]
LOGGING_CHANGED = ["Settings \u203a Log level"]  # the one field the journeys change


class InstalledSandbox(Sandbox):
    """The real paths: the configuration is already in place, so laying out
    adds only the stand-in systemctl on the tool's own PATH."""

    def lay_out(self, systemctl_status=0):
        self.add_standin_systemctl(tempfile.mkdtemp(prefix="hlq-standin-"), systemctl_status)


class InstalledJourney(Journey):
    """A journey through the command, which runs the installed tool."""

    def __init__(self, source, xwindows):
        super().__init__(argparse.Namespace(tool=LAUNCHER, usb_tool=None, publisher=None,
                                            root="/", source=source), xwindows)
        self.sandbox = InstalledSandbox("/", source, None)

    def start(self, devices=()):
        tool = super().start(devices)
        expect_equal(os.readlink(f"/proc/{tool.pid}/exe"), INSTALLED_TOOL, "program started")
        with open(f"/proc/{tool.pid}/status") as f:
            uid = next(line.split()[1] for line in f if line.startswith("Uid:"))
        expect_equal(int(uid), os.getuid(), "the window's user")
        return tool


def expect_tabs_and_apply_buttons(app):
    """What a screen reader finds of the window: its five tabs and an Apply
    button on each page."""
    tabs = wait_until(lambda: [a.name for a in pyatspi.findAllDescendants(
        app, lambda a: a.getRole() == pyatspi.ROLE_PAGE_TAB)] or None, 10, "the window's tabs")
    expect_equal(tabs, TABS, "tabs on the accessibility bus")
    applies = pyatspi.findAllDescendants(
        app, lambda a: a.getRole() == pyatspi.ROLE_PUSH_BUTTON and a.name == "Apply")
    expect_equal(len(applies), len(TABS), "Apply buttons on the accessibility bus")


def as_technician(j):
    require(os.getuid() != 0, "the technician must not be root")
    j.sandbox.lay_out()
    j.sandbox.systemctl_log = HELPER_SYSTEMCTL_LOG
    tool = j.start_window()
    expect_tabs_and_apply_buttons(tool.app)
    return tool


def allowed(j):
    tool = as_technician(j)
    page = tool.window.open_tab("Logging")
    choose(page.labelled("Log level:"), "Error")
    j.apply(tool, page, "Logging Settings Applied", "Logging Configuration")
    j.close_and_restart(tool, "KWN Service Restarted")


def refused(j):
    tool = as_technician(j)
    page = tool.window.open_tab("Logging")
    choose(page.labelled("Log level:"), "Error")
    j.apply(tool, page, refused_report(LOGGING_FILE, LOGGING_CHANGED), "Logging Configuration")
    j.close_window(tool)
    j.expect_clean_exit(tool)


def wayland(j):
    """The window on weston's headless back end, as a native Wayland client:
    without DISPLAY, GTK's Wayland back end is the only one it may use."""
    runtime = tempfile.mkdtemp(prefix="hlq-wayland-")
    socket = "hlq-wayland-0"
    env = dict(os.environ, XDG_RUNTIME_DIR=runtime)
    compositor = subprocess.Popen(["weston", "--backend=headless-backend.so",
                                   f"--socket={socket}", "--idle-time=0"], env=env,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.STDOUT)
    try:
        wait_until(lambda: os.path.exists(os.path.join(runtime, socket)), 10, "weston's socket")
        os.environ.update(XDG_RUNTIME_DIR=runtime, WAYLAND_DISPLAY=socket, GDK_BACKEND="wayland")
        os.environ.pop("DISPLAY", None)
        j.sandbox.lay_out()
        tool = ToolProcess(j.sandbox, LAUNCHER, None)
        j.tools.append(tool)
        app = find_application(tool.pid)
        Window(app)
        expect_tabs_and_apply_buttons(app)
        tool.interrupt()
        expect_equal(tool.wait_exit(), 0, "exit status after the interrupt")
    finally:
        compositor.terminate()
        compositor.wait(10)


MODES = {"root": logging_apply_and_restart, "allowed": allowed, "refused": refused,
         "wayland": wayland}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("mode", choices=sorted(MODES))
    parser.add_argument("source", help="the source tree")
    args = parser.parse_args()
    xwindows = None
    if args.mode != "wayland":
        from x11 import XWindows
        xwindows = XWindows()
    journey = InstalledJourney(args.source, xwindows)
    try:
        MODES[args.mode](journey)
        print(f"PASS  installed tool: {args.mode}", flush=True)
        return 0
    except Exception:
        traceback.print_exc()
        for tool in journey.tools:
            print(f"--- output of the tool (pid {tool.popen.pid}):\n{tool.text_output()}")
        return 1
    finally:
        journey.finish()
        if xwindows:
            xwindows.close()


if __name__ == "__main__":
    sys.exit(main())
