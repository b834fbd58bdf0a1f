"""Waiting for a condition, with a deadline, instead of sleeping."""

import time

from gi.repository import GLib

POLL_INTERVAL = 0.02


def wait_until(condition, timeout, what, seen=None):
    """Polls `condition` until it returns a true value, which it returns.
    Fails naming `what` when `timeout` seconds pass first, and what `seen()`
    then returns, when given."""
    deadline = time.monotonic() + timeout
    context = GLib.MainContext.default()
    while True:
        # Lets the accessibility library take in the events that keep what
        # it holds of the tool's widgets up to date.
        while context.pending():
            context.iteration(False)
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            message = f"timed out after {timeout} s waiting for {what}"
            if seen is not None:
                message += f"; seen: {seen()!r}"
            raise AssertionError(message)
        time.sleep(POLL_INTERVAL)
