"""How the collection's modules read hlqctl's answers: Ansible's changed,
diff and failed from the JSON and exit status of `hlqctl apply`."""

import importlib.util
import json
import os
import unittest

SOURCE = os.path.join(os.path.dirname(__file__), "..", "..", "ansible", "plugins", "module_utils",
                      "hlqctl.py")
spec = importlib.util.spec_from_file_location("hlqctl", SOURCE)
hlqctl = importlib.util.module_from_spec(spec)
spec.loader.exec_module(hlqctl)


def answer(changed, *results):
    keys = ("key", "before", "after", "status", "reason")
    return json.dumps({"changed": changed, "results": [dict(zip(keys, r)) for r in results]})


PORT_STORED = ("printer.port", "/dev/ttyS10", "/dev/ttyS11", "stored", "")
TRACK_HELD = ("msr.track1-enabled", True, True, "unchanged", "")


class ApplyOutcome(unittest.TestCase):
    def test_changed_and_diff_name_only_the_values_stored(self):
        done = hlqctl.apply_outcome(0, answer(True, PORT_STORED, TRACK_HELD), "", False)
        self.assertEqual((done["changed"], done["failed"]), (True, False))
        self.assertEqual(done["changed_keys"], ["printer.port"])
        self.assertEqual((done["diff"]["before"], done["diff"]["after"]),
                         ({"printer.port": "/dev/ttyS10"}, {"printer.port": "/dev/ttyS11"}))
        again = hlqctl.apply_outcome(0, answer(False, TRACK_HELD), "", False)
        self.assertEqual((again["changed"], again["diff"]["after"]), (False, {}))

    def test_check_mode_reports_every_value_that_would_change(self):
        would = [("printer.port", "/dev/ttyS10", "/dev/ttyS11", "would-change", ""),
                 ("logging.level", "info", "warning", "would-change", "")]
        done = hlqctl.apply_outcome(0, answer(False, TRACK_HELD, *would), "", True)
        self.assertEqual((done["changed"], done["failed"]), (True, False))
        self.assertEqual(done["changed_keys"], ["printer.port", "logging.level"])
        self.assertEqual(done["diff"]["after"], {"printer.port": "/dev/ttyS11", "logging.level": "warning"})
        self.assertIn("--check", hlqctl.apply_arguments(True))
        self.assertNotIn("--check", hlqctl.apply_arguments(False))
        self.assertIn("--no-ask-password", hlqctl.apply_arguments(False))

    def test_refused_or_unauthorised_values_fail_with_their_reasons(self):
        refused = ("msr.end-sentinel", "?", "ab", "refused", "must be one character")
        done = hlqctl.apply_outcome(3, answer(False, refused, TRACK_HELD), "", False)
        self.assertEqual((done["changed"], done["failed"]), (False, True))
        self.assertEqual(done["msg"], "msr.end-sentinel: must be one character")
        denied = [(key, "x", "y", "not-stored", "not authorised: no rule") for key in ("a.b", "c.d")]
        done = hlqctl.apply_outcome(4, answer(False, *denied), "", False)
        self.assertEqual((done["changed"], done["msg"]), (False, "a.b, c.d: not authorised: no rule"))
        # A value stored before another failed is changed and failed both.
        lost = ("logging.level", "info", "warning", "not-stored", "disk full")
        done = hlqctl.apply_outcome(6, answer(True, PORT_STORED, lost), "", False)
        self.assertEqual((done["changed"], done["failed"]), (True, True))
        self.assertEqual(done["changed_keys"], ["printer.port"])

    def test_an_answer_without_results_fails_with_what_hlqctl_said(self):
        done = hlqctl.apply_outcome(2, "", "hlqctl: unknown key printer.nope\n", False)
        self.assertEqual((done["changed"], done["failed"]), (False, True))
        self.assertIn("unknown key printer.nope", done["msg"])
        self.assertTrue(hlqctl.apply_outcome(0, "[]", "", False)["failed"])

    def test_restart_only_when_asked_and_a_value_was_stored(self):
        stored = hlqctl.apply_outcome(0, answer(True, PORT_STORED), "", False)
        held = hlqctl.apply_outcome(0, answer(False, TRACK_HELD), "", False)
        would = hlqctl.apply_outcome(0, answer(False, PORT_STORED[:3] + ("would-change", "")), "", True)
        self.assertEqual([hlqctl.restart_wanted(stored, "if-changed", False),
                          hlqctl.restart_wanted(held, "if-changed", False),
                          hlqctl.restart_wanted(would, "if-changed", True),
                          hlqctl.restart_wanted(stored, "never", False)], [True, False, False, False])

    def test_restart_failure_fails_the_task_and_keeps_what_was_stored(self):
        done = hlqctl.add_restart(hlqctl.apply_outcome(0, answer(True, PORT_STORED), "", False), 7,
                                  "exit status 1")
        self.assertEqual((done["changed"], done["failed"], done["restarted"]), (True, True, False))
        self.assertIn("the restart of kwn failed: exit status 1", done["msg"])

    def test_values_of_no_scalar_kind_are_refused_before_hlqctl_runs(self):
        for value in (None, [1], {"a": 1}, 1.5):
            self.assertIsNotNone(hlqctl.refusal_of_values({"printer.port": value}), value)
        self.assertIsNone(hlqctl.refusal_of_values({"a.b": True, "c.d": 2, "e.f": "x"}))


if __name__ == "__main__":
    unittest.main()
