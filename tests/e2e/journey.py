"""One journey's surroundings: the sandbox, the tools it started, and the
steps every journey repeats (Apply and its message, closing the window
with the restart that follows). Whatever a journey started ends with it."""

import os

from checks import expect_equal, require
from sandbox import Sandbox, ToolProcess
from ui import (MAIN_WINDOW_TITLE, Window, find_application, showing_message_texts,
                wait_message_box)
from waiting import wait_until

RESTART_TITLE = "KWN Service Restart"
RESTART_NOTICE = "Detected Changes on the Configuration \n Need to Restart KWN"


class Journey:
    """What every journey has at hand; ends whatever it started."""

    def __init__(self, args, xwindows):
        self.args = args
        self.x = xwindows
        self.sandbox = Sandbox(args.root, args.source, args.publisher)
        self.tools = []
        self.published = False

    def start(self, devices=()):
        tool = ToolProcess(self.sandbox, self.args.tool, self.args.usb_tool, devices)
        self.tools.append(tool)
        tool.app = find_application(tool.pid)
        return tool

    def start_window(self, devices=()):
        tool = self.start(devices)
        tool.window = Window(tool.app)
        return tool

    def message(self, tool, text, title):
        box = wait_message_box(tool.app, self.x)
        expect_equal(box.texts, [text], "message box text")
        expect_equal(box.title, title, "message box title")
        return box

    def apply(self, tool, page, text, title):
        page.press("Apply")
        self.message(tool, text, title).ok()

    def close_window(self, tool):
        wait_until(lambda: self.x.request_close(MAIN_WINDOW_TITLE, tool.pid) == 1, 10,
                   "the tool's main window to close")

    def close_and_restart(self, tool, result):
        """Closes the window after an Apply: the notice, one restart, the result."""
        self.close_window(tool)
        notice = self.message(tool, RESTART_NOTICE, RESTART_TITLE)
        # The lock is given up before anything is said.
        require(not os.path.exists(self.sandbox.lock_file),
                "lock file still there at the notice")
        expect_equal(self.sandbox.systemctl_calls(), [],
                     "systemctl calls before the notice is read")
        notice.ok()
        outcome = self.message(tool, result, RESTART_TITLE)
        expect_equal(self.sandbox.systemctl_calls(), ["restart kwn"], "systemctl calls")
        outcome.ok()
        self.expect_clean_exit(tool)

    def expect_clean_exit(self, tool):
        try:
            status = tool.wait_exit()
        except AssertionError as ended_not:
            raise AssertionError(f"{ended_not}; message boxes on screen: "
                                 f"{showing_message_texts(tool.app)}") from None
        expect_equal(status, 0, "exit status")
        require(not os.path.exists(self.sandbox.lock_file), "lock file left behind")

    def publish_codepages(self, codepages):
        self.sandbox.publish_codepages(codepages)
        self.published = True

    def finish(self):
        for tool in self.tools:
            tool.kill()
        if self.published:
            self.sandbox.remove_codepages()
