"""The helper where a hostile review once broke it: slots all taken by
eight accounts' open prompts, the writers' lock held, another user's or a
FIFO, and a caller in de_DE.UTF-8."""

import fcntl
import os
import pwd
import shutil
import subprocess
import tempfile
import time

from checks import expect_equal, require
from password_prompt import OpenPasswordPrompt
from waiting import wait_until

ERROR = "org.hlqconfig.Helper1.Error."
INTERACTIVE_REQUIRED = "org.freedesktop.DBus.Error.InteractiveAuthorizationRequired"
PAGE_CALL = ["WriteValues", "device",
             "@a(ssss) [('Ports_Configuration', 'LD_USB', '', '/dev/ttyS19')]"]
AS_ROOT = []
# Accounts of every Debian system, whom polkit's defaults ask for the password.
ACCOUNTS = ["daemon", "bin", "sys", "games", "man", "lp", "mail", "news"]


def as_user(name):
    entry = pwd.getpwnam(name)
    return ["setpriv", f"--reuid={entry.pw_uid}", f"--regid={entry.pw_gid}", "--clear-groups"]


def real_uid(pid):
    with open(f"/proc/{pid}/status") as f:
        return next(int(line.split()[1]) for line in f if line.startswith("Uid:"))


def hold_prompt(run, name, calls):
    """`name`'s process sends `calls` calls, polkit's prompt for the first open."""
    entry = pwd.getpwnam(name)
    holder = subprocess.Popen(as_user(name) + ["/usr/bin/python3", run.programs["caller"],
                                               "--after-line", "Flood", str(calls), "1", "x", ""],
                              stdin=subprocess.PIPE, stdout=subprocess.PIPE, bufsize=0,
                              env={"PATH": "/usr/bin:/bin"})
    # polkit registers an agent only for a process of the agent's own user:
    # the holder must have become that user before the agent asks.
    wait_until(lambda: real_uid(holder.pid) == entry.pw_uid, 10, f"{name}'s caller as {name}")
    prompt = OpenPasswordPrompt(holder.pid, entry.pw_uid, entry.pw_gid)
    holder.stdin.write(b"go\n")
    prompt.wait_for_prompt()
    return holder, prompt


def busy_never_locks_out(run):
    from helper_journeys import read_lines
    run.sandbox.lay_out()
    run.services.decide(run.technician, "NO")
    held = []
    try:
        for name in ACCOUNTS:
            holder, prompt = hold_prompt(run, name, 5)
            held.append((holder, prompt))
            # Four wait; the fifth is beyond the user's share.
            expect_equal(read_lines(holder.stdout, 1, 10), [ERROR + "Busy"], f"{name}'s fifth call")
        # All 32 slots are taken now.
        status, output = run.call_helper("--timed", *PAGE_CALL, user=AS_ROOT)
        require(status == 0 and "uint32" in output, f"root's call: {output}")
        status, output = run.call_helper("--no-interactive", *PAGE_CALL)
        require(status == 1 and output.startswith(ERROR + "NotAuthorized"),
                f"a call of a user with none waiting: {output}")
        status, output = run.call_helper(*PAGE_CALL, user=as_user(ACCOUNTS[0]))
        require(output.startswith(ERROR + "Busy"), f"a holder's further call: {output}")
    finally:
        for holder, prompt in held:
            prompt.close()
            holder.kill()
            holder.wait()


def lock_held_or_taken(run):
    box = run.sandbox
    box.lay_out()
    run.services.decide(run.technician, "YES")
    lock = os.path.join(os.path.dirname(box.device_config), ".KWNConfig.xml.lock")
    run.call_helper(*PAGE_CALL)  # the helper makes the lock file
    holder = open(lock, "w")
    fcntl.flock(holder, fcntl.LOCK_EX)
    store = subprocess.Popen(as_user(run.technician) + [
        "/usr/bin/python3", run.programs["caller"], "WriteValues", "device",
        "@a(ssss) [('Ports_Configuration', 'LD_USB', '', '/dev/ttyS18')]"],
        stdout=subprocess.PIPE, text=True, env={"PATH": "/usr/bin:/bin"})
    time.sleep(0.5)  # the store waits for the lock now
    status, output = run.call_helper("--timed", "ReadValues", "device", user=AS_ROOT)
    seconds = float(output.split()[-1])
    print(f"      root's read while the lock is held: {seconds:.3f} s")
    require(status == 0 and seconds < 0.5, f"root's read waited {seconds} s: {output}")
    holder.close()
    require("uint32 0" in store.communicate(timeout=30)[0], "the store once the lock was free")

    # A lock file that another user made while the folder let them.
    os.unlink(lock)
    with open(lock, "w"):
        pass
    os.chown(lock, pwd.getpwnam(run.technician).pw_uid, -1)
    os.chmod(lock, 0o222)
    status, output = run.call_helper(*PAGE_CALL)
    require(status == 0 and "uint32 0" in output, f"a store beside another user's lock: {output}")
    info = os.stat(lock)
    expect_equal((info.st_uid, info.st_mode & 0o7777), (0, 0o200), "the lock made anew")

    # Anything else at the lock's name stores nothing.
    os.unlink(lock)
    os.mkfifo(lock, 0o600)
    status, output = run.call_helper(*PAGE_CALL[:2],
                                     "@a(ssss) [('Ports_Configuration', 'LD_USB', '', '/dev/ttyS18')]")
    require("uint32 2" in output and "other than a lock file" in output,
            f"a store with a FIFO at the lock's name: {output}")
    from sandbox import text_of
    expect_equal(text_of(box.device_config, "Ports_Configuration", "LD_USB"), "/dev/ttyS19",
                 "LD_USB after the refused store")


def german_reasons(run):
    box = run.sandbox
    box.lay_out()
    run.services.decide(run.technician, "YES")
    catalogs = os.path.join(os.path.dirname(run.args.helper), "..", "..", "locale")
    shutil.copytree(catalogs, os.path.join(run.args.root, "usr", "share", "locale"),
                    dirs_exist_ok=True)
    # The system's locales and German, in this namespace alone.
    locales = tempfile.mkdtemp(prefix="hlq-locales-", dir="/run")
    shutil.copytree("/usr/lib/locale", locales, symlinks=True, dirs_exist_ok=True)
    # localedef warns about the sources' style, and says so in its status.
    subprocess.run(["localedef", "-i", "de_DE", "-f", "UTF-8",
                    os.path.join(locales, "de_DE.UTF-8")], capture_output=True)
    require(os.path.isdir(os.path.join(locales, "de_DE.UTF-8")), "the German locale was not built")
    subprocess.run(["mount", "--bind", locales, "/usr/lib/locale"], check=True)
    try:
        unknown = ["WriteValues", "device", "@a(ssss) [('Ports_Configuration', 'SHELL', '', 'x')]"]
        for locale in ("de_DE.UTF-8", "", "de_DE.UTF-8"):
            status, output = run.call_helper(*unknown, locale)
            english = "is not a value that the tool stores" in output
            require(status == 1 and english == (locale == ""),
                    f"the reason for the locale {locale!r}: {output}")
    finally:
        # The helper keeps the German locale mapped.
        subprocess.run(["umount", "--lazy", "/usr/lib/locale"], check=True)


SCENARIOS = [
    ("eight accounts' open prompts: root and a user with none waiting are answered",
     busy_never_locks_out),
    ("the writers' lock held or taken: no one waits, nothing stored unlocked", lock_held_or_taken),
    ("a German caller gets German reasons", german_reasons),
]
