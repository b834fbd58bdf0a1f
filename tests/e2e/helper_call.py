#!/usr/bin/python3
"""Calls the privileged helper on the system bus as whoever runs it, and
prints the answer in GVariant text, or the D-Bus error's name and message;
exits with 0 for an answer, 1 for an error.

  helper_call.py WriteValues FILE VALUES [LOCALE]   VALUES: a(ssss) in GVariant text
  helper_call.py WriteRaw FILE HEX [LOCALE]         the values argument's bytes as given
  helper_call.py ReadValues FILE [LOCALE]
  helper_call.py RestartDaemon
  helper_call.py Flood COUNT VALUES TEXT LOCALE
      COUNT WriteValues calls on this one connection without waiting for
      their answers (at most 100 outstanding), each with VALUES values of
      MSR_Configuration/Head_Wrapper = TEXT and the locale LOCALE, where
      "{i}" is replaced by the call's number; prints each answer's error
      name ("answered" for a result) on a line of its own as it comes;
      a TEXT or LOCALE "@N" stands for N bytes of "x"

--no-interactive leaves out the interactive-authorisation flag, which is
set otherwise, as the window sets it. --after-line waits for a line on
standard input before calling, so that a test can first register a polkit
agent for this process (password_prompt.py). --timed prints how long the
call took, in seconds, on a line of its own after the answer.
"""

import sys
import time

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


def sized(text):
    return "x" * int(text[1:]) if text.startswith("@") else text


def flood(bus, flags, count, values, text, locale):
    """Makes the calls, at most 100 waiting at once (the system bus allows a
    connection only so many calls waiting for their answers)."""
    text, locale = sized(text), sized(locale)
    loop = GLib.MainLoop()
    state = {"sent": 0, "waiting": 0}
    items = [("MSR_Configuration", "Head_Wrapper", "", text)] * values
    argument = GLib.Variant.new_from_bytes(
        GLib.VariantType.new("ay"),
        GLib.Variant("a(ssss)", items).get_data_as_bytes(), True)

    def answered(connection, result, _):
        try:
            connection.call_finish(result)
            print("answered", flush=True)
        except GLib.Error as error:
            print(Gio.DBusError.get_remote_error(error) or error.message, flush=True)
        state["waiting"] -= 1
        send()

    def send():
        while state["sent"] < count and state["waiting"] < 100:
            parameters = GLib.Variant.new_tuple(
                GLib.Variant("s", "device"), argument,
                GLib.Variant("s", locale.replace("{i}", str(state["sent"]))))
            bus.call(NAME, PATH, NAME, "WriteValues", parameters, None, flags, 120000, None,
                     answered, None)
            state["sent"] += 1
            state["waiting"] += 1
        if state["waiting"] == 0:
            loop.quit()

    send()
    loop.run()
    return 0


def main():
    options = ("--no-interactive", "--after-line", "--timed")
    argv = [a for a in sys.argv[1:] if a not in options]
    flags = Gio.DBusCallFlags.NONE if "--no-interactive" in sys.argv else \
        Gio.DBusCallFlags.ALLOW_INTERACTIVE_AUTHORIZATION
    bus = Gio.bus_get_sync(Gio.BusType.SYSTEM, None)
    if "--after-line" in sys.argv:
        sys.stdin.readline()
    if argv[0] == "Flood":
        return flood(bus, flags, int(argv[1]), int(argv[2]), argv[3], argv[4])
    method, parameters = arguments(argv[0], argv[1:])
    start = time.monotonic()
    status = 0
    try:
        reply = bus.call_sync(NAME, PATH, NAME, method, parameters, None, flags, 120000, None)
        print(reply.print_(True))
    except GLib.Error as error:
        print(Gio.DBusError.get_remote_error(error) or "", error.message)
        status = 1
    if "--timed" in sys.argv:
        print(f"{time.monotonic() - start:.3f}")
    return status


if __name__ == "__main__":
    sys.exit(main())
