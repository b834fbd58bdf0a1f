"""Debian's cockpit-ws serving one local session on 127.0.0.1, without a
login, as root or as another account. The session finds the page in a
data folder the test made (its XDG_DATA_HOME/cockpit/hlqconfig) and runs the
hlqctl of a folder put first on its PATH; nothing of the machine's own
/usr/share/cockpit or /opt/pemo/hlq is touched."""
import os
import pwd
import signal
import socket
import subprocess
import time
import urllib.request


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class Console:
    def __init__(self, data_home, bin_dir, user=None, locales=None):
        self.port = free_port()
        self.origin = "http://127.0.0.1:%d" % self.port
        env = {"PATH": bin_dir + ":/usr/sbin:/usr/bin:/sbin:/bin", "XDG_DATA_HOME": data_home,
               "HOME": data_home, "LANG": "C.UTF-8"}
        if locales:
            env["LOCPATH"] = locales
        # A sanitized build's hlqctl runs with the suite's settings.
        for name in ("ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"):
            if name in os.environ:
                env[name] = os.environ[name]
        command = ["/usr/lib/cockpit/cockpit-ws", "--no-tls", "--port", str(self.port),
                   "--address", "127.0.0.1", "--local-session=cockpit-bridge"]
        if user:
            command = (["setpriv", "--reuid=" + user, "--regid=%d" % pwd.getpwnam(user).pw_gid, "--init-groups", "--reset-env",
                        "env"] + ["%s=%s" % item for item in env.items()] + command)
        self.process = subprocess.Popen(command, env=env, start_new_session=True,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 20
        while True:
            try:
                urllib.request.urlopen(self.origin + "/cockpit/login", timeout=2)
                break
            except OSError as error:
                if getattr(error, "code", None):  # any HTTP answer: it serves
                    break
                if time.monotonic() > deadline or self.process.poll() is not None:
                    raise RuntimeError("cockpit-ws did not start")
                time.sleep(0.1)

    def page_url(self, name="hlqconfig"):
        return "%s/cockpit/@localhost/%s/index.html" % (self.origin, name)

    def shell_url(self, name="hlqconfig"):
        return "%s/%s" % (self.origin, name)

    def stop(self):
        """The bridge starts a bus and an agent of its own: the whole group goes."""
        try:
            os.killpg(self.process.pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            os.killpg(self.process.pid, signal.SIGKILL)
