#!/usr/bin/python3
"""The window as a technician without root uses it: started as this
process's user (not root) against a sandbox whose configuration files are
root's, driven through the accessibility bus like the other journeys. The
values go through the privileged helper on the system bus. Only what the
window shows is checked here; helper_journeys.py, as root, laid out the
sandbox and checks the files afterwards.

Run as the technician under an X server and a session bus of their own:
  xvfb-run -a dbus-run-session -- /usr/bin/python3 technician_window.py SCENARIO --tool ...

Where a scenario needs root to change polkit's answer midway, it prints
"HLQ-ASK <what>" and waits for a line on standard input.
"""

import argparse
import os
import sys
import tempfile
import time
import traceback

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from checks import expect_equal, require  # noqa: E402
from journey import Journey  # noqa: E402
from journeys import shown_device  # noqa: E402
from password_prompt import OpenPasswordPrompt  # noqa: E402
from sandbox import Sandbox  # noqa: E402
from ui import (MAIN_WINDOW_TITLE, choose, is_checked, is_sensitive, is_showing,  # noqa: E402
                selected_item, type_into)
from waiting import wait_until  # noqa: E402
from x11 import XWindows  # noqa: E402

PRINTER = ("0a02", "2c4e", "PRN-77")
CASH_DRAWERS = {("0c01", "1a0b", "CD-A1"), ("00c6", "2c4e", "CD-B2")}
LINE_DISPLAY = ("0d02", "3d71", "LD-7")
DEVICES = ["2c4e:0a02:PRN-77", "1a0b:0c01:CD-A1", "2c4e:00c6:CD-B2", "3d71:0d02:LD-7"]
HEAD_TEXT = "T<&>"

PAGES = [  # tab, Apply's message and title
    ("Printer", "Printer Settings Applied", "Printer Configuration"),
    ("Cash Drawer", "Cash Drawer Settings Applied", "Cash Drawer Configuration"),
    ("Line Display", "Line Display Settings Applied", "Line Display Configuration"),
    ("MSR", "MSR Settings Applied", "MSR Configuration"),
    ("Logging", "Logging Settings Applied", "Logging Configuration"),
]


class TechnicianSandbox(Sandbox):
    """The sandbox as root laid it out; the technician only reads it. The
    helper's stand-in systemctl records its calls in ROOT/systemctl-calls."""

    def __init__(self, root, source_dir, publisher):
        super().__init__(root, source_dir, publisher)
        self.systemctl_log = os.path.join(root, "systemctl-calls")
        self._bin_dir = tempfile.mkdtemp(prefix="hlq-technician-bin-")


class TechnicianJourney(Journey):
    def __init__(self, args, xwindows):
        super().__init__(args, xwindows)
        self.sandbox = TechnicianSandbox(args.root, args.source, args.publisher)

    def start_window(self, devices=()):
        tool = super().start_window(devices)
        with open(f"/proc/{tool.pid}/status") as f:
            uid = next(line.split()[1] for line in f if line.startswith("Uid:"))
        expect_equal(int(uid), os.getuid(), "the window's user")
        require(os.getuid() != 0, "the technician's window must not run as root")
        return tool


def show_and_apply_every_page(j, tool):
    """Each page shows what is stored and what is attached; a few values
    change; every page is applied and reported applied."""
    printer = tool.window.open_tab("Printer")
    expect_equal(selected_item(printer.labelled("Port:")), "/dev/ttyS10", "printer port")
    expect_equal(shown_device(printer.group("USB identification")), PRINTER, "printer shown")
    expect_equal(selected_item(printer.labelled("Emulation mode:")), "Native", "emulation mode")

    drawers = tool.window.open_tab("Cash Drawer")
    expect_equal(selected_item(drawers.labelled("Port:")), "/dev/ttyS15", "cash drawer port")
    expect_equal({shown_device(drawers.group("Cash drawer 1")),
                  shown_device(drawers.group("Cash drawer 2"))}, CASH_DRAWERS, "drawers shown")

    display = tool.window.open_tab("Line Display")
    expect_equal(shown_device(display.group("USB identification")), LINE_DISPLAY,
                 "line display shown")
    choose(display.labelled("Port:"), "/dev/ttyS19")

    msr = tool.window.open_tab("MSR")
    expect_equal(selected_item(msr.labelled("Port:")), "/dev/ttyS20", "MSR port")
    require(is_checked(msr.toggle("Head wrapper")), "'Head wrapper' still off")
    type_into(msr.labelled("Head text:"), HEAD_TEXT)

    # Stored in a file only root may read: shown through the helper.
    logging = tool.window.open_tab("Logging")
    level = logging.labelled("Log level:")
    expect_equal(selected_item(level), "Info", "stored log level")
    choose(level, "Error")

    for tab, message, title in PAGES:
        j.apply(tool, tool.window.open_tab(tab), message, title)


def allowed(j):
    tool = j.start_window(devices=DEVICES)
    show_and_apply_every_page(j, tool)
    j.close_and_restart(tool, "KWN Service Restarted")


REFUSED = "not authorised: the administrator's password was refused"


def refused_report(path, names):
    return ("The settings were not fully applied.\n\nNot stored in " + path + ":\n" +
            "\n".join(f"\u2022 {name}: {REFUSED}" for name in names))


UNCHANGED = "Nothing was stored: every value of this page is as it was read."


def untouched(j):
    """Apply with nothing changed: no helper call, no password, no file
    touched, no restart (helper_journeys.py checks the helper's record)."""
    tool = j.start_window(devices=DEVICES)
    for tab, _, title in PAGES:
        if tab in ("MSR", "Logging"):
            j.apply(tool, tool.window.open_tab(tab), UNCHANGED, title)
    j.close_window(tool)
    j.expect_clean_exit(tool)


def refused(j):
    tool = j.start_window(devices=DEVICES)
    logging = tool.window.open_tab("Logging")
    choose(logging.labelled("Log level:"), "Error")
    j.apply(tool, logging, refused_report(j.sandbox.logging_config, [
        "Settings \u203a Log level"]), "Logging Configuration")
    display = tool.window.open_tab("Line Display")
    j.apply(tool, display, refused_report(j.sandbox.device_config, [
        f"USB identification \u203a {name}" for name in ("Product ID", "Vendor ID",
                                                          "Serial number")]),
        "Line Display Configuration")
    # Nothing was stored: closing restarts nothing and says nothing.
    j.close_window(tool)
    j.expect_clean_exit(tool)
    expect_equal(j.sandbox.systemctl_calls(), [], "systemctl calls")


LOGGING_CHANGED = ["Settings \u203a Log level"]  # the only field the scenario changes
WAITING = "Waiting for authorisation\u2026"
UNREAD = "The settings of this page could not be read from "


def ask_root(what):
    """Has root (helper_journeys.py) do `what` and waits until it is done."""
    print(f"HLQ-ASK {what}", flush=True)
    expect_equal(sys.stdin.readline().strip(), "done", f"root's answer to '{what}'")


def prompt_left_open(j):
    """An Apply through the helper while polkit's password prompt for the
    window stays open: the window draws and answers, the page waits with its
    Apply insensitive, the other pages stay usable, and closing the window
    waits for the answer. The prompt ends unanswered: nothing is stored and
    the page says why; then the window closes by itself, without a restart."""
    tool = j.start_window()
    logging = tool.window.open_tab("Logging")
    choose(logging.labelled("Log level:"), "Error")
    agent = OpenPasswordPrompt(tool.pid, os.getuid(), os.getgid())
    try:
        logging.press("Apply")
        agent.wait_for_prompt()
        apply = logging.button("Apply")
        started = time.monotonic()
        sensitive = is_sensitive(apply)
        print(f"the window answered in {time.monotonic() - started:.3f} s while the password "
              "prompt was open", flush=True)
        require(not sensitive, "Apply is sensitive while its call waits for polkit")
        require(is_showing(logging.label_starting(WAITING)), f"no '{WAITING}' on the page")
        msr = tool.window.open_tab("MSR")
        require(is_sensitive(msr.button("Apply")), "the MSR page is not usable meanwhile")
        expect_equal(j.x.request_close(MAIN_WINDOW_TITLE, tool.pid), 1, "windows asked to close")
        # Events reach the window in order: once this tab shows, the close
        # request was handled, and the window is still there.
        tool.window.open_tab("Logging")
        require(is_showing(tool.window.frame) and tool.popen.poll() is None,
                "the window closed while its Apply waited for polkit")
    finally:
        agent.close()
    # polkit refuses once the agent that was asking has gone.
    j.message(tool, refused_report(j.sandbox.logging_config, LOGGING_CHANGED),
              "Logging Configuration").ok()
    j.expect_clean_exit(tool)
    expect_equal(j.sandbox.systemctl_calls(), [], "systemctl calls")


def read_refused(j):
    """The logging file only root may read, with the helper's read refused:
    the page says what it could not read and why, shows nothing usable and
    cannot store. Once root allows the read, "Try again" shows what is
    stored."""
    tool = j.start_window()
    logging = tool.window.open_tab("Logging")
    notice = logging.label_starting(UNREAD)
    require(is_showing(notice), "no notice that the logging file was not read")
    expect_equal(notice.name, UNREAD + j.sandbox.logging_config + ": " + REFUSED +
                 "\nThey are not shown, and Apply stores nothing until they have been read.",
                 "the notice")
    level = logging.labelled("Log level:")
    for widget, what in ((logging.button("Apply"), "Apply"), (logging.button("Default"), "Default"),
                         (level, "the log level")):
        require(not is_sensitive(widget), f"{what} is sensitive on a page that was not read")
    # The device file was read: its pages are usable.
    require(is_sensitive(tool.window.open_tab("MSR").button("Apply")), "MSR page not usable")

    ask_root("allow-read")
    logging = tool.window.open_tab("Logging")
    logging.press("Try again")
    wait_until(lambda: not is_showing(notice) and is_sensitive(logging.button("Apply")), 10,
               "the logging page to be read")
    expect_equal(selected_item(logging.labelled("Log level:")), "Info", "stored log level")
    require(is_checked(logging.check_box("Service")), "'Service' shown unchecked")
    j.close_window(tool)
    j.expect_clean_exit(tool)


SCENARIOS = {"allowed": allowed, "refused": refused, "prompt-left-open": prompt_left_open,
             "read-refused": read_refused, "untouched": untouched}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    parser.add_argument("--tool", required=True)
    parser.add_argument("--usb-tool", required=True)
    parser.add_argument("--root", required=True)
    args = parser.parse_args()
    args.publisher = args.source = None
    xwindows = XWindows()
    journey = TechnicianJourney(args, xwindows)
    try:
        SCENARIOS[args.scenario](journey)
        print(f"PASS  the technician's window: {args.scenario}", flush=True)
        return 0
    except Exception:
        print(f"FAIL  the technician's window: {args.scenario}", flush=True)
        traceback.print_exc()
        for tool in journey.tools:
            print(f"--- output of the tool (pid {tool.popen.pid}):\n{tool.text_output()}",
                  flush=True)
        return 1
    finally:
        journey.finish()
        xwindows.close()


if __name__ == "__main__":
    sys.exit(main())
