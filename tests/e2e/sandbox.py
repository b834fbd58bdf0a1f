"""The world around one run of the tool: its root folder laid out afresh, a
stand-in systemctl, the printer's code page record, and the tool's process.

The tool under test is built with its fixed paths under ROOT, so it reads
ROOT/opt/pemo/hlq/{hlqconfig.ui,KWNConfig.xml,KWNLogging.xml} and locks
ROOT/tmp/hlqconfigtool.
"""

import os
import shutil
import signal
import stat
import subprocess
import tempfile
import xml.etree.ElementTree as ET

from checks import require
from waiting import wait_until


class Sandbox:
    def __init__(self, root, source_dir, publisher):
        self.root = root
        self.source_dir = source_dir
        self.publisher = publisher
        self.config_dir = os.path.join(root, "opt", "pemo", "hlq")
        self.device_config = os.path.join(self.config_dir, "KWNConfig.xml")
        self.logging_config = os.path.join(self.config_dir, "KWNLogging.xml")
        self.lock_file = os.path.join(root, "tmp", "hlqconfigtool")
        self._bin_dir = None

    def lay_out(self, systemctl_status=0):
        """Fresh root with the UI file and the sample configuration, and a
        stand-in systemctl that exits with `systemctl_status`."""
        if os.path.isdir(self.root):
            shutil.rmtree(self.root)
        os.makedirs(self.config_dir)
        os.makedirs(os.path.dirname(self.lock_file))
        shutil.copy(os.path.join(self.source_dir, "ui", "hlqconfig.ui"), self.config_dir)
        for name in ("KWNConfig.xml", "KWNLogging.xml"):
            shutil.copy(os.path.join(self.source_dir, "data", name), self.config_dir)
        self.add_standin_systemctl(self.root, systemctl_status)

    def add_standin_systemctl(self, folder, systemctl_status=0):
        """A stand-in systemctl in FOLDER/standin-bin, first on the tool's
        PATH, that records its arguments and exits with `systemctl_status`."""
        self._bin_dir = os.path.join(folder, "standin-bin")
        os.makedirs(self._bin_dir)
        self.systemctl_log = os.path.join(folder, "systemctl-calls")
        script = os.path.join(self._bin_dir, "systemctl")
        with open(script, "w") as f:
            f.write("#!/bin/sh\n"
                    f'printf "%s\\n" "$*" >> "{self.systemctl_log}"\n'
                    f"exit {int(systemctl_status)}\n")
        os.chmod(script, stat.S_IRWXU)

    def systemctl_calls(self):
        if not os.path.exists(self.systemctl_log):
            return []
        with open(self.systemctl_log) as f:
            return f.read().splitlines()

    def tool_environment(self):
        env = dict(os.environ)
        # The accessibility bridge is how the journeys see the window.
        env.pop("NO_AT_BRIDGE", None)
        env["GDK_GL"] = "disable"
        env["PATH"] = self._bin_dir + os.pathsep + env.get("PATH", "")
        return env

    # The printer's code page record under its fixed name. The journeys run
    # with a /dev/shm of their own (private-shm.sh), where no other test run
    # can replace it; the check below says so if that ever fails.
    RECORD_FILE = "/dev/shm/SHM_HLQ"

    def publish_codepages(self, codepages):
        subprocess.run([self.publisher] + [str(c) for c in codepages], check=True,
                       stdout=subprocess.DEVNULL)
        with open(self.RECORD_FILE, "rb") as f:
            self._published_record = f.read()

    def record_state(self):
        """Whether the record published last is still there, for failure messages."""
        try:
            with open(self.RECORD_FILE, "rb") as f:
                same = f.read() == self._published_record
        except OSError:
            return "record gone"
        return "record as published" if same else "record replaced by someone else"

    def remove_codepages(self):
        subprocess.run([self.publisher, "--remove"], check=True, stdout=subprocess.DEVNULL)


def element(path, section, key):
    """The element VCP/section/key of a configuration file, parsed afresh."""
    root = ET.parse(path).getroot()
    require(root.tag == "VCP", f"{path}: root element is {root.tag}")
    found = root.find(f"{section}/{key}")
    require(found is not None, f"{path}: {section}/{key} is missing")
    return found


def text_of(path, section, key):
    return element(path, section, key).text or ""


def _children_of(pid):
    children = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if int(fields[1]) == pid:
            children.append(int(entry))
    return children


class ToolProcess:
    """One start of the tool. Without devices the real executable runs under
    umockdev-run on an empty emulated bus; with devices the launcher, which
    holds the emulated devices in its own process, runs under the preload."""

    def __init__(self, sandbox, tool, usb_tool, devices=()):
        self.output = tempfile.TemporaryFile(mode="w+")
        if devices:
            argv = ["umockdev-wrapper", usb_tool]
            for device in devices:
                argv += ["--device", device]
        else:
            argv = ["umockdev-run", "--", tool]
        self._wrapped = not devices
        self._pid = None
        self.popen = subprocess.Popen(argv, env=sandbox.tool_environment(),
                                      stdout=self.output, stderr=subprocess.STDOUT)

    @property
    def pid(self):
        """The tool's own process (umockdev-run is its parent)."""
        if not self._wrapped:
            return self.popen.pid
        if self._pid is None:
            children = wait_until(lambda: _children_of(self.popen.pid), 10,
                                  "the tool's process under umockdev-run")
            self._pid = children[0]
        return self._pid

    def interrupt(self):
        os.kill(self.pid, signal.SIGINT)

    def wait_exit(self, timeout=10):
        try:
            return self.popen.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"the tool did not end within {timeout} s")

    def text_output(self):
        self.output.seek(0)
        return self.output.read()

    def kill(self):
        if self.popen.poll() is None:
            self.popen.kill()
            self.popen.wait()
