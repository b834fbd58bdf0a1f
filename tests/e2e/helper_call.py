#!/usr/bin/python3
"""Calls the privileged helper on the system bus as whoever runs it, and
prints the answer in GVariant text, or the D-Bus error's name and message;
exits with 0 for an answer, 1 for an error.

  helper_call.py WriteValues FILE VALUES [LOCALE]   VALUES: a(ssss) in GVariant text
  helper_call.py WriteRaw FILE HEX [LOCALE]         the values argument's bytes as given
  helper_call.py ReadValues FILE [LOCALE]
  helper_call.py RestartDaemon

--no-interactive leaves out the interactive-authorisation flag, which is
set otherwise, as the window sets it. --after-line waits for a line on
standard input before calling, so that a test can first register a polkit
agent for this process (password_prompt.py).
"""

import sys

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

NAME = "org.hlqconfig.Helper1"
PATH = "/org/hlqconfig/Helper1"


def serialised(values_text):
    """The values as WriteValues takes them: a(ssss), serialised, as ay."""
    array = GLib.Variant.parse(GLib.VariantType.new("a(ssss)"), values_text, None, None)
    return GLib.Variant.new_from_bytes(GLib.VariantType.new("ay"), array.get_data_as_bytes(), True)


def raw(hex_text):
    return GLib.Variant.new_from_bytes(GLib.VariantType.new("ay"),
                                       GLib.Bytes.new(bytes.fromhex(hex_text)), True)


def arguments(method, rest):
    if method == "WriteValues":
        return "WriteValues", GLib.Variant.new_tuple(
            GLib.Variant("s", rest[0]), serialised(rest[1]),
            GLib.Variant("s", rest[2] if len(rest) > 2 else ""))
    if method == "WriteRaw":
        return "WriteValues", GLib.Variant.new_tuple(
            GLib.Variant("s", rest[0]), raw(rest[1]),
            GLib.Variant("s", rest[2] if len(rest) > 2 else ""))
    if method == "ReadValues":
        return "ReadValues", GLib.Variant("(ss)", (rest[0], rest[1] if len(rest) > 1 else ""))
    return method, None


def main():
    argv = [a for a in sys.argv[1:] if a not in ("--no-interactive", "--after-line")]
    flags = Gio.DBusCallFlags.NONE if "--no-interactive" in sys.argv else \
        Gio.DBusCallFlags.ALLOW_INTERACTIVE_AUTHORIZATION
    method, parameters = arguments(argv[0], argv[1:])
    bus = Gio.bus_get_sync(Gio.BusType.SYSTEM, None)
    if "--after-line" in sys.argv:
        sys.stdin.readline()
    try:
        reply = bus.call_sync(NAME, PATH, NAME, method, parameters, None, flags, 120000, None)
    except GLib.Error as error:
        print(Gio.DBusError.get_remote_error(error) or "", error.message)
        return 1
    print(reply.print_(True))
    return 0


if __name__ == "__main__":
    sys.exit(main())
