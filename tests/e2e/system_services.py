"""A system bus and a polkit daemon of the test's own, as root, inside the
mount namespace that private-system.sh sets up.

The bus runs with Debian's system bus configuration plus the project's bus
policy file, so that the rules for the helper's name are the ones the
package installs; it starts the helper itself, through Debian's activation
helper, from a service file in the (private) system service folder. polkit
reads the project's action file and one rules file that decides for the
test's user.
"""

import os
import shutil
import subprocess

from checks import require
from waiting import wait_until

BUS_NAME = "org.hlqconfig.Helper1"
SERVICE_FOLDER = "/usr/share/dbus-1/system-services"
ACTIONS_FOLDER = "/usr/share/polkit-1/actions"
RULES_FILE = "/etc/polkit-1/rules.d/50-hlqconfig-test.rules"
POLKITD = "/usr/lib/polkit-1/polkitd"

RULE = """polkit.addRule(function(action, subject) {
    if (subject.user == "%s") {
        if (action.id == "org.hlqconfig.hlqconfig.read") return polkit.Result.%s;
        if (action.id.indexOf("org.hlqconfig.hlqconfig.") == 0) return polkit.Result.%s;
    }
});
"""


def bus_names():
    done = subprocess.run(["gdbus", "call", "--system", "--dest", "org.freedesktop.DBus",
                           "--object-path", "/org/freedesktop/DBus",
                           "--method", "org.freedesktop.DBus.ListNames"],
                          capture_output=True, text=True, timeout=10)
    return done.stdout if done.returncode == 0 else ""


class SystemServices:
    def __init__(self, source_dir, action_file, helper, work):
        require(os.environ.get("HLQ_PRIVATE_SYSTEM") == "1",
                "run under tests/e2e/private-system.sh: the system bus must be private")
        self.work = work
        self.bus_log = os.path.join(work, "system-bus.log")
        config = os.path.join(work, "system-bus.conf")
        with open(config, "w") as f:
            f.write('<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"\n'
                    ' "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">\n'
                    "<busconfig>\n"
                    "  <include>/usr/share/dbus-1/system.conf</include>\n"
                    f"  <include>{source_dir}/packaging/org.hlqconfig.Helper1.conf</include>\n"
                    "</busconfig>\n")
        with open(os.path.join(SERVICE_FOLDER, BUS_NAME + ".service"), "w") as f:
            f.write(f"[D-BUS Service]\nName={BUS_NAME}\nExec={helper}\nUser=root\n")
        shutil.copy(action_file, ACTIONS_FOLDER)
        os.makedirs("/run/dbus")
        self._log = open(self.bus_log, "w")
        self.bus = subprocess.Popen(["dbus-daemon", "--config-file", config, "--nofork",
                                     "--nosyslog"], stdout=self._log, stderr=subprocess.STDOUT)
        wait_until(lambda: "org.freedesktop.DBus" in bus_names(), 10, "the system bus")
        self.polkitd = None

    def decide(self, user, result, read=None):
        """Makes polkit answer `result` ("YES", "NO", "AUTH_ADMIN") for the
        helper's actions asked by `user` (`read` for its read action, when
        given), with a polkit daemon started afresh."""
        with open(RULES_FILE, "w") as f:
            f.write(RULE % (user, read or result, result))
        self._stop_polkitd()
        self.polkitd = subprocess.Popen([POLKITD, "--no-debug"], stdout=self._log,
                                        stderr=subprocess.STDOUT)
        wait_until(lambda: "org.freedesktop.PolicyKit1" in bus_names(), 10, "polkit on the bus")

    def helper_log(self):
        """The lines the helper wrote for the record so far."""
        with open(self.bus_log, errors="replace") as f:
            return [line.rstrip("\n") for line in f if line.startswith("hlqconfig-helper: ")]

    def _stop_polkitd(self):
        if self.polkitd is not None:
            self.polkitd.terminate()
            self.polkitd.wait(10)
            self.polkitd = None
            wait_until(lambda: "org.freedesktop.PolicyKit1" not in bus_names(), 10,
                       "polkit to leave the bus")

    def stop(self):
        self._stop_polkitd()
        self.bus.terminate()
        self.bus.wait(10)
        self._log.close()
