# -*- coding: utf-8 -*-
# Copyright: (c) 2026, the hlqconfig authors
# GNU General Public License v3.0+ (see COPYING or https://www.gnu.org/licenses/gpl-3.0.txt)
# Runs hlqctl on the terminal and turns its answers into what Ansible
# reports. Only hlqctl's JSON and exit status are read: its other output is
# translated for people and shown as it is, never parsed.

from __future__ import absolute_import, division, print_function

import json

__metaclass__ = type

# JSON is never translated, but the messages that come with a failure are
# shown to the playbook's reader: the same language on every terminal.
FIXED_LOCALE = {"LC_ALL": "C.UTF-8", "LANG": "C.UTF-8", "LANGUAGE": ""}

# What each exit status of hlqctl means, for failures that bring no reasons.
EXIT_MEANINGS = {
    2: "hlqctl did not understand the call (an unknown key or option)",
    3: "a value was refused; nothing was written",
    4: "not authorised",
    5: "a file or element could not be read",
    6: "a value could not be stored",
    7: "the restart of kwn failed",
}

FAILING_STATUSES = ("refused", "not-stored")


def run_hlqctl(module, arguments, data=None):
    """Runs hlqctl with `arguments` (and --no-ask-password, so that it never
    starts a password prompt, even where Ansible's connection opened a
    terminal); `data` on its standard input."""
    hlqctl = module.get_bin_path("hlqctl", required=True)
    return module.run_command([hlqctl] + arguments + ["--no-ask-password"], data=data,
                              binary_data=True, environ_update=FIXED_LOCALE, errors="replace")


def apply_arguments(check_mode):
    """`hlqctl apply` reading the values from its input; it never asks for a
    password, and in check mode writes nothing."""
    arguments = ["apply", "-", "--json"]
    if check_mode:
        arguments.append("--check")
    return arguments


def refusal_of_values(values):
    """Why `values` cannot be handed to hlqctl, or None. Each must be a text,
    a boolean or a number; everything else about them is hlqctl's to judge."""
    for key, value in values.items():
        if isinstance(value, float) or not isinstance(value, (str, bool, int)):
            return "%s: give a text, a boolean or a whole number, not %r" % (key, value)
    return None


def values_as_given(values):
    """The values as hlqctl takes them: a whole number (YAML's 850 or 5) as
    the name its digits spell, never a position; booleans as booleans."""
    return dict((key, str(value) if isinstance(value, int) and not isinstance(value, bool)
                 else value) for key, value in values.items())


def json_object(text):
    """The JSON object that `text` holds, or None."""
    try:
        parsed = json.loads(text)
    except ValueError:
        return None
    return parsed if isinstance(parsed, dict) else None


def failure_text(rc, stderr):
    """A failure in hlqctl's own words, else by its exit status."""
    said = (stderr or "").strip()
    meaning = EXIT_MEANINGS.get(rc, "hlqctl ended with exit status %d" % rc)
    return "%s: %s" % (meaning, said) if said else meaning


def reasons_of(results):
    """The reasons of the values that failed, each with the keys it names;
    refused values first, then those that could not be read, so that the
    cause comes before what it kept from being written."""
    keys_by_reason = {}
    for result in sorted(results, key=lambda r: (r.get("status") != "refused",
                                                 r.get("before") is not None)):
        if result.get("status") in FAILING_STATUSES:
            reason = result.get("reason") or result.get("status")
            keys_by_reason.setdefault(reason, []).append(str(result.get("key")))
    return "; ".join("%s: %s" % (", ".join(keys), reason)
                     for reason, keys in keys_by_reason.items())


def diffs_of(changing, after):
    """One diff per file: the changed keys before and after, under the
    file's path."""
    by_file = {}
    for result in changing:
        path = result.get("file") or "kwn"
        diff = by_file.setdefault(path, {"before_header": "%s (stored)" % path,
                                         "after_header": "%s (%s)" % (path, after),
                                         "before": {}, "after": {}})
        diff["before"][result.get("key")] = result.get("before")
        diff["after"][result.get("key")] = result.get("after")
    return list(by_file.values())


def apply_outcome(rc, stdout, stderr, check_mode):
    """What Ansible reports for one `hlqctl apply`: `changed` exactly when a
    value was stored (in check mode: when one would be), the changed keys
    with their values before and after as the diff, every key's result, and
    `failed` with the reasons when any value was refused or not stored."""
    answer = json_object(stdout)
    results = answer.get("results") if answer else None
    if not isinstance(results, list) or not all(isinstance(r, dict) for r in results):
        return {"changed": False, "failed": True, "rc": rc, "per_key": [], "changed_keys": [],
                "msg": failure_text(rc, stderr) if rc else "hlqctl answered no results"}
    shown = "would-change" if check_mode else "stored"
    changing = [r for r in results if r.get("status") == shown]
    if check_mode:
        # hlqctl --check says itself whether anything would change.
        changed = answer.get("would-change", bool(changing)) is True
    else:
        changed = answer.get("changed") is True or any(r.get("status") == "stored" for r in results)
    outcome = {
        "changed": changed,
        "failed": rc != 0 or any(r.get("status") in FAILING_STATUSES for r in results),
        "rc": rc,
        "per_key": results,
        "changed_keys": [r.get("key") for r in changing],
        "restart_needed": answer.get("restart-needed") is True,
        "diff": diffs_of(changing, "check mode" if check_mode else "now"),
    }
    if outcome["failed"]:
        outcome["msg"] = reasons_of(results) or failure_text(rc, stderr)
    else:
        verb = "would change" if check_mode else "stored"
        outcome["msg"] = "%d of %d values %s" % (len(changing), len(results), verb)
    return outcome


def restart_wanted(outcome, restart, check_mode):
    """Whether the task restarts kwn itself: with `restart: if-changed`,
    exactly when a value was stored (never in check mode, which stores none)."""
    return restart == "if-changed" and outcome["changed"] and not check_mode


def add_restart(outcome, rc, stderr):
    """Adds the result of `hlqctl restart` to `outcome`."""
    outcome["restarted"] = rc == 0
    if rc != 0:
        outcome["failed"] = True
        outcome["msg"] = "%s; %s" % (outcome["msg"], failure_text(rc, stderr))
    return outcome


def read_outcome(verb, rc, stdout, stderr):
    """The JSON object that `hlqctl VERB --json` printed, and why the read
    failed (None when it did not). A status that needs attention (1) is an
    answer, not a failure."""
    answer = json_object(stdout)
    if (rc == 0 or (verb == "status" and rc == 1)) and answer is not None:
        return answer, None
    failure = failure_text(rc, stderr) if rc else "hlqctl %s printed no JSON object" % verb
    return answer, "hlqctl %s: %s" % (verb, failure)
