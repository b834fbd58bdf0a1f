#!/usr/bin/python3
"""End-to-end journeys through the real tool, driven from outside as a
technician would use it: through the accessibility bus with real pointer
and keyboard events, against a sandbox root with the sample configuration,
a stand-in systemctl, emulated USB devices and a published code page record.

Run under an X server and a session bus of its own, e.g.
  xvfb-run -a dbus-run-session -- /usr/bin/python3 journeys.py --tool ... --root ...
Each journey prints one closing line; the last line counts them.
"""

import argparse
import os
import sys
import traceback

# The helper modules beside this file, without leaving compiled copies in
# the source tree.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import pyatspi  # noqa: E402

import command_line  # noqa: E402
from checks import expect_equal, require  # noqa: E402
from journey import Journey  # noqa: E402
from sandbox import element, text_of  # noqa: E402
from ui import (choose, is_checked, is_editable, is_sensitive, is_showing,  # noqa: E402
                items_of, selected_item, text_of as entry_text, type_into)
from ui import _descendant as find_descendant  # noqa: E402
from waiting import wait_until  # noqa: E402
from x11 import XWindows  # noqa: E402

DEVICE = "Ports_Configuration"
PRINTER = "Printer_Configuration"
MSR = "MSR_Configuration"
LOGGING = "Logging_Configuration"


def logging_apply_and_restart(j, systemctl_status=0, result="KWN Service Restarted"):
    j.sandbox.lay_out(systemctl_status)
    tool = j.start_window()
    page = tool.window.open_tab("Logging")
    level = page.labelled("Log level:")
    expect_equal(selected_item(level), "Info", "stored log level shown")
    choose(level, "Error")
    require(not is_checked(page.toggle("Cash drawer")), "Cash drawer module still on")
    j.apply(tool, page, "Logging Settings Applied", "Logging Configuration")

    path = j.sandbox.logging_config
    expect_equal(text_of(path, LOGGING, "Log_Level"), "4", "Log_Level")
    expect_equal(text_of(path, LOGGING, "Module_CD"), "false", "Module_CD")
    for key in ("Module_Service", "Module_LD", "Module_MSR", "Module_PRINTER_USB"):
        expect_equal(text_of(path, LOGGING, key), "true", key)
    require(os.path.exists(j.sandbox.lock_file), "no lock file while the tool runs")
    j.close_and_restart(tool, result)


def logging_restart_fails(j):
    logging_apply_and_restart(j, systemctl_status=1, result="Unable to restart the KWN service")


# A printer of the fourth vendor, which publishes its own code pages, with a
# product ID below 0x1000 (shown with its leading zeros).
CODEPAGE_PRINTER = "4e92:00a7:PRN-4E92-0042"
OWN_CODEPAGES = ["437", "850", "852", "1252", "Printer Default"]
PREDEFINED_CODEPAGES = [
    "437", "858", "863", "860", "865", "Generic", "869", "857", "864", "867", "852", "848", "866",
    "872", "775", "861", "1250", "1251", "1252", "1253", "1254", "1255", "1256", "1257", "1258",
    "Printer Default"]


def expect_codepages(j, codepage, items, selected):
    wait_until(lambda: items_of(codepage) == items, 10, f"the code page list {items}",
               seen=lambda: (items_of(codepage), j.sandbox.record_state()))
    expect_equal(selected_item(codepage), selected, "selected code page")


def printer_codepages_and_mode(j):
    j.sandbox.lay_out()
    j.publish_codepages([437, 850, 852, 1252])
    tool = j.start_window(devices=[CODEPAGE_PRINTER])
    page = tool.window.open_tab("Printer")
    usb = page.group("USB identification")
    expect_equal(entry_text(usb.labelled("Product ID:")), "00a7", "product ID shown")
    expect_equal(entry_text(usb.labelled("Vendor ID:")), "4e92", "vendor ID shown")
    expect_equal(entry_text(usb.labelled("Serial number:")), "PRN-4E92-0042", "serial shown")
    expect_equal(selected_item(page.labelled("Port:")), "/dev/ttyS10", "stored port shown")
    mode = page.labelled("Emulation mode:")
    codepage = page.labelled("Code page:")
    expect_equal(selected_item(mode), "Native", "stored emulation mode shown")
    expect_codepages(j, codepage, OWN_CODEPAGES, "437")  # stored position 0

    # Another mode: the fixed list, its second item selected.
    choose(mode, "Compatible B")
    expect_codepages(j, codepage, PREDEFINED_CODEPAGES, "858")
    choose(codepage, "Generic")
    require(is_checked(page.toggle("Unsolicited status")), "Unsolicited status not on")
    j.apply(tool, page, "Printer Settings Applied", "Printer Configuration")
    path = j.sandbox.device_config
    expect_equal(text_of(path, PRINTER, "Emulation_Mode"), "2", "Emulation_Mode")
    expect_equal(text_of(path, PRINTER, "Code_Page"), "5", "Code_Page (position of Generic)")
    expect_equal(text_of(path, PRINTER, "Unsolicited_Status"), "1", "Unsolicited_Status")

    # Back to mode 0: the printer's own list again; the position is stored.
    choose(mode, "Native")
    expect_codepages(j, codepage, OWN_CODEPAGES, "850")
    choose(codepage, "1252")
    j.apply(tool, page, "Printer Settings Applied", "Printer Configuration")
    expect_equal(text_of(path, PRINTER, "Emulation_Mode"), "0", "Emulation_Mode")
    expect_equal(text_of(path, PRINTER, "Code_Page"), "3", "Code_Page (position of 1252)")
    port = element(path, DEVICE, "PRINTER_USB")
    expect_equal(port.text, "/dev/ttyS10", "PRINTER_USB")
    expect_equal(dict(port.attrib),
                 {"PID": "00a7", "VID": "4e92", "Serial_Number": "PRN-4E92-0042"},
                 "PRINTER_USB attributes")
    j.close_and_restart(tool, "KWN Service Restarted")  # two Applies, one restart


HEAD_TEXT = "H<&>1"  # characters that the file must escape


def expect_msr_state(page, head_text):
    every = page.check_box("After every track")
    require(is_checked(every), "'After every track' is off")
    for track in ("After track 1", "After track 2", "After track 3"):
        require(not is_sensitive(page.check_box(track)), f"'{track}' can be changed")
    require(is_checked(page.check_box("Head wrapper")), "'Head wrapper' is off")
    head = page.labelled("Head text:")
    require(is_editable(head), "the head text cannot be edited")
    expect_equal(entry_text(head), head_text, "head text")
    require(not is_checked(page.check_box("Tail wrapper")), "'Tail wrapper' is on")
    require(not is_editable(page.labelled("Tail text:")), "the tail text can be edited")


def msr_settings_survive_a_restart(j):
    j.sandbox.lay_out()
    tool = j.start_window()
    page = tool.window.open_tab("MSR")
    per_track = page.check_box("After track 2")
    require(is_sensitive(per_track), "per-track box insensitive at the start")
    require(is_checked(page.toggle("After every track")), "'After every track' still off")
    wait_until(lambda: not is_sensitive(per_track), 10, "the per-track boxes to be greyed out")
    head = page.labelled("Head text:")
    require(not is_editable(head), "head text editable while its wrapper is off")
    require(is_checked(page.toggle("Head wrapper")), "'Head wrapper' still off")
    wait_until(lambda: is_editable(head), 10, "the head text to become editable")
    type_into(head, HEAD_TEXT)
    j.apply(tool, page, "MSR Settings Applied", "MSR Configuration")

    path = j.sandbox.device_config
    expect_equal(text_of(path, MSR, "CR_Enabled"), "1", "CR_Enabled")
    expect_equal(text_of(path, MSR, "Track2_CR_Enabled"), "0", "Track2_CR_Enabled")
    expect_equal(text_of(path, MSR, "Head_Wrapper"), HEAD_TEXT, "Head_Wrapper")
    expect_equal(text_of(path, MSR, "Head_Wrapper_Bk"), "", "Head_Wrapper_Bk")
    expect_equal(text_of(path, MSR, "Head_Wrapper_Chbx"), "1", "Head_Wrapper_Chbx")
    expect_equal(text_of(path, MSR, "Tail_Wrapper_Chbx"), "0", "Tail_Wrapper_Chbx")
    j.close_and_restart(tool, "KWN Service Restarted")

    again = j.start_window()
    expect_msr_state(again.window.open_tab("MSR"), HEAD_TEXT)
    # Closed without an Apply: no message, no second restart.
    j.close_window(again)
    j.expect_clean_exit(again)
    expect_equal(j.sandbox.systemctl_calls(), ["restart kwn"], "systemctl calls")


CASH_DRAWERS = {("0c01", "1a0b", "CD-A1"), ("00c6", "2c4e", "CD-B2")}
LINE_DISPLAY = ("0d02", "3d71", "LD-7")


def shown_device(group):
    return tuple(entry_text(group.labelled(label))
                 for label in ("Product ID:", "Vendor ID:", "Serial number:"))


def expect_cleared(fields, what):
    wait_until(lambda: all(entry_text(f) == "" for f in fields), 10, f"{what} to be emptied")


def clear_and_apply(j, tool, tab, groups, stored_port, message, title):
    """Sees the discovered devices and the stored port, presses Clear and
    Apply. `groups` maps a group title to its labels' field names."""
    page = tool.window.open_tab(tab)
    port = page.labelled("Port:")
    expect_equal(selected_item(port), stored_port, f"{tab}: stored port shown")
    fields = [page.group(g).labelled(label) for g, labels in groups for label in labels]
    page.press("Clear")
    wait_until(lambda: selected_item(port) == "None", 10, f"{tab}: the port to be None")
    expect_cleared(fields, f"{tab}: the device fields")
    j.apply(tool, page, message, title)


def expect_no_port(port, what):
    # "None" is stored as a blank; the attribute writes that follow reload the
    # file, and the XML parser drops a text of white space alone, so the
    # element may be left empty. Both read back as no port.
    require(port.text in (None, " "), f"{what}: expected ' ' or no text, got {port.text!r}")


def cash_drawer_and_line_display_cleared(j):
    j.sandbox.lay_out()
    devices = ["1a0b:0c01:CD-A1", "2c4e:00c6:CD-B2", "3d71:0d02:LD-7"]
    tool = j.start_window(devices=devices)
    labels = ("Product ID:", "Vendor ID:", "Serial number:")

    page = tool.window.open_tab("Cash Drawer")
    shown = {shown_device(page.group("Cash drawer 1")), shown_device(page.group("Cash drawer 2"))}
    expect_equal(shown, CASH_DRAWERS, "cash drawers shown")
    clear_and_apply(j, tool, "Cash Drawer", [("Cash drawer 1", labels), ("Cash drawer 2", labels)],
                    "/dev/ttyS15", "Cash Drawer Settings Applied", "Cash Drawer Configuration")

    page = tool.window.open_tab("Line Display")
    expect_equal(shown_device(page.group("USB identification")), LINE_DISPLAY,
                 "line display shown")
    clear_and_apply(j, tool, "Line Display", [("USB identification", labels)],
                    "/dev/ttyS18", "Line Display Settings Applied", "Line Display Configuration")

    path = j.sandbox.device_config
    drawers = element(path, DEVICE, "CD_USB")
    expect_no_port(drawers, "CD_USB")
    expect_equal(dict(drawers.attrib), {k: "" for k in ("PID", "VID", "Serial_Number", "PID_2",
                                                         "VID_2", "Serial_Number_2")},
                 "CD_USB attributes")
    display = element(path, DEVICE, "LD_USB")
    expect_no_port(display, "LD_USB")
    expect_equal(dict(display.attrib), {"PID": "", "VID": "", "Serial_Number": ""},
                 "LD_USB attributes")
    expect_equal(text_of(path, DEVICE, "PRINTER_USB"), "/dev/ttyS10", "PRINTER_USB untouched")
    expect_equal(text_of(path, DEVICE, "MSR_USB"), "/dev/ttyS20", "MSR_USB untouched")
    j.close_and_restart(tool, "KWN Service Restarted")

    # The next start reads the stored ports back as None.
    again = j.start_window(devices=devices)
    for tab in ("Cash Drawer", "Line Display"):
        port = again.window.open_tab(tab).labelled("Port:")
        expect_equal(selected_item(port), "None", f"{tab}: port after a restart")
    j.close_window(again)
    j.expect_clean_exit(again)


def second_instance_refused(j):
    j.sandbox.lay_out()
    first = j.start_window()
    second = j.start()
    refusal = j.message(second, "Sorry! There is another instance of  HLQ Configurtion Tool Runnig",
                        "Another Instance of HLQ Config Tool Runnig")
    require(not any(child.getRole() == pyatspi.ROLE_FRAME and is_showing(child)
                    for child in second.app), "the second instance shows its window")
    refusal.ok()
    expect_equal(second.wait_exit(), 0, "exit status of the second instance")
    require(os.path.exists(j.sandbox.lock_file), "the first instance's lock file was removed")

    # The first instance goes on as if nothing had happened.
    page = first.window.open_tab("Logging")
    require(not is_checked(page.toggle("Service")), "Service module still on")
    j.apply(first, page, "Logging Settings Applied", "Logging Configuration")
    expect_equal(text_of(j.sandbox.logging_config, LOGGING, "Module_Service"), "false",
                 "Module_Service")
    j.close_and_restart(first, "KWN Service Restarted")


def interrupt_after_apply(j):
    j.sandbox.lay_out()
    tool = j.start_window()
    page = tool.window.open_tab("Logging")
    require(not is_checked(page.toggle("MSR")), "MSR module still on")
    j.apply(tool, page, "Logging Settings Applied", "Logging Configuration")
    tool.interrupt()
    # A message box would hold the tool until answered: it ends on its own.
    j.expect_clean_exit(tool)
    expect_equal(j.sandbox.systemctl_calls(), [], "systemctl calls")
    expect_equal(text_of(j.sandbox.logging_config, LOGGING, "Module_MSR"), "false",
                 "Module_MSR (applied before the interrupt)")


def refused_field(tab, group, label, typed, reason, toggle=None):
    """A text its rule refuses, typed as a technician would: the field says
    why (its accessible description, which a screen reader reads), the
    page's Apply is greyed out and the page shows the reason, and nothing is
    written. Emptied again, the field and Apply are as before."""
    def journey(j):
        j.sandbox.lay_out()
        before = {path: open(path, "rb").read()
                  for path in (j.sandbox.device_config, j.sandbox.logging_config)}
        tool = j.start_window()
        page = tool.window.open_tab(tab)
        if toggle:
            require(is_checked(page.toggle(toggle)), f"'{toggle}' still off")
        field = (page.group(group) if group else page).labelled(label)
        apply = page.button("Apply")
        require(is_sensitive(apply), "Apply greyed out before anything was typed")
        type_into(field, typed)
        wait_until(lambda: not is_sensitive(apply), 10, "Apply to be greyed out")
        require(reason in field.description, f"the field's description: {field.description!r}")
        named = label.rstrip(":") + ": "
        shown = find_descendant(page.root, lambda a: a.getRole() == pyatspi.ROLE_LABEL and
                                named in a.name and reason in a.name, "the reason on the page")
        require(is_showing(shown), "the reason on the page is not shown")
        field.queryEditableText().setTextContents("")
        wait_until(lambda: is_sensitive(apply), 10, "Apply to be usable again",
                   seen=lambda: (entry_text(field), field.description))
        wait_until(lambda: reason not in field.description, 10, "the emptied field's reason to go",
                   seen=lambda: (entry_text(field), field.description, field.name))
        j.close_window(tool)
        j.expect_clean_exit(tool)
        for path, content in before.items():
            require(open(path, "rb").read() == content, f"{path} was written")
        expect_equal(j.sandbox.systemctl_calls(), [], "systemctl calls")
    return journey


JOURNEYS = [
    ("Printer: own code pages, mode change, apply twice", printer_codepages_and_mode),
    ("Logging: apply, close, one restart", logging_apply_and_restart),
    ("Logging: apply, close, restart fails", logging_restart_fails),
    ("MSR: carriage return and head wrapper survive a restart", msr_settings_survive_a_restart),
    ("Cash Drawer and Line Display: Clear, Apply", cash_drawer_and_line_display_cleared),
    ("Second instance refused while the first runs on", second_instance_refused),
    ("Interrupt after an Apply: no message, no restart", interrupt_after_apply),
    ("Refused: a wrapper text of blanks", refused_field(
        "MSR", None, "Head text:", "   ", "blanks alone", toggle="Head wrapper")),
    ("Refused: a USB ID that is not hexadecimal", refused_field(
        "Cash Drawer", "Cash drawer 1", "Product ID:", "0a1g", "such as 0a1b")),
    ("Refused: a serial number over 255 characters", refused_field(
        "Line Display", "USB identification", "Serial number:", "S" * 256,
        "at most 255 printable ASCII")),
] + command_line.JOURNEYS


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tool", required=True, help="the tool built with the sandbox root")
    parser.add_argument("--usb-tool", required=True, help="the same tool with emulated USB devices")
    parser.add_argument("--publisher", required=True, help="hlq_publish_codepages")
    parser.add_argument("--hlqctl", required=True, help="the command line built with the sandbox root")
    parser.add_argument("--hlqctl-usb", required=True,
                        help="the command line with emulated USB devices")
    parser.add_argument("--root", required=True, help="the sandbox root the tools were built with")
    parser.add_argument("--source", required=True, help="the source tree (ui/, data/)")
    parser.add_argument("--only", help="run only the journeys whose name holds this text")
    args = parser.parse_args()

    xwindows = XWindows()
    passed = failed = 0
    for name, run in JOURNEYS:
        if args.only and args.only not in name:
            continue
        journey = Journey(args, xwindows)
        try:
            run(journey)
            passed += 1
            print(f"PASS  {name}", flush=True)
        except Exception:
            failed += 1
            print(f"FAIL  {name}", flush=True)
            traceback.print_exc()
            for tool in journey.tools:
                print(f"--- output of the tool (pid {tool.popen.pid}):\n{tool.text_output()}")
        finally:
            journey.finish()
    xwindows.close()
    print(f"{passed} passed, {failed} failed", flush=True)
    return 0 if failed == 0 and passed > 0 else 1


if __name__ == "__main__":
    sys.exit(main())
