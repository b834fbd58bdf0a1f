"""The command line as the technician (the account nobody) on the private
system bus, with the real polkit daemon and the helper the bus starts:

- polkit asks for a password and hlqctl may not ask for one: exit 4 at
  once, every value not stored with the reason, nothing written;
- polkit allows: show reads the file only root may read, set stores into
  both files and restart restarts, each through the helper.
"""

import fcntl
import json
import os
import subprocess
import time

from checks import expect_equal, require
from sandbox import text_of
from waiting import wait_until


NEEDS_PASSWORD = ("not authorised: the administrator's password would be needed, and asking for it "
                  "was not allowed")
CHECK_REFUSED = "not authorised: polkit does not allow this user to store values"


def hlqctl(run, *arguments):
    """hlqctl as the technician, without a terminal; exit status, output."""
    command = run.as_technician + [run.programs["hlqctl"], *arguments]
    done = subprocess.run(command, capture_output=True, text=True, timeout=60,
                          env=dict(run.sanitizer_settings(), PATH="/usr/bin:/bin",
                                   LC_ALL="C.UTF-8"))
    output = json.loads(done.stdout) if "--json" in arguments and done.stdout else done.stdout
    return done.returncode, output, done.stderr


def statuses(result):
    return {entry["key"]: entry["status"] for entry in result["results"]}


def never_asked(run):
    box = run.sandbox
    box.lay_out()
    before = {path: run.digest(path) for path in (box.device_config, box.logging_config)}
    run.services.decide(run.technician, "AUTH_ADMIN")
    started = time.monotonic()
    status, result, errors = hlqctl(run, "set", "msr.track1-enabled=false", "logging.level=error",
                                    "--no-ask-password", "--json")
    took = time.monotonic() - started
    expect_equal((status, result["changed"]), (4, False), f"the outcome ({errors})")
    # The call went without the interactive flag: the helper's answer says
    # that a password would be needed (not that no agent answered).
    for entry in result["results"]:
        expect_equal((entry["status"], entry["reason"]), ("not-stored", NEEDS_PASSWORD), entry["key"])
    # "At once": no agent was waited for (a password prompt would never end).
    require(took < 10, f"hlqctl took {took:.1f} s to give up")
    print(f"      (exit 4 after {took:.2f} s: {result['results'][0]['reason']})", flush=True)
    for path, digest in before.items():
        expect_equal(run.digest(path), digest, f"{path} after the refusal")


def allowed(run):
    box = run.sandbox
    box.lay_out()
    os.chmod(box.logging_config, 0o600)
    run.services.decide(run.technician, "YES")
    status, shown, errors = hlqctl(run, "show", "logging", "--json")
    expect_equal((status, shown["logging.level"]), (0, "info"), f"show through the helper ({errors})")
    status, result, errors = hlqctl(run, "set", "logging.level=error", "msr.track1-enabled=false",
                                    "--no-ask-password", "--json")
    expect_equal((status, statuses(result)),
                 (0, {"logging.level": "stored", "msr.track1-enabled": "stored"}),
                 f"set through the helper ({errors})")
    expect_equal(text_of(box.logging_config, "Logging_Configuration", "Log_Level"), "4", "Log_Level")
    expect_equal(text_of(box.device_config, "MSR_Configuration", "Track1_Enabled"), "0",
                 "Track1_Enabled")
    for path, mode in ((box.device_config, 0o644), (box.logging_config, 0o600)):
        run.expect_root_owned(path, mode)
    status, _, errors = hlqctl(run, "restart", "--no-ask-password")
    expect_equal(status, 0, f"restart through the helper ({errors})")
    expect_equal((box.systemctl_calls(), box.users_of_systemctl()), (["restart kwn"], ["0"]),
                 "the restart and its user")


def check_asks_polkit(run):
    """--check answers as the store would: refused by polkit, exit 4."""
    box = run.sandbox
    box.lay_out()
    before = {path: run.digest(path) for path in (box.device_config, box.logging_config)}
    run.services.decide(run.technician, "NO")
    for extra in ((), ("--check",)):
        status, result, errors = hlqctl(run, "set", "msr.track1-enabled=false", "--json",
                                        "--no-ask-password", *extra)
        entry = result["results"][0]
        expect_equal((status, entry["status"], entry["reason"].startswith("not authorised")),
                     (4, "not-stored", True), f"set {' '.join(extra)} under polkit's NO: {result}")
    expect_equal(entry["reason"], CHECK_REFUSED, "--check's reason")
    for path, digest in before.items():
        expect_equal(run.digest(path), digest, f"{path} after the refusals")
    run.services.decide(run.technician, "YES")
    status, result, errors = hlqctl(run, "set", "--check", "msr.track1-enabled=false", "--json")
    expect_equal((status, statuses(result), result["would-change"]),
                 (0, {"msr.track1-enabled": "would-change"}, True), f"--check allowed: {result}")


def unreadable_in_one_call(run):
    """A file only root may read is stored in one helper call, which asks
    polkit only as a read while nothing is to be written; a refused value in
    it writes nothing; the report's before and after come from its answer."""
    box = run.sandbox
    box.lay_out()
    os.chmod(box.logging_config, 0o600)
    run.services.decide(run.technician, "NO", read="YES")
    status, result, errors = hlqctl(run, "set", "logging.level=info", "--no-ask-password", "--json")
    expect_equal((status, statuses(result)), (0, {"logging.level": "unchanged"}),
                 f"an unchanged value asks only to read ({errors})")
    status, result, errors = hlqctl(run, "set", "logging.level=error", "--no-ask-password", "--json")
    expect_equal((status, statuses(result)), (4, {"logging.level": "not-stored"}),
                 f"a store polkit refuses ({errors})")
    run.services.decide(run.technician, "YES")
    before = run.digest(box.logging_config)
    status, result, errors = hlqctl(run, "set", "logging.level=bogus", "logging.module-msr=false",
                                    "--no-ask-password", "--json")
    expect_equal((status, statuses(result)["logging.level"]), (3, "refused"), f"refused ({errors})")
    expect_equal(run.digest(box.logging_config), before, "the file after a refused value")
    status, result, errors = hlqctl(run, "set", "logging.level=error", "logging.module-msr=false",
                                    "--no-ask-password", "--json")
    shown = {entry["key"]: (entry["before"], entry["after"], entry["status"])
             for entry in result["results"]}
    expect_equal((status, shown), (0, {"logging.level": ("info", "error", "stored"),
                                       "logging.module-msr": (True, False, "stored")}),
                 f"before and after from the one call ({errors})")
    expect_equal(text_of(box.logging_config, "Logging_Configuration", "Module_MSR"), "false",
                 "Module_MSR")
    run.expect_root_owned(box.logging_config, 0o600)


def wrapper_writers(run):
    """Two technicians' writers of one wrapper, held at the writers' lock
    until both have planned: one stores, the other is told it did not."""
    box = run.sandbox
    box.lay_out()
    run.services.decide(run.technician, "YES")
    status, _, errors = hlqctl(run, "set", "msr.head-wrapper-enabled=yes", "msr.head-wrapper=OLD")
    expect_equal(status, 0, f"the wrapper set up ({errors})")
    lock = open(os.path.join(os.path.dirname(box.device_config), ".KWNConfig.xml.lock"), "w")
    fcntl.flock(lock, fcntl.LOCK_EX)
    writers = []
    for value in ("msr.head-wrapper-enabled=no", "msr.head-wrapper=NEW"):
        writers.append(subprocess.Popen(
            run.as_technician + [run.programs["hlqctl"], "set", value, "--json"],
            stdout=subprocess.PIPE, text=True,
            env=dict(run.sanitizer_settings(), PATH="/usr/bin:/bin", LC_ALL="C.UTF-8")))
        # It loads the helper's module once it has read and planned.
        wait_until(lambda: "hlqctl-helper.so" in open(f"/proc/{writers[-1].pid}/maps").read(), 30,
                   "the writer's call to the helper")
    time.sleep(0.2)  # both calls reach the helper, which waits for the lock
    lock.close()
    outcomes = []
    for writer in writers:
        output = json.loads(writer.communicate(timeout=60)[0])
        outcomes.append((writer.returncode, output["results"][0]["status"]))
    require(sorted(outcomes) == [(0, "stored"), (6, "not-stored")], f"the writers: {outcomes}")
    first_stored = outcomes[0][0] == 0
    expect_equal((text_of(box.device_config, "MSR_Configuration", "Head_Wrapper_Chbx"),
                  text_of(box.device_config, "MSR_Configuration", "Head_Wrapper") or ""),
                 ("0", "") if first_stored else ("1", "NEW"), "the wrapper afterwards")


SCENARIOS = [
    ("hlqctl --no-ask-password where polkit would ask: exit 4 at once, nothing written",
     never_asked),
    ("hlqctl allowed: show, set and restart through the helper", allowed),
    ("hlqctl --check under polkit's NO: exit 4, as the store itself", check_asks_polkit),
    ("two technicians' writers of one wrapper: one stored, the other told", wrapper_writers),
    ("hlqctl set of a file only root reads: one helper call, nothing written on a refusal",
     unreadable_in_one_call),
]
