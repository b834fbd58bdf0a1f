"""Journeys of the command line hlqctl against the same sandbox as the
window's: what show --json prints applies back; a value given as stored, a
--check and a refused value leave the file as it was; and many hlqctl of
different keys at once, beside the window's Apply, lose nothing."""

import hashlib
import json
import os
import subprocess

from checks import expect_equal, require
from sandbox import text_of
from ui import choose

MSR = "MSR_Configuration"


def hlqctl(j, *arguments):
    """Runs hlqctl on an emulated USB bus without devices (so that the code
    page list is the predefined one); its exit status and, for --json, the
    parsed output."""
    done = subprocess.run(["umockdev-run", "--", j.args.hlqctl, *arguments],
                          capture_output=True, text=True,
                          timeout=60, env=dict(os.environ, LC_ALL="C.UTF-8"))
    output = json.loads(done.stdout) if "--json" in arguments and done.stdout else done.stdout
    return done.returncode, output, done.stderr


def state(path):
    """What a write would change: inode, modification time and bytes."""
    info = os.stat(path)
    with open(path, "rb") as f:
        return info.st_ino, info.st_mtime_ns, hashlib.sha256(f.read()).hexdigest()


def statuses(result):
    return {entry["key"]: entry["status"] for entry in result["results"]}


def show_apply_round_trip(j):
    j.sandbox.lay_out()
    device, logging = j.sandbox.device_config, j.sandbox.logging_config
    status, shown, _ = hlqctl(j, "show", "--json")
    expect_equal(status, 0, "show's exit status")
    expect_equal((shown["printer.code-page"], shown["msr.track1-enabled"], shown["logging.level"],
                  shown["printer.product-id"]), ("437", True, "info", None), "values shown")

    # Another terminal's values: ports, a wrapper, a code page by name, a
    # position, booleans in their other spellings, a USB ID in capitals.
    status, result, errors = hlqctl(
        j, "set", "printer.port=none", "msr.head-wrapper=H<&>", "msr.head-wrapper-enabled=on",
        "printer.code-page=Generic", "logging.level=4", "msr.track1-enabled=no",
        "printer.product-id=0A02", "--json")
    expect_equal((status, result["changed"]), (0, True), f"set's outcome ({errors})")
    require(set(statuses(result).values()) == {"stored"}, f"set's statuses: {result}")
    expect_equal((text_of(device, "Ports_Configuration", "PRINTER_USB"),
                  text_of(device, MSR, "Head_Wrapper"), text_of(device, MSR, "Head_Wrapper_Chbx"),
                  text_of(device, "Printer_Configuration", "Code_Page"),
                  text_of(logging, "Logging_Configuration", "Log_Level")),
                 (" ", "H<&>", "1", "5", "4"), "stored texts")

    # The JSON that show printed applies back: every value as before, the
    # attribute that was set kept (null leaves a value as it is).
    saved = os.path.join(j.sandbox.root, "shown.json")
    with open(saved, "w") as f:
        json.dump(shown, f)
    status, result, errors = hlqctl(j, "apply", saved, "--json")
    expect_equal((status, result["changed"]), (0, True), f"apply's outcome ({errors})")
    status, again, _ = hlqctl(j, "show", "--json")
    expect_equal(dict(again, **{"printer.product-id": None}), shown, "show after apply")
    expect_equal(again["printer.product-id"], "0a02", "the attribute set before")
    expect_equal((text_of(device, MSR, "Head_Wrapper"), text_of(device, MSR, "Head_Wrapper_Chbx")),
                 ("", "0"), "the head wrapper as shown before")

    # Applied once more, nothing changes: the files are not touched at all.
    before = {path: state(path) for path in (device, logging)}
    status, result, _ = hlqctl(j, "apply", saved, "--json")
    expect_equal((status, result["changed"]), (0, False), "apply of what is stored")
    require(set(statuses(result).values()) == {"unchanged"}, f"statuses: {result}")
    for key, value in (("logging.level", "info"), ("msr.track2-enabled", "1")):
        status, result, _ = hlqctl(j, "set", f"{key}={value}", "--json")
        expect_equal((status, statuses(result)), (0, {key: "unchanged"}), f"set of {key} as stored")
    expect_equal({path: state(path) for path in before}, before, "files after unchanged writes")


def check_and_refusal_write_nothing(j):
    j.sandbox.lay_out()
    device, logging = j.sandbox.device_config, j.sandbox.logging_config
    before = {path: state(path) for path in (device, logging)}
    status, result, _ = hlqctl(j, "set", "--check", "msr.track1-enabled=false",
                               "logging.level=info", "--json")
    expect_equal((status, result["changed"], statuses(result)),
                 (0, False, {"msr.track1-enabled": "would-change", "logging.level": "unchanged"}),
                 "--check")
    # One value refused: nothing is written, not even the valid ones.
    status, result, _ = hlqctl(j, "set", "msr.track1-enabled=false", "logging.level=error",
                               "printer.port=/dev/ttyS99", "--json")
    expect_equal((status, result["changed"], statuses(result)),
                 (3, False, {"msr.track1-enabled": "not-stored", "logging.level": "not-stored",
                             "printer.port": "refused"}), "a refused value")
    status, _, errors = hlqctl(j, "set", "msr.no-such-key=1")
    expect_equal(status, 2, f"an unknown key ({errors})")
    expect_equal({path: state(path) for path in before}, before, "files after --check and refusals")


# Each hlqctl sets one key of its own (none needs the USB bus); the window's
# Apply writes the line display page's values into the same file meanwhile.
CONCURRENT = {
    "msr.cr-enabled": ("true", MSR, "CR_Enabled", "1"),
    "msr.track1-enabled": ("false", MSR, "Track1_Enabled", "0"),
    "msr.track2-enabled": ("false", MSR, "Track2_Enabled", "0"),
    "msr.track3-enabled": ("false", MSR, "Track3_Enabled", "0"),
    "msr.strip-sentinels": ("true", MSR, "Strip_Sentinels", "1"),
    "msr.hide-error-tracks": ("true", MSR, "Hide_Error_Tracks", "1"),
    "msr.track1-cr-enabled": ("true", MSR, "Track1_CR_Enabled", "1"),
    "msr.track2-cr-enabled": ("true", MSR, "Track2_CR_Enabled", "1"),
    "msr.track3-cr-enabled": ("true", MSR, "Track3_CR_Enabled", "1"),
    "msr.track1-start-sentinel": ("#", MSR, "Track1_Start_Sentinel", "#"),
    "msr.end-sentinel": ("*", MSR, "End_Sentinel", "*"),
    "msr.port": ("/dev/ttyS21", "Ports_Configuration", "MSR_USB", "/dev/ttyS21"),
    "cash-drawer.port": ("none", "Ports_Configuration", "CD_USB", ""),
    "printer.port": ("/dev/ttyS12", "Ports_Configuration", "PRINTER_USB", "/dev/ttyS12"),
    "printer.unsolicited-status": ("true", "Printer_Configuration", "Unsolicited_Status", "1"),
    "printer.emulation-mode": ("line-mode", "Printer_Configuration", "Emulation_Mode", "3"),
}


def concurrent_writers_lose_nothing(j):
    j.sandbox.lay_out()
    tool = j.start_window()
    page = tool.window.open_tab("Line Display")
    choose(page.labelled("Port:"), "/dev/ttyS19")
    env = dict(os.environ, LC_ALL="C.UTF-8")
    writers = [subprocess.Popen([j.args.hlqctl, "set", f"{key}={value}"], env=env,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
               for key, (value, _, _, _) in CONCURRENT.items()]
    j.apply(tool, page, "Line Display Settings Applied", "Line Display Configuration")
    for writer in writers:
        output = writer.communicate(timeout=60)[0]
        expect_equal(writer.returncode, 0, f"an hlqctl beside the Apply: {output}")
    device = j.sandbox.device_config
    for key, (_, section, element, stored) in CONCURRENT.items():
        expect_equal(text_of(device, section, element), stored, f"{key} after the concurrent writes")
    expect_equal(text_of(device, "Ports_Configuration", "LD_USB"), "/dev/ttyS19",
                 "the window's line display port")
    j.close_and_restart(tool, "KWN Service Restarted")


JOURNEYS = [
    ("hlqctl: show --json applies back; unchanged values touch no file", show_apply_round_trip),
    ("hlqctl: --check and a refused value write nothing", check_and_refusal_write_nothing),
    ("hlqctl: many at once beside the window's Apply lose nothing",
     concurrent_writers_lose_nothing),
]
