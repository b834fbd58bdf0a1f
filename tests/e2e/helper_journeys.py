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
  with the helper's error and write nothing, and a file reached through a
  link to the technician's own file is not written;
- a caller holding its password prompt open stalls no one: another user's
  call is answered in well under a second, the holder's own calls beyond its
  share are answered Busy, a call without the interactive flag fails at once,
  and floods of calls (huge values, thousands of locales) leave the helper
  small;
- a password prompt left open for the window: the window keeps answering
  while its Apply waits, and nothing is stored when the prompt ends
  unanswered;
- the read refused: the logging page says why and stores nothing until
  "Try again" is allowed to read the file.

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
import select
import shutil
import stat
import subprocess
import sys
import tempfile
import threading
import time
import traceback

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import helper_command_line  # noqa: E402
import helper_faults  # noqa: E402
from checks import expect_equal, require  # noqa: E402
from password_prompt import OpenPasswordPrompt  # noqa: E402
from sandbox import Sandbox, element, text_of  # noqa: E402
from system_services import SystemServices  # noqa: E402

TECHNICIAN = "nobody"
HERE = os.path.dirname(os.path.abspath(__file__))
AS_TECHNICIAN = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"]
# Another local user, whom polkit's defaults ask for the password.
AS_OTHER_USER = ["setpriv", "--reuid=daemon", "--regid=daemon", "--clear-groups"]
ERROR = "org.hlqconfig.Helper1.Error."
INTERACTIVE_REQUIRED = "org.freedesktop.DBus.Error.InteractiveAuthorizationRequired"
RECORD = re.compile(r"hlqconfig-helper: uid (\d+) pid (\d+): (.*)")


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

    def technician_window(self, scenario, asked=None):
        """Runs technician_window.py as the technician; fails with its output.
        Each "HLQ-ASK <what>" it prints runs asked(what) here, as root, and is
        then answered on its standard input."""
        env = {"PATH": "/usr/bin:/bin", "HOME": self.home, "LANG": "C.UTF-8",
               "GDK_GL": "disable", "TMPDIR": "/tmp"}
        env.update(self.sanitizer_settings())
        command = AS_TECHNICIAN + [
            "xvfb-run", "-a", "-s", "-screen 0 1280x1024x24 -noreset",
            "dbus-run-session", "--", "/usr/bin/python3", self.programs["driver"], scenario,
            "--tool", self.programs["tool"], "--usb-tool", self.programs["usb_tool"],
            "--root", self.args.root]
        window = subprocess.Popen(command, env=env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                  stderr=subprocess.STDOUT, text=True)
        watchdog = threading.Timer(240, window.kill)
        watchdog.start()
        output = []
        try:
            for line in window.stdout:
                output.append(line)
                if line.startswith("HLQ-ASK "):
                    asked(line.split(" ", 1)[1].strip())
                    window.stdin.write("done\n")
                    window.stdin.flush()
            status = window.wait()
        finally:
            watchdog.cancel()
            window.kill()
            window.wait()
        require(status == 0, f"the technician's window ({scenario}) failed:\n" +
                "".join(output) + "\nthe helper's record:\n" +
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

    def call_helper(self, *arguments, user=AS_TECHNICIAN):
        """A call of the helper as the technician (helper_call.py); its exit
        status and output."""
        command = user + ["/usr/bin/python3", self.programs["caller"]] + list(arguments)
        done = subprocess.run(command, capture_output=True, text=True, timeout=60,
                              env={"PATH": "/usr/bin:/bin"})
        return done.returncode, done.stderr + done.stdout

    def start_caller(self, *arguments):
        """helper_call.py as the technician, left running; it calls once it
        reads a line."""
        return subprocess.Popen(AS_TECHNICIAN + ["/usr/bin/python3", self.programs["caller"],
                                                 "--after-line"] + list(arguments),
                                stdin=subprocess.PIPE, stdout=subprocess.PIPE, bufsize=0,
                                env={"PATH": "/usr/bin:/bin"})


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
    stored = [RECORD.fullmatch(line) for line in run.services.helper_log() if ": stored " in line]
    require(stored and all(match and match[1] == "65534" and int(match[2]) > 1
                           and match[3].startswith("stored ") for match in stored),
            f"the helper's record of stored values: {run.services.helper_log()}")


def refused(run):
    box = run.sandbox
    box.lay_out()
    before = {path: digest(path) for path in (box.device_config, box.logging_config)}
    run.services.decide(TECHNICIAN, "NO")
    run.technician_window("refused")
    for path, hash_before in before.items():
        expect_equal(digest(path), hash_before, f"{path} after the refused Applies")
    expect_equal(box.systemctl_calls(), [], "systemctl calls")


def untouched(run):
    box = run.sandbox
    box.lay_out()
    before = {path: digest(path) for path in (box.device_config, box.logging_config)}
    # A password would be asked for any call that stores: none may come.
    run.services.decide(TECHNICIAN, "AUTH_ADMIN")
    earlier = len(run.services.helper_log())
    run.technician_window("untouched")
    for path, hash_before in before.items():
        expect_equal(digest(path), hash_before, f"{path} after the untouched Applies")
    calls = [line for line in run.services.helper_log()[earlier:] if "WriteValues" in line or
             ": stored " in line]
    expect_equal(calls, [], "the helper's record of calls that store")
    expect_equal(box.systemctl_calls(), [], "systemctl calls")


def prompt_left_open(run):
    box = run.sandbox
    box.lay_out()
    os.chmod(box.logging_config, 0o600)
    before = digest(box.logging_config)
    run.services.decide(TECHNICIAN, "AUTH_ADMIN", read="YES")
    run.technician_window("prompt-left-open")
    expect_equal(digest(box.logging_config), before, "the logging file after the prompt")


def read_refused(run):
    box = run.sandbox
    box.lay_out()
    os.chmod(box.logging_config, 0o600)
    before = digest(box.logging_config)
    # Storing is allowed: a page that was not read must still store nothing.
    run.services.decide(TECHNICIAN, "YES", read="NO")
    run.technician_window("read-refused", asked=lambda what: (
        require(what == "allow-read", f"asked for {what}"),
        run.services.decide(TECHNICIAN, "YES")))
    expect_equal(digest(box.logging_config), before, "the logging file")
    # One read at start-up, refused, and none per value after it.
    reads = [line for line in run.services.helper_log() if "not authorized: ReadValues" in line]
    expect_equal(len(reads), 1, f"refused reads on record: {reads}")


def write_values(file, *values, locale=""):
    """helper_call.py's arguments for WriteValues: the file, (section, key,
    attribute, value) tuples in GVariant text, the locale."""
    items = ", ".join("(%s)" % ", ".join(f"'{field}'" for field in value) for value in values)
    return ["WriteValues", file, f"@a(ssss) [{items}]", locale]


PAGE_VALUE = ("Ports_Configuration", "LD_USB", "", "/dev/ttyS19")


def nul_in_value():
    """A page's end sentinel "A#B" serialised, with the "#" made a NUL: the
    framing stays valid, the text does not."""
    import gi
    gi.require_version("GLib", "2.0")
    from gi.repository import GLib
    value = GLib.Variant("a(ssss)", [("MSR_Configuration", "End_Sentinel", "", "A#B")])
    return value.get_data_as_bytes().get_data().replace(b"A#B", b"A\0B").hex()
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
    ("a read of a file that is a path", ["ReadValues", "../device"]),
    ("a value no page writes for its key",
     write_values("device", ("Ports_Configuration", "LD_USB", "", "/dev/ttyS10"))),
    ("values that are not an array of four texts", ["WriteRaw", "device", "ffff0000", ""]),
    ("a text holding NUL", ["WriteRaw", "device", nul_in_value(), ""]),
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
                if re.match(r"hlqconfig-helper: uid 65534 pid \d+: refused: ", line)]
    expect_equal(len(refusals), len(HOSTILE_CALLS), "refusals on record")
    # A call that a page makes is still stored, whatever locale it names:
    # one the helper has no catalog for leaves the reasons untranslated.
    status, output = run.call_helper(*write_values("device", PAGE_VALUE, locale="../../tmp/x"))
    expect_equal((status, output.strip()), (0, "([(uint32 0, '')],)"), "a page's call")
    expect_equal(text_of(box.device_config, "Ports_Configuration", "LD_USB"), "/dev/ttyS19",
                 "LD_USB")
    # Through a link to a file the technician owns, root writes nothing and says why.
    target = os.path.join(run.home, "KWNConfig.xml")
    shutil.copy(box.device_config, target)
    os.chown(target, pwd.getpwnam(TECHNICIAN).pw_uid, -1)
    os.replace(box.device_config, box.device_config + ".old")
    os.symlink(target, box.device_config)
    before = digest(target)
    status, output = run.call_helper(*write_values("device", ("Ports_Configuration", "LD_USB", "",
                                                              "/dev/ttyS18")))
    require(status == 0 and "uint32 2" in output and "symbolic link" in output,
            f"a store through the technician's link: {output}")
    expect_equal(digest(target), before, "the link's target")


def read_lines(stream, count, timeout):
    """Up to `count` lines from a child's unbuffered output, as many as come
    within `timeout` seconds."""
    lines, deadline = [], time.monotonic() + timeout
    while len(lines) < count and time.monotonic() < deadline:
        if select.select([stream], [], [], max(0, deadline - time.monotonic()))[0]:
            line = stream.readline()
            if not line:
                break
            lines.append(line.decode().strip())
    return lines


def helper_pid():
    done = subprocess.run(["gdbus", "call", "--system", "--dest", "org.freedesktop.DBus",
                           "--object-path", "/org/freedesktop/DBus", "--method",
                           "org.freedesktop.DBus.GetConnectionUnixProcessID",
                           "org.hlqconfig.Helper1"], capture_output=True, text=True, timeout=10)
    pid = re.search(r"uint32 (\d+)", done.stdout)
    require(pid, f"the helper's process: {done.stdout}{done.stderr}")
    return int(pid[1])


def resident_memory_of_helper():
    """VmRSS and VmHWM of the running helper, in KiB."""
    with open(f"/proc/{helper_pid()}/status") as f:
        fields = dict(line.split(":", 1) for line in f)
    return {name: int(fields[name].split()[0]) for name in ("VmRSS", "VmHWM")}


def flood(run, count, values, text, locale):
    """A flood of WriteValues calls as the technician; their answers."""
    status, output = run.call_helper("Flood", str(count), str(values), text, locale)
    require(status == 0, f"the flood: {output}")
    return output.split()


def a_prompt_stalls_no_one(run):
    box = run.sandbox
    box.lay_out()
    run.services.decide(TECHNICIAN, "AUTH_ADMIN")
    before = {path: digest(path) for path in (box.device_config, box.logging_config)}
    record_before = len(run.services.helper_log())
    # Without the interactive flag, a call that needs the password fails at once.
    status, output = run.call_helper("--no-interactive", *write_values("device", PAGE_VALUE))
    require(status == 1 and output.startswith(INTERACTIVE_REQUIRED), f"no flag: {output}")

    # The technician's process sends eight calls; polkit asks its own agent
    # for the password for the first, and the prompt stays open.
    holder = run.start_caller("Flood", "8", "1", "x", "")
    prompt = OpenPasswordPrompt(holder.pid, pwd.getpwnam(TECHNICIAN).pw_uid,
                                pwd.getpwnam(TECHNICIAN).pw_gid)
    try:
        holder.stdin.write(b"go\n")
        prompt.wait_for_prompt()
        # The user's share of waiting calls is four: the rest are Busy at once.
        busy = read_lines(holder.stdout, 4, 10)
        require(busy == [ERROR + "Busy"] * 4, f"the holder's calls beyond its share: {busy}; "
                f"the helper's record: {run.services.helper_log()[record_before:]}")

        # Another user's calls are answered by polkit at once.
        for flags, expected in (([], ERROR + "NoAgent"), (["--no-interactive"], INTERACTIVE_REQUIRED)):
            status, output = run.call_helper("--timed", *flags, *write_values("device", PAGE_VALUE),
                                             user=AS_OTHER_USER)
            seconds = float(output.split()[-1])
            print(f"      another user's call {flags}: {output.split()[0]} in {seconds:.3f} s")
            require(status == 1 and output.startswith(expected), f"another user's call: {output}")
            require(seconds < 0.5, f"another user's call took {seconds} s while a prompt was open")

        # The floods: values far beyond the size limit, and thousands of
        # distinct locale names with refused values.
        memory_before = resident_memory_of_helper()
        expect_equal(flood(run, 12, 40000, "x", ""), [ERROR + "Refused"] * 12, "the big flood")
        memory_big = resident_memory_of_helper()
        answers = flood(run, 3000, 1, "x" * 9, "es_ES.UTF-8@m{i}")
        expect_equal(set(answers), {ERROR + "Refused"}, "the locale flood")
        memory = resident_memory_of_helper()
        print(f"      helper memory (KiB): before {memory_before}, after 12 x 40000 values "
              f"{memory_big}, after 3000 locales {memory}")
        if not run.args.sanitized:
            require(memory["VmHWM"] < 32 * 1024, f"the helper grew to {memory} KiB")
        # Four calls with a 30 MiB locale, then three with a 31 MiB value:
        # refused at once, by the same helper, which stays small.
        pid = helper_pid()
        expect_equal(flood(run, 4, 1, "x", "@31457280"), [ERROR + "Refused"] * 4,
                     "the 30 MiB locales")
        memory_locales = resident_memory_of_helper()
        expect_equal(flood(run, 3, 1, "@32505856", ""), [ERROR + "Refused"] * 3,
                     "the 31 MiB values")
        memory_huge = resident_memory_of_helper()
        print(f"      helper memory (KiB): after 4 x 30 MiB locales {memory_locales}, "
              f"after 3 x 31 MiB values {memory_huge}")
        expect_equal(helper_pid(), pid, "the helper's process after the oversized calls")
        if not run.args.sanitized:
            require(memory_huge["VmRSS"] < 80 * 1024 and memory_huge["VmHWM"] < 100 * 1024,
                    f"the helper holds {memory_huge} KiB")
    finally:
        prompt.close()
    # The prompt gone, the holder's waiting calls are answered, and not stored.
    rest = read_lines(holder.stdout, 4, 30)
    holder.wait(30)
    require(len(rest) == 4 and not any(line == "answered" for line in rest),
            f"the holder's other answers: {rest}")
    for path, hash_before in before.items():
        expect_equal(digest(path), hash_before, f"{path} after the refused calls")
    # The floods fill the record with a few lines per minute, not thousands.
    lines = [line for line in run.services.helper_log()[record_before:]
             if line.startswith("hlqconfig-helper: uid 65534 ")]
    require(len(lines) <= 21, f"{len(lines)} lines on record for the floods")


SCENARIOS = [
    ("allowed: every page shown, applied and restarted through the helper", allowed),
    ("refused: nothing stored, every value says why", refused),
    ("untouched: Apply asks nothing and writes nothing", untouched),
    ("hostile callers refused, nothing written", hostile_callers),
    ("a password prompt left open: the window answers, nothing stored", prompt_left_open),
    ("the read refused: the page says why, stores nothing, reads again", read_refused),
    # Last: its floods use up the technician's share of the helper's record.
    ("an open password prompt stalls no one; floods leave the helper small",
     a_prompt_stalls_no_one),
] + helper_command_line.SCENARIOS + helper_faults.SCENARIOS


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
    parser.add_argument("--sanitized", action="store_true",
                        help="the helper is built with AddressSanitizer, whose shadow memory "
                             "makes its resident size meaningless")
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
