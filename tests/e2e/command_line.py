"""Journeys of the command line hlqctl against the same sandbox as the
window's: what show --json prints applies back; a value given as stored, a
--check and a refused value leave the file as it was; and many hlqctl of
different keys at once, beside the window's Apply, lose nothing; status tells
an attached printer from the configured one; values are names, never silent
positions; hostile input is refused; completion completes values."""

import hashlib
import json
import os
import subprocess
import sys

from checks import expect_equal, require
from sandbox import text_of
from ui import choose

MSR = "MSR_Configuration"


def hlqctl(j, *arguments, devices=(), data=None):
    """Runs hlqctl on an emulated USB bus, without devices (so that the code
    page list is the predefined one) or with `devices` (VID:PID:SERIAL); its
    exit status and, for --json, the parsed output."""
    command = ["umockdev-run", "--", j.args.hlqctl]
    if devices:
        command = ["umockdev-wrapper", j.args.hlqctl_usb]
        for device in devices:
            command += ["--device", device]
    done = subprocess.run(command + list(arguments), capture_output=True, text=True, input=data,
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
        "printer.code-page=Generic", "logging.level=#4", "msr.track1-enabled=no",
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
    "cash-drawer.port": ("none", "Ports_Configuration", "CD_USB", " "),
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
        found = text_of(device, section, element)
        # No port is " ", which a later save of the file by another writer
        # writes as an empty element: both read as no port.
        if stored == " ":
            found = found.strip() or " "
        expect_equal(found, stored, f"{key} after the concurrent writes")
    expect_equal(text_of(device, "Ports_Configuration", "LD_USB"), "/dev/ttyS19",
                 "the window's line display port")
    j.close_and_restart(tool, "KWN Service Restarted")


def status_tells_a_swapped_printer(j):
    j.sandbox.lay_out()
    status, _, errors = hlqctl(j, "set", "printer.vendor-id=1a0b", "printer.product-id=0a02",
                               "printer.serial-number=PRN-7")
    expect_equal(status, 0, f"the printer configured ({errors})")
    for serial, verdict, exit_status in (("PRN-7", "matches", 0), ("PRN-9", "different", 1)):
        status, shown, _ = hlqctl(j, "status", "--json", devices=[f"1a0b:0a02:{serial}"])
        printer = shown["pages"][0]
        expect_equal((status, shown["healthy"], printer["page"], printer["device"],
                      printer["attached"][0]["serial-number"], shown["devices"]["printer"]),
                     (exit_status, exit_status == 0, "printer", verdict, serial,
                      printer["attached"]), f"status with {serial} attached")
        status, text, _ = hlqctl(j, "status", devices=[f"1a0b:0a02:{serial}"])
        expect_equal(("not the one configured" in text, status), (verdict == "different", exit_status),
                     f"status for people with {serial} attached: {text}")


def names_never_positions(j):
    j.sandbox.lay_out()
    device = j.sandbox.device_config
    # Numbers that are not names are refused, with the names listed.
    status, result, _ = hlqctl(j, "set", "printer.port=2", "logging.level=4", "--json")
    reasons = {entry["key"]: entry["reason"] for entry in result["results"]}
    expect_equal(status, 3, f"bare numbers: {result}")
    require("/dev/ttyS11" in reasons["printer.port"] and "warning" in reasons["logging.level"],
            f"the refusals list the names: {reasons}")
    # A code page named by a number is that name (a JSON integer too); a
    # position only as #N; a port by its short name.
    status, result, errors = hlqctl(j, "apply", "-", "--json",
                                    data='{"printer.code-page": 1252, "printer.port": "ttyS11"}')
    expect_equal((status, statuses(result)), (0, {"printer.code-page": "stored",
                                                  "printer.port": "stored"}), f"apply ({errors})")
    expect_equal((text_of(device, "Printer_Configuration", "Code_Page"),
                  text_of(device, "Ports_Configuration", "PRINTER_USB")),
                 ("18", "/dev/ttyS11"), "the code page 1252 and the port ttyS11")
    status, result, _ = hlqctl(j, "set", "printer.code-page=#5", "--json")
    expect_equal((status, result["results"][0]["after"]), (0, "Generic"), "the position #5")


def hostile_input_is_refused(j):
    j.sandbox.lay_out()
    before = {path: state(path) for path in (j.sandbox.device_config, j.sandbox.logging_config)}
    # A text holding NUL is refused whole, never cut and reported as stored.
    status, result, _ = hlqctl(j, "apply", "-", "--json",
                               data='{"msr.head-wrapper": "AB\\u0000<evil>"}')
    expect_equal((status, result["results"][0]["status"]), (3, "refused"), "a text holding NUL")
    for data, what in (("[" * 50000 + "]" * 50000, "deep nesting"), ("{" + " " * 2**21 + "}", "2 MiB"),
                       ('{"printer.port": ', "a cut object"), ("", "nothing")):
        status, _, errors = hlqctl(j, "apply", "-", data=data)
        expect_equal(status, 2, f"{what}: {errors}")
        require("json.exception" not in errors and "hlqctl: " in errors, f"{what}'s message: {errors}")
    status, _, errors = hlqctl(j, "apply", os.path.join(j.sandbox.root, "no-such-file"))
    expect_equal(status, 2, f"a missing input file: {errors}")
    expect_equal({path: state(path) for path in before}, before, "files after hostile input")


# Completion as bash calls it: the line split into COMP_WORDS at blanks and
# at the "=" of COMP_WORDBREAKS, the cursor at the end.
COMPLETION = r"""
source "$1"
complete_line() {
  COMP_LINE=$1 COMP_POINT=${#1}
  COMP_WORDBREAKS=$' \t\n"\'@><=;|&(:'
  read -ra COMP_WORDS <<<"${1//=/ = }"
  [[ $1 == *[=\ ] ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  _hlqctl hlqctl "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
  printf '%s|' "${COMPREPLY[@]}"; echo
}
complete_line 'hlqctl set logging.level=de'
complete_line 'hlqctl set --check msr.track1-enabled='
complete_line 'hlqctl set printer.code-page=Pri'
complete_line 'hlqctl set cash-drawer.port=n'
complete_line 'hlqctl set logging.le'
"""


def completion_completes_values(j):
    j.sandbox.lay_out()
    folder = os.path.join(j.sandbox.root, "completion-bin")
    os.makedirs(folder)
    os.symlink(os.path.abspath(j.args.hlqctl), os.path.join(folder, "hlqctl"))
    done = subprocess.run(["bash", "-c", COMPLETION, "completion",
                           os.path.join(j.args.source, "packaging", "hlqctl.bash-completion")],
                          capture_output=True, text=True, timeout=60,
                          env=dict(os.environ, PATH=folder + ":" + os.environ["PATH"]))
    expect_equal(done.stdout.splitlines(),
                 ["debug|", "true|false|", "Printer\\ Default|", "none|", "logging.level=|"],
                 f"completions ({done.stderr})")


def module_check_mode_follows_hlqctl_check(j):
    """The collection's check mode, on hlqctl's real answers: changed exactly
    when hlqctl --check would change something, that is, when the store
    that follows does; the diff names each file."""
    sys.path.insert(0, os.path.join(j.args.source, "ansible", "plugins", "module_utils"))
    import hlqctl as module_utils
    j.sandbox.lay_out()
    box = j.sandbox
    for values, files in (({"logging.level": "info", "msr.track1-enabled": True}, []),
                          ({"logging.level": "error", "printer.code-page": 1252},
                           [box.logging_config, box.device_config])):
        data = json.dumps(module_utils.values_as_given(values))
        outcomes = []
        for check in (True, False):
            status, answer, _ = hlqctl(j, *module_utils.apply_arguments(check), "--no-ask-password",
                                       data=data)
            outcomes.append(module_utils.apply_outcome(status, json.dumps(answer), "", check))
        expect_equal([o["changed"] for o in outcomes], [bool(files)] * 2, f"changed for {values}")
        expect_equal(sorted(d["before_header"] for d in outcomes[0]["diff"]),
                     sorted(f"{path} (stored)" for path in files), f"the diff's files for {values}")


JOURNEYS = [
    ("hlqctl: show --json applies back; unchanged values touch no file", show_apply_round_trip),
    ("hlqctl: --check and a refused value write nothing", check_and_refusal_write_nothing),
    ("hlqctl: many at once beside the window's Apply lose nothing",
     concurrent_writers_lose_nothing),
    ("hlqctl: status tells a swapped printer from the configured one",
     status_tells_a_swapped_printer),
    ("hlqctl: names, never silent positions", names_never_positions),
    ("hlqctl: NUL, deep, endless and cut input refused", hostile_input_is_refused),
    ("hlqctl: completion completes values after =", completion_completes_values),
    ("hlqctl: the collection's check mode is changed exactly when --check would change",
     module_check_mode_follows_hlqctl_check),
]
