"""How the collection's modules read hlqctl's answers: Ansible's changed,
diff, failed and restart from the JSON and exit status of `hlqctl apply`."""

import importlib.util
import json
import os
import unittest

spec = importlib.util.spec_from_file_location("hlqctl", os.path.join(
    os.path.dirname(__file__), "../../ansible/plugins/module_utils/hlqctl.py"))
hlqctl = importlib.util.module_from_spec(spec)
spec.loader.exec_module(hlqctl)
KEYS = ("key", "before", "after", "status", "reason")
PORT = ("printer.port", "/dev/ttyS10", "/dev/ttyS11", "stored", "")
HELD = ("msr.track1-enabled", True, True, "unchanged", "")


def outcome(rc, *results, check=False):
    answer = {"changed": any(r[3] == "stored" for r in results),
              "results": [dict(zip(KEYS, r)) for r in results]}
    return hlqctl.apply_outcome(rc, json.dumps(answer), "", check)


class ApplyOutcome(unittest.TestCase):
    def test_changed_diff_and_restart_follow_the_values_stored(self):
        done, again = outcome(0, PORT, HELD), outcome(0, HELD)
        self.assertEqual((done["changed"], done["failed"], done["changed_keys"], done["diff"][0]["before"],
                          done["diff"][0]["after"], again["changed"], again["diff"]),
                         (True, False, ["printer.port"], {"printer.port": "/dev/ttyS10"},
                          {"printer.port": "/dev/ttyS11"}, False, []))
        self.assertEqual([hlqctl.restart_wanted(done, "if-changed", False),
                          hlqctl.restart_wanted(done, "never", False),
                          hlqctl.restart_wanted(again, "if-changed", False)], [True, False, False])

    def test_check_mode_reports_every_value_that_would_change_and_restarts_nothing(self):
        level = ("logging.level", "info", "warning", "would-change", "")
        done = outcome(0, PORT[:3] + ("would-change", ""), HELD, level, check=True)
        self.assertEqual((done["changed"], done["changed_keys"], done["diff"][0]["after"]),
                         (True, ["printer.port", "logging.level"],
                          {"printer.port": "/dev/ttyS11", "logging.level": "warning"}))
        self.assertFalse(hlqctl.restart_wanted(done, "if-changed", True))
        self.assertEqual(hlqctl.apply_arguments(True)[-1:], ["--check"])
        # YAML's whole numbers are names (the code page 850), never positions.
        self.assertEqual(hlqctl.values_as_given({"printer.code-page": 850, "msr.cr-enabled": True}),
                         {"printer.code-page": "850", "msr.cr-enabled": True})

    def test_failures_carry_the_reasons_and_what_was_stored(self):
        denied = outcome(4, *[(key, 1, 2, "not-stored", "not authorised: no rule") for key in "ab"])
        self.assertEqual((denied["changed"], denied["failed"], denied["msg"]),
                         (False, True, "a, b: not authorised: no rule"))
        refused = outcome(3, ("msr.end-sentinel", "?", "ab", "refused", "one character"), HELD)
        self.assertEqual((refused["failed"], refused["msg"]), (True, "msr.end-sentinel: one character"))
        missing = outcome(5, PORT[:3] + ("not-stored", "not written"), ("m.x", None, 1, "not-stored", "missing"))
        self.assertEqual(missing["msg"], "m.x: missing; printer.port: not written")
        partly = outcome(6, PORT, ("logging.level", "info", "warning", "not-stored", "disk full"))
        self.assertEqual((partly["changed"], partly["failed"], partly["changed_keys"]),
                         (True, True, ["printer.port"]))
        hlqctl.add_restart(partly, 7, "exit status 1")
        self.assertEqual((partly["restarted"], partly["msg"]),
                         (False, "logging.level: disk full; the restart of kwn failed: exit status 1"))
        usage = hlqctl.apply_outcome(2, "", "hlqctl: unknown key printer.nope\n", False)
        self.assertTrue(usage["failed"] and "unknown key printer.nope" in usage["msg"])
        for value in (None, [1], {"a": 1}, 1.5):
            self.assertIsNotNone(hlqctl.refusal_of_values({"printer.port": value}), value)
        self.assertIsNone(hlqctl.refusal_of_values({"a.b": True, "c.d": 2, "e.f": "x"}))


if __name__ == "__main__":
    unittest.main()
