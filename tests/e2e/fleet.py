#!/usr/bin/python3
"""Debian's ansible-playbook configures three terminals over SSH with the
collection hlq.kwn built from ansible/. Each terminal is an sshd on a
loopback address in a mount namespace of its own, with its own
/opt/pemo/hlq, hlqctl and a stand-in systemctl that records its calls. t1
and t2 are reached as root; t3 as the technician hlqtech (known only there)
through the helper on a system bus and polkitd of its own (private-system.sh).
As root: fleet.py --hlqctl H --hlqctl-module M=PATH --helper H --action POLICY
--source DIR --work DIR; M is the build's module hlqctl-helper, PATH where hlqctl loads it from."""

import argparse
import hashlib
import os
import re
import shutil
import socket
import subprocess
import sys
import time

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from checks import expect_equal, require  # noqa: E402
from sandbox import text_of  # noqa: E402
from waiting import wait_until  # noqa: E402

TERMINALS = {"t1": "127.0.25.1", "t2": "127.0.25.2", "t3": "127.0.25.3"}
PLAYBOOK = """
- hosts: terminals
  serial: 2
  max_fail_percentage: 50
  force_handlers: true
  tasks:
    - name: Settings
      hlq.kwn.config:
        values: {printer.port: "{{ printer_port | default('/dev/ttyS11') }}",
                 msr.track1-enabled: true, msr.track3-enabled: false, logging.level: warning}
        restart: "{{ kwn_restart | default('never') }}"
      notify: Restart kwn
    - hlq.kwn.info: {page: printer}
      register: kwn
      failed_when: kwn.settings['printer.port'] != (printer_port | default('/dev/ttyS11'))
      when: not ansible_check_mode
    - ansible.builtin.fail: {msg: a later task fails}
      when: inventory_hostname == (fail_later | default(''))
  handlers:
    - name: Restart kwn
      ansible.builtin.command: hlqctl restart --no-ask-password
      when: kwn_restart | default('never') == 'never'
"""


def run(*command):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)


def answers(address, port):
    with socket.socket() as s:
        return s.connect_ex((address, port)) == 0


def be_terminal(args):
    """The terminal's own folders and sshd (for t3 also the technician, a
    system bus and polkitd allowing the technician), until its input ends;
    each line "USER RESULT" restarts polkitd with that rule instead."""
    home = f"{args.work}/{args.terminal}"
    for folder in ["/opt", "/usr/local"] + ["/run"] * (not args.polkit):
        run("mount", "-t", "tmpfs", "-o", "mode=755", "t", folder)
    module = args.hlqctl_module.split("=")  # the build's hlqctl-helper=where hlqctl loads it from
    require(module[1].startswith("/usr/local/"), f"{module[1]}: not under /usr/local")
    for folder in ("/opt/pemo/hlq", "/usr/local/bin", "/usr/local/sbin", os.path.dirname(module[1])):
        os.makedirs(folder, exist_ok=True)
    run("mount", "--bind", f"{home}/hlq", "/opt/pemo/hlq")
    shutil.copy(args.hlqctl, "/usr/local/bin/hlqctl")
    shutil.copy(module[0], module[1])
    shutil.copy(f"{args.source}/tests/sanitizer/lsan.supp", "/usr/local/lsan.supp")
    with open("/usr/local/sbin/systemctl", "w") as f:
        f.write(f'#!/bin/sh\necho "$* by $(id -u)" >> {home}/systemctl-calls\n')
    os.chmod("/usr/local/sbin/systemctl", 0o755)
    services = None
    if args.polkit:
        # The technician's home (and with it Ansible's remote temporary
        # folder) is the terminal's own, wherever the build lies; the
        # machine's /tmp stays visible, since the checkout may be in it.
        os.makedirs(f"{home}/hlqtech", exist_ok=True)
        os.chown(f"{home}/hlqtech", 61025, 61025)
        for name, line in (("passwd", f"hlqtech:x:61025:61025::{home}/hlqtech:/bin/sh"),
                           ("group", "hlqtech:x:61025:")):
            with open(f"/etc/{name}") as f, open(f"{home}/{name}", "w") as copy:
                copy.write(f.read() + line + "\n")
            run("mount", "--bind", f"{home}/{name}", f"/etc/{name}")
        from system_services import SystemServices
        services = SystemServices(args.source, args.action, args.helper, home)
        services.decide("hlqtech", "YES")
    os.makedirs("/run/sshd", exist_ok=True)
    listen = f"ListenAddress={TERMINALS[args.terminal]}:{args.port}"
    sshd = subprocess.Popen(["/usr/sbin/sshd", "-D", "-f", f"{args.work}/sshd_config", "-o", listen,
                             "-E", f"{home}/sshd.log"])
    wait_until(lambda: answers(TERMINALS[args.terminal], args.port), 20, "sshd")
    print("ready", flush=True)
    for line in sys.stdin:
        services.decide(*line.split())
        print("ready", flush=True)
    sshd.terminate()
    sshd.wait(10)
    if services:
        services.stop()


def lay_out(w, source, port):
    shutil.rmtree(w, ignore_errors=True)
    for name in TERMINALS:
        os.makedirs(f"{w}/{name}/hlq")
        for file in ("KWNConfig.xml", "KWNLogging.xml"):
            shutil.copy(f"{source}/data/{file}", f"{w}/{name}/hlq")
    for key in ("id", "hostkey"):
        run("ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", f"{w}/{key}")
    # A sanitized build's settings hold for hlqctl on the terminals too, with
    # the suppressions copied into each terminal (the checkout may be closed).
    sanitizer = {k: os.environ.get(k, "") for k in ("ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS")}
    sanitizer["LSAN_OPTIONS"] = re.sub(r"(^|:)suppressions=[^:]*",
                                       r"\1suppressions=/usr/local/lsan.supp", sanitizer["LSAN_OPTIONS"])
    with open(f"{w}/sshd_config", "w") as f:
        f.write(f"HostKey {w}/hostkey\nAuthorizedKeysFile {w}/id.pub\nUsePAM no\nStrictModes no\n"
                "PermitRootLogin prohibit-password\nPasswordAuthentication no\nPidFile none\n"
                "Subsystem sftp /usr/lib/openssh/sftp-server\nSetEnv " +
                " ".join(f"{k}={v}" for k, v in sanitizer.items()) + "\n")
    with open(f"{w}/inventory", "w") as f:
        f.write("[terminals]\n" + "".join(f"{n} ansible_host={a}\n" for n, a in TERMINALS.items()))
        f.write(f"t3 ansible_user=hlqtech\n[terminals:vars]\nansible_port={port}\nansible_user=root\n"
                f"ansible_ssh_private_key_file={w}/id\nansible_python_interpreter=/usr/bin/python3\n"
                "ansible_ssh_common_args="
                "'-o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null'\n")
    with open(f"{w}/fleet.yml", "w") as f:
        f.write(PLAYBOOK)
    run("ansible-galaxy", "collection", "build", f"{source}/ansible", "--output-path", w)
    run("ansible-galaxy", "collection", "install", "--offline", "-p", f"{w}/collections",
        f"{w}/hlq-kwn-1.1.0.tar.gz")


def play(w, title, *options):
    """One run of the playbook, its recap printed: the terminals that changed
    and those that failed, and what ansible-playbook said."""
    env = dict(os.environ, ANSIBLE_COLLECTIONS_PATH=f"{w}/collections", ANSIBLE_NOCOLOR="1",
               ANSIBLE_LOCAL_TEMP=f"{w}/local-tmp", ANSIBLE_SSH_ARGS="-o ControlMaster=no")
    started = time.monotonic()
    done = subprocess.run(["ansible-playbook", "-i", f"{w}/inventory", f"{w}/fleet.yml", *options],
                          env=env, capture_output=True, text=True, timeout=300)
    recap = re.findall(r"^(t\d) +: ok=\d+ +changed=(\d+) +unreachable=(\d+) +failed=(\d+)",
                       done.stdout, re.M)
    print(f"== {title}: ansible-playbook {' '.join(options)} ({time.monotonic() - started:.0f} s)")
    print("\n".join(line.rstrip() for line in done.stdout.splitlines() if re.match(r"t\d +: ", line)))
    # Every failed task's message, so that an unexpected failure says why.
    for line in done.stdout.splitlines():
        if line.startswith("fatal: [") or line.startswith("failed: ["):
            print("   ", line.rstrip())
    require(recap and not any(int(u) for _, _, u, _ in recap), done.stdout + done.stderr)
    return ([t for t, c, _, _ in recap if int(c)], [t for t, _, _, f in recap if int(f)], done.stdout)


def failure(output, terminal):
    """What ansible-playbook said when the terminal's settings failed."""
    return next(line for line in output.splitlines() if line.startswith(f"fatal: [{terminal}]"))


def scenario(w, decide):
    config = {name: f"{w}/{name}/hlq/KWNConfig.xml" for name in TERMINALS}

    def port(name):
        return text_of(config[name], "Ports_Configuration", "PRINTER_USB")

    def restarts():
        calls = [f"{w}/{name}/systemctl-calls" for name in TERMINALS]
        lines = [open(c).read().splitlines() if os.path.exists(c) else [] for c in calls]
        require(all(set(line) <= {"restart kwn by 0"} for line in lines), f"systemctl calls: {lines}")
        return [len(line) for line in lines]

    def files():
        return [hashlib.sha256(open(f"{w}/{n}/hlq/{f}", "rb").read()).hexdigest()[:12]
                for n in TERMINALS for f in ("KWNConfig.xml", "KWNLogging.xml")]

    def edit(name, change):
        with open(config[name]) as f:
            text = change(f.read())
        with open(config[name], "w") as f:
            f.write(text)
        return files()

    expect_equal(play(w, "first run")[:2], (["t1", "t2", "t3"], []), "changed, failed")
    expect_equal(restarts(), [1, 1, 1], "restarts")
    for name in TERMINALS:
        expect_equal((port(name), text_of(config[name], "MSR_Configuration", "Track3_Enabled"),
                      text_of(f"{w}/{name}/hlq/KWNLogging.xml", "Logging_Configuration", "Log_Level")),
                     ("/dev/ttyS11", "0", "3"), f"{name}'s values")
    expect_equal(os.stat(config["t3"]).st_uid, 0, "owner of t3's file after the helper's save")
    expect_equal((play(w, "second run")[:2], restarts()), (([], []), [1, 1, 1]), "second run")

    before = edit("t1", lambda text: text.replace(">/dev/ttyS11<", ">/dev/ttyS12<"))
    changed, failed, output = play(w, "t1 changed by hand", "--check", "--diff")
    expect_equal((changed, failed, files(), restarts()), (["t1"], [], before, [1, 1, 1]), "check mode")
    diff = [line for line in output.splitlines() if re.match(r"[-+]{1,3} ", line)]
    print("\n".join(diff))
    expect_equal(diff, ["--- before: /opt/pemo/hlq/KWNConfig.xml (stored)",
                        "+++ after: /opt/pemo/hlq/KWNConfig.xml (check mode)",
                        '-    "printer.port": "/dev/ttyS12"', '+    "printer.port": "/dev/ttyS11"'], "diff")
    changed, failed, _ = play(w, "put back; a later task fails on t1", "-e", "fail_later=t1")
    expect_equal((changed, failed, port("t1"), restarts()),
                 (["t1"], ["t1"], "/dev/ttyS11", [2, 1, 1]), "put back, restarted after all")

    before = edit("t2", lambda text: "".join(line for line in text.splitlines(True)
                                             if "Track3_Enabled" not in line))
    changed, failed, output = play(w, "t2 lacks an element", "-e",
                                   "printer_port=/dev/ttyS12 kwn_restart=if-changed")
    print(failure(output, "t2"))
    expect_equal((changed, failed, restarts()), (["t1", "t3"], ["t2"], [3, 1, 2]), "lacking element")
    require("msr.track3-enabled" in failure(output, "t2") and files()[2] == before[2], "t2 untouched")

    decide("nobody YES")  # the technician's rule is gone
    before = files()
    changed, failed, output = play(w, "t3 without the polkit rule", "--limit", "t3")
    print(failure(output, "t3"))
    expect_equal((changed, failed, files(), restarts()), ([], ["t3"], before, [3, 1, 2]), "no rule")
    require(": not authorised" in failure(output, "t3"), "t3 is not authorised")


def main():
    parser = argparse.ArgumentParser()
    for option in ("--hlqctl", "--hlqctl-module", "--helper", "--action", "--source", "--work",
                   "--terminal"):
        parser.add_argument(option, required=option != "--terminal")
    parser.add_argument("--port", type=int)
    parser.add_argument("--polkit", action="store_true")
    args = parser.parse_args()
    if args.terminal:
        return be_terminal(args)
    port = next(p for p in range(2222, 2300) if not any(answers(a, p) for a in TERMINALS.values()))
    lay_out(args.work, args.source, port)
    terminals = []
    try:
        for name in TERMINALS:
            starter = ([f"{HERE}/private-system.sh"] if name == "t3"
                       else ["unshare", "--mount", "--propagation", "private"])
            me = [sys.executable, f"{HERE}/fleet.py", "--terminal", name, "--port", str(port)]
            me += ["--polkit"] * (name == "t3") + sys.argv[1:]
            terminals.append(subprocess.Popen(starter + me, stdin=subprocess.PIPE,
                                              stdout=subprocess.PIPE, text=True))
            expect_equal(terminals[-1].stdout.readline(), "ready\n", f"{name} started")

        def decide(rule):
            terminals[2].stdin.write(rule + "\n")
            terminals[2].stdin.flush()
            expect_equal(terminals[2].stdout.readline(), "ready\n", "polkitd restarted")
        scenario(args.work, decide)
    finally:
        for terminal in terminals:
            terminal.stdin.close()
            terminal.wait(30)
    print("fleet: every run as expected")


if __name__ == "__main__":
    main()
