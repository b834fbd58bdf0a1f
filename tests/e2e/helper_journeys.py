#!/usr/bin/python3
"""The window as a technician without root, with the privileged helper on a
system bus of the test's own and the real polkit daemon deciding for the
technician (the account nobody):

- allowed: every page shows what is stored (the logging file only root may
  read) and the attached devices, every page is applied through the helper,
  closing restarts the daemon through it; the files hold the values and stay
  root's, and the restart ran as root;
- refused: every value is reported not stored with the reason, and both
  files are byte for byte unchanged;
- hostile callers: calls that no page makes (a path for the file, an unknown
  key or attribute, an over-long value, a control character) are refused
  with the helper's error and write nothing.

Runs as root, inside private-system.sh; the technician's part runs as nobody
under an X server and a session bus of its own (technician_window.py). The
tools are built with their sandbox root in the namespace's private /run, and
the programs the technician runs are copied there, so that nobody reaches
them wherever the checkout lies.
"""

import argparse
import hashlib
import os
import pwd
import re
import shutil
import stat
import subprocess
import sys
import tempfile
import traceback

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import helper_command_line  # noqa: E402
from checks import expect_equal, require  # noqa: E402
from sandbox import Sandbox, element, text_of  # noqa: E402
from system_services import SystemServices  # noqa: E402

TECHNICIAN = "nobody"
HERE = os.path.dirname(os.path.abspath(__file__))
AS_TECHNICIAN = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"]


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


class HelperSandbox(Sandbox):
    """The sample configuration as root's files, a lock folder anyone may use,
    and the helper's stand-in systemctl, which records its calls and the user
    that ran it."""

    def lay_out(self, systemctl_status=0):
        super().lay_out(systemctl_status)
        os.chmod(os.path.dirname(self.lock_file), 0o1777)
        standin = os.path.join(self.root, "usr", "local", "sbin")
        os.makedirs(standin)
        self.systemctl_log = os.path.join(self.root, "systemctl-calls")
        self.systemctl_users = os.path.join(self.root, "systemctl-users")
        script = os.path.join(standin, "systemctl")
        with open(script, "w") as f:
            f.write("#!/bin/sh\n"
                    f'printf "%s\\n" "$*" >> "{self.systemctl_log}"\n'
                    f'id -u >> "{self.systemctl_users}"\n'
                    f"exit {int(systemctl_status)}\n")
        os.chmod(script, 0o755)
        # The technician reads and traverses the sandbox, as on a terminal.
        for folder, _, _ in os.walk(self.root):
            os.chmod(folder, os.stat(folder).st_mode | 0o755)

    def users_of_systemctl(self):
        if not os.path.exists(self.systemctl_users):
            return []
        with open(self.systemctl_users) as f:
            return f.read().split()


def technicians_copies(args, folder):
    """The tool, its USB launcher and the journeys' modules, copied where the
    technician may run them."""
    os.makedirs(folder, mode=0o755)
    for program in (args.tool, args.usb_tool, args.hlqctl, args.hlqctl_module):
        shutil.copy(program, folder)
    for name in os.listdir(HERE):
        if name.endswith(".py"):
            shutil.copy(os.path.join(HERE, name), folder)
    # The sanitizers' leak suppressions, where the technician may read them.
    suppressions = os.path.join(folder, "lsan.supp")
    shutil.copy(os.path.join(args.source, "tests", "sanitizer", "lsan.supp"), suppressions)
    return {"suppressions": suppressions,
            "tool": os.path.join(folder, os.path.basename(args.tool)),
            "usb_tool": os.path.join(folder, os.path.basename(args.usb_tool)),
            "hlqctl": os.path.join(folder, os.path.basename(args.hlqctl)),
            "driver": os.path.join(folder, "technician_window.py"),
            "caller": os.path.join(folder, "helper_call.py")}


class Run:
    def __init__(self, args, services, programs):
        self.args = args
        self.services = services
        self.programs = programs
        self.sandbox = HelperSandbox(args.root, args.source, None)
        self.home = tempfile.mkdtemp(prefix="hlq-technician-home-", dir="/run")
        os.chown(self.home, pwd.getpwnam(TECHNICIAN).pw_uid, -1)
        # For the command line's scenarios (helper_command_line.py).
        self.technician = TECHNICIAN
        self.as_technician = AS_TECHNICIAN
        self.digest = digest
        self.expect_root_owned = expect_root_owned

    def technician_window(self, scenario):
        """Runs technician_window.py as the technician; fails with its output."""
        env = {"PATH": "/usr/bin:/bin", "HOME": self.home, "LANG": "C.UTF-8",
               "GDK_GL": "disable", "TMPDIR": "/tmp"}
        env.update(self.sanitizer_settings())
        command = AS_TECHNICIAN + [
            "xvfb-run", "-a", "-s", "-screen 0 1280x1024x24 -noreset",
            "dbus-run-session", "--", "/usr/bin/python3", self.programs["driver"], scenario,
            "--tool", self.programs["tool"], "--usb-tool", self.programs["usb_tool"],
            "--root", self.args.root]
        done = subprocess.run(command, env=env, capture_output=True, text=True, timeout=240)
        require(done.returncode == 0, f"the technician's window ({scenario}) failed:\n"
                f"{done.stdout}\n{done.stderr}\nthe helper's record:\n" +
                "\n".join(self.services.helper_log()))

    def sanitizer_settings(self):
        """A sanitized build's settings (its suppressions among them), which
        hold for the technician's programs as for the other journeys."""
        env = {name: value for name, value in os.environ.items()
               if name in ("ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS")}
        if "LSAN_OPTIONS" in env:
            env["LSAN_OPTIONS"] = re.sub(r"(^|:)suppressions=[^:]*",
                                         r"\1suppressions=" + self.programs["suppressions"],
                                         env["LSAN_OPTIONS"])
        return env

    def call_helper(self, method, *arguments):
        """A call of the helper as the technician (helper_call.py); its exit
        status and output."""
        command = AS_TECHNICIAN + ["/usr/bin/python3", self.programs["caller"], method] + \
            list(arguments)
        done = subprocess.run(command, capture_output=True, text=True, timeout=30,
                              env={"PATH": "/usr/bin:/bin"})
        return done.returncode, done.stderr + done.stdout


def expect_root_owned(path, mode):
    info = os.stat(path)
    expect_equal((info.st_uid, info.st_gid, stat.S_IMODE(info.st_mode)), (0, 0, mode),
                 f"{path}: owner, group and mode")


def allowed(run):
    box = run.sandbox
    box.lay_out()
    os.chmod(box.logging_config, 0o600)
    run.services.decide(TECHNICIAN, "YES")
    run.technician_window("allowed")

    device, logging = box.device_config, box.logging_config
    display = element(device, "Ports_Configuration", "LD_USB")
    expect_equal(display.text, "/dev/ttyS19", "LD_USB")
    expect_equal(dict(display.attrib), {"PID": "0d02", "VID": "3d71", "Serial_Number": "LD-7"},
                 "LD_USB attributes")
    expect_equal(element(device, "Ports_Configuration", "PRINTER_USB").attrib["Serial_Number"],
                 "PRN-77", "PRINTER_USB serial number")
    expect_equal(text_of(device, "MSR_Configuration", "Head_Wrapper_Chbx"), "1", "head wrapper")
    expect_equal(text_of(device, "MSR_Configuration", "Head_Wrapper"), "T<&>", "head text")
    expect_equal(text_of(logging, "Logging_Configuration", "Log_Level"), "4", "Log_Level")
    expect_root_owned(device, 0o644)
    expect_root_owned(logging, 0o600)
    expect_equal(box.systemctl_calls(), ["restart kwn"], "systemctl calls")
    expect_equal(box.users_of_systemctl(), ["0"], "the user that ran systemctl")
    stored = [line for line in run.services.helper_log() if ": stored " in line]
    require(stored and all(line.startswith("hlqconfig-helper: uid 65534: stored ")
                           for line in stored), f"the helper's record of stored values: {stored}")


def refused(run):
    box = run.sandbox
    box.lay_out()
    before = {path: digest(path) for path in (box.device_config, box.logging_config)}
    run.services.decide(TECHNICIAN, "NO")
    run.technician_window("refused")
    for path, hash_before in before.items():
        expect_equal(digest(path), hash_before, f"{path} after the refused Applies")
    expect_equal(box.systemctl_calls(), [], "systemctl calls")


def write_values(file, *values, locale=""):
    """helper_call.py's arguments for WriteValues: the file, (section, key,
    attribute, value) tuples in GVariant text, the locale."""
    items = ", ".join("(%s)" % ", ".join(f"'{field}'" for field in value) for value in values)
    return ["WriteValues", file, f"@a(ssss) [{items}]", locale]


PAGE_VALUE = ("Ports_Configuration", "LD_USB", "", "/dev/ttyS19")
HOSTILE_CALLS = [
    ("a path for the file", write_values("/opt/pemo/hlq/KWNConfig.xml", PAGE_VALUE)),
    ("an unknown key", write_values("device", ("Ports_Configuration", "SHELL", "", "/bin/sh"))),
    ("a key of the other file", write_values("logging", PAGE_VALUE)),
    ("an attribute no page writes",
     write_values("device", ("Ports_Configuration", "MSR_USB", "PID", "0d02"))),
    ("an over-long value, after a page's value",
     write_values("device", PAGE_VALUE, ("MSR_Configuration", "Head_Wrapper", "", "x" * 1025))),
    ("a control character",
     write_values("device", ("MSR_Configuration", "End_Sentinel", "", "\\u0001"))),
    ("no value at all", ["WriteValues", "device", "@a(ssss) []", ""]),
    ("a locale that is a path", write_values("device", PAGE_VALUE, locale="../../tmp/x")),
    ("a read of a file that is a path", ["ReadValues", "../device"]),
    ("a value no page writes for its key",
     write_values("device", ("Ports_Configuration", "LD_USB", "", "/dev/ttyS10"))),
    ("values that are not an array of four texts", ["WriteRaw", "device", "ffff0000", ""]),
]


def hostile_callers(run):
    box = run.sandbox
    box.lay_out()
    run.services.decide(TECHNICIAN, "YES")
    before = {path: digest(path) for path in (box.device_config, box.logging_config)}
    for what, arguments in HOSTILE_CALLS:
        status, output = run.call_helper(*arguments)
        require(status != 0 and "org.hlqconfig.Helper1.Error.Refused" in output,
                f"{what}: expected the helper's refusal, got status {status}: {output}")
    for path, hash_before in before.items():
        expect_equal(digest(path), hash_before, f"{path} after the hostile calls")
    refusals = [line for line in run.services.helper_log()
                if line.startswith("hlqconfig-helper: uid 65534: refused: ")]
    expect_equal(len(refusals), len(HOSTILE_CALLS), "refusals on record")
    # A call that a page makes is still stored.
    status, output = run.call_helper(*write_values("device", PAGE_VALUE))
    expect_equal((status, output.strip()), (0, "([(uint32 0, '')],)"), "a page's call")
    expect_equal(text_of(box.device_config, "Ports_Configuration", "LD_USB"), "/dev/ttyS19",
                 "LD_USB")


SCENARIOS = [
    ("allowed: every page shown, applied and restarted through the helper", allowed),
    ("refused: nothing stored, every value says why", refused),
    ("hostile callers refused, nothing written", hostile_callers),
] + helper_command_line.SCENARIOS


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tool", required=True, help="the tool built with the sandbox root")
    parser.add_argument("--usb-tool", required=True, help="the same with emulated USB devices")
    parser.add_argument("--helper", required=True, help="the helper built with the sandbox root")
    parser.add_argument("--hlqctl", required=True, help="the command line built with the sandbox root")
    parser.add_argument("--hlqctl-module", required=True, help="the command line's helper module")
    parser.add_argument("--action", required=True, help="the project's polkit action file")
    parser.add_argument("--root", required=True, help="the sandbox root")
    parser.add_argument("--source", required=True, help="the source tree")
    args = parser.parse_args()
    require(args.root.startswith("/run/"), "the sandbox root must lie in the private /run")
    work = tempfile.mkdtemp(prefix="hlq-helper-journeys-", dir="/run")
    programs = technicians_copies(args, "/run/hlq-technician-programs")
    services = SystemServices(args.source, args.action, args.helper, work)
    passed = failed = 0
    try:
        for name, scenario in SCENARIOS:
            try:
                scenario(Run(args, services, programs))
                passed += 1
                print(f"PASS  {name}", flush=True)
            except Exception:
                failed += 1
                print(f"FAIL  {name}", flush=True)
                traceback.print_exc()
    finally:
        services.stop()
        shutil.rmtree(work, ignore_errors=True)
    print(f"{passed} passed, {failed} failed", flush=True)
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
