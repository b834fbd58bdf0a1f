#!/usr/bin/python3
"""Drives the installed tool through its launcher /usr/bin/hlqconfig as the
logging journey of tests/e2e does: the window opens, Apply on the Logging
page writes /opt/pemo/hlq/KWNLogging.xml, closing the window runs the
stand-in systemctl once.

Runs as root only inside the private mount namespace that
tools/check-package.sh sets up, where /opt/pemo/hlq holds the installed tool
beside the sample configuration and /tmp is private; under an X server and
a session bus of its own:
  xvfb-run -a dbus-run-session -- /usr/bin/python3 installed_tool.py SOURCE_DIR
"""

import argparse
import os
import sys
import tempfile
import traceback

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))

from checks import expect_equal  # noqa: E402
from journey import Journey  # noqa: E402
from journeys import logging_apply_and_restart  # noqa: E402
from sandbox import Sandbox  # noqa: E402
from x11 import XWindows  # noqa: E402

LAUNCHER = "/usr/bin/hlqconfig"
INSTALLED_TOOL = "/opt/pemo/hlq/hlqconfig"


class InstalledSandbox(Sandbox):
    """The real paths: the configuration is already in place, so laying out
    adds only the stand-in systemctl."""

    def lay_out(self, systemctl_status=0):
        self.add_standin_systemctl(tempfile.mkdtemp(prefix="hlq-standin-"), systemctl_status)


class InstalledJourney(Journey):
    """A journey through the launcher, which for root hands its own process
    over to the installed tool."""

    def __init__(self, source, xwindows):
        super().__init__(argparse.Namespace(tool=LAUNCHER, usb_tool=None, publisher=None,
                                            root="/", source=source), xwindows)
        self.sandbox = InstalledSandbox("/", source, None)

    def start(self, devices=()):
        tool = super().start(devices)
        expect_equal(os.readlink(f"/proc/{tool.pid}/exe"), INSTALLED_TOOL, "program started")
        return tool


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("source", help="the source tree")
    args = parser.parse_args()
    xwindows = XWindows()
    journey = InstalledJourney(args.source, xwindows)
    try:
        logging_apply_and_restart(journey)
        print("PASS  installed tool: window, Apply on Logging, close, one restart", flush=True)
        return 0
    except Exception:
        traceback.print_exc()
        for tool in journey.tools:
            print(f"--- output of the tool (pid {tool.popen.pid}):\n{tool.text_output()}")
        return 1
    finally:
        journey.finish()
        xwindows.close()


if __name__ == "__main__":
    sys.exit(main())
