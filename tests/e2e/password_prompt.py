"""A password prompt of polkit that stays open, for the checks that one
caller waiting for the administrator's password must not hold up anyone else,
and that a window waiting for it keeps answering.

polkit asks the agent registered for the caller's own process when there is
one: polkit's text agent, registered for that process and given a terminal
of its own, shows "Password:" there and waits as long as it lives. Run as
root, or as the caller's user; the agent runs as the caller's user.
"""

import os
import pty
import select
import signal
import time

from checks import require


class OpenPasswordPrompt:
    def __init__(self, pid, uid, gid, timeout=10):
        """Registers the agent for process `pid` (of user `uid`) and returns
        once polkit knows it."""
        registered, notify = os.pipe()
        self.child, self.terminal = pty.fork()
        if self.child == 0:
            try:
                if (os.getuid(), os.getgid()) != (uid, gid):
                    os.setgroups([])
                    os.setgid(gid)
                    os.setuid(uid)
                os.set_inheritable(notify, True)
                os.execvp("pkttyagent", ["pkttyagent", "--process", str(pid),
                                         "--notify-fd", str(notify)])
            finally:
                os._exit(127)
        os.close(notify)
        # The agent closes its end of the pipe once it is registered.
        ready, _, _ = select.select([registered], [], [], timeout)
        closed = bool(ready) and os.read(registered, 1) == b""
        os.close(registered)
        self.output = b""
        require(closed, f"polkit's text agent did not register for process {pid}")

    def wait_for_prompt(self, timeout=10):
        """Waits until the agent asks for the password, which it then keeps
        asking for."""
        deadline = time.monotonic() + timeout
        while b"Password:" not in self.output and time.monotonic() < deadline:
            ready, _, _ = select.select([self.terminal], [], [], 0.1)
            if ready:
                try:
                    self.output += os.read(self.terminal, 4096)
                except OSError:
                    break
        require(b"Password:" in self.output,
                f"no password prompt within {timeout} s; the agent showed {self.output!r}")

    def close(self):
        try:
            os.kill(self.child, signal.SIGKILL)
            os.waitpid(self.child, 0)
        except ChildProcessError:
            pass
        os.close(self.terminal)
