#!/usr/bin/python3
"""The MSR page's Apply through the privileged helper against the same Apply
done directly, in wall time: bench_msr_apply runs as nobody (the files are
root's, so every value goes to the helper, which polkit allows) and as root
(which writes the files itself), in alternating rounds on the same files.
Then, side by side in the same rounds, a technician's `hlqctl set` of one
value of each file (the device file readable by all, the logging file by
root alone, which the technician reads through the helper too) against
root's direct `set`. Prints rows of tools/bench.sh's table.

Runs as root inside tests/e2e/private-system.sh, which gives it a private
/run, a system bus and a polkit daemon of its own. The sandbox's folder is
on disk beside the bench program (so that the syncs cost what they cost on
a terminal) and is mounted at /run/hlq-bench, where nobody reaches it:
  private-system.sh helper_apply.py --bench B --helper H --action A --source S --runs N
                    [--hlqctl C --hlqctl-module M]
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "e2e"))

from system_services import SystemServices  # noqa: E402

ROOT = "/run/hlq-bench"
PROGRAMS = "/run/hlq-bench-programs"
AS_NOBODY = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"]
ROUNDS = 3


def lay_out(source, on_disk):
    os.chmod(on_disk, 0o755)
    os.makedirs(ROOT)
    subprocess.run(["mount", "--bind", on_disk, ROOT], check=True)
    config = os.path.join(ROOT, "opt", "pemo", "hlq")
    os.makedirs(config)
    os.makedirs(os.path.join(ROOT, "tmp"), mode=0o1777)
    os.chmod(os.path.join(ROOT, "tmp"), 0o1777)
    shutil.copy(os.path.join(source, "ui", "hlqconfig.ui"), config)
    for name in ("KWNConfig.xml", "KWNLogging.xml"):
        shutil.copy(os.path.join(source, "data", name), config)


def median_us(command, runs):
    env = {"PATH": "/usr/bin:/bin", "GDK_GL": "disable", "NO_AT_BRIDGE": "1",
           "HOME": tempfile.mkdtemp(dir="/run"), "LANG": "C.UTF-8"}
    os.chmod(env["HOME"], 0o777)
    done = subprocess.run(command + ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24 -noreset",
                                     os.path.join(PROGRAMS, "bench_msr_apply"), str(runs)],
                          env=env, capture_output=True, text=True, timeout=600)
    found = re.search(r"msr writes (\d+) apply_us (\d+)", done.stdout)
    if done.returncode != 0 or not found:
        sys.exit(f"helper_apply: {' '.join(command) or 'root'}: {done.stdout}{done.stderr}")
    return int(found.group(1)), int(found.group(2))


def median_set_ms(user, hlqctl, value, runs):
    """The median wall time of `hlqctl set` run as `user`, each run changing
    the value. The user is taken on in the child before hlqctl starts, as a
    shell's fork does: no launcher program's start is counted for one side
    only."""
    env = {"PATH": "/usr/bin:/bin", "LANG": "C.UTF-8"}
    as_user = {"user": user, "group": "nogroup" if user == "nobody" else "root",
               "extra_groups": []}
    times = []
    for i in range(runs):
        started = time.perf_counter()
        done = subprocess.run([hlqctl, "set", value[i % 2], "--no-ask-password"], env=env,
                              capture_output=True, text=True, timeout=60, **as_user)
        times.append((time.perf_counter() - started) * 1000)
        if done.returncode != 0:
            sys.exit(f"helper_apply: {user} hlqctl set: {done.stderr}")
    return sorted(times)[len(times) // 2]


SET_VALUES = {"device": ("msr.track1-enabled=false", "msr.track1-enabled=true"),
              "logging": ("logging.level=error", "logging.level=warning")}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bench", required=True)
    parser.add_argument("--helper", required=True)
    parser.add_argument("--action", required=True)
    parser.add_argument("--source", required=True)
    parser.add_argument("--runs", type=int, default=21)
    parser.add_argument("--hlqctl")
    parser.add_argument("--hlqctl-module")
    args = parser.parse_args()
    on_disk = tempfile.mkdtemp(prefix="helper-bench-root-", dir=os.path.dirname(args.bench))
    lay_out(args.source, on_disk)
    os.makedirs(PROGRAMS, mode=0o755)
    shutil.copy(args.bench, PROGRAMS)
    hlqctl = None
    if args.hlqctl:
        shutil.copy(args.hlqctl, PROGRAMS)
        shutil.copy(args.hlqctl_module, os.path.join(PROGRAMS, "hlqctl-helper.so"))
        hlqctl = os.path.join(PROGRAMS, os.path.basename(args.hlqctl))
        os.chmod(os.path.join(ROOT, "opt", "pemo", "hlq", "KWNLogging.xml"), 0o600)
    work = tempfile.mkdtemp(dir="/run")
    services = SystemServices(args.source, args.action, args.helper, work)
    try:
        services.decide("nobody", "YES")
        helper, direct = [], []
        sets = {(file, who): [] for file in SET_VALUES for who in ("helper", "direct")}
        per_round = max(1, args.runs // ROUNDS)
        for _ in range(ROUNDS):
            writes, us = median_us(AS_NOBODY, per_round)
            helper.append(us)
            _, us = median_us([], per_round)
            direct.append(us)
            for file, value in SET_VALUES.items() if hlqctl else ():
                sets[file, "helper"].append(median_set_ms("nobody", hlqctl, value, per_round))
                sets[file, "direct"].append(median_set_ms("root", hlqctl, value, per_round))
    finally:
        services.stop()
        subprocess.run(["umount", ROOT], check=True)
        shutil.rmtree(on_disk)
    helper_ms, direct_ms = sorted(helper)[ROUNDS // 2] / 1000, sorted(direct)[ROUNDS // 2] / 1000
    print(f"| Apply msr ({writes} writes) through the helper against directly, median of "
          f"{per_round * ROUNDS} | {helper_ms:.1f} ms | {direct_ms:.1f} ms | "
          f"{helper_ms / direct_ms:.2f} | <= 1.50 |")
    for file in SET_VALUES if hlqctl else ():
        through, root = (sorted(sets[file, who])[ROUNDS // 2] for who in ("helper", "direct"))
        read = "only root reads," if file == "logging" else "readable,"
        print(f"| hlqctl set, {file} file ({read} one helper call) against root's set, median "
              f"of {per_round * ROUNDS} | {through:.1f} ms | {root:.1f} ms | "
              f"{through / root:.2f} | <= 2.00 |")


if __name__ == "__main__":
    main()
