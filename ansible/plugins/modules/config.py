#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: (c) 2026, the hlqconfig authors
# GNU General Public License v3.0+ (see COPYING or https://www.gnu.org/licenses/gpl-3.0.txt)
# The module hlq.kwn.config: stores settings of kwn on a terminal through
# `hlqctl apply`, reporting changed only for values it stored.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: config
short_description: Set the settings of the point-of-sale peripheral daemon kwn
description:
  - Stores settings of the peripheral daemon C(kwn) in its two configuration files in
    C(/opt/pemo/hlq) through the command line C(hlqctl) of the package C(hlqconfig), with the
    same checks, the same crash-safe save and the same privileged helper as the configuration
    window.
  - Runs C(hlqctl apply - --json --no-ask-password) (with C(--check) in check mode) in the
    C(C.UTF-8) locale and reads only its JSON answer. In check mode the task is changed exactly
    when C(hlqctl --check) would change something; C(hlqctl --check) also asks polkit whether the
    store would be allowed, so that check mode fails where the store would. Only values that differ from the stored
    ones are written, each file at most once; a file with nothing to change is not touched.
  - The task is changed exactly when a value was stored. In check mode nothing is written and
    every value that would change is reported, not only the first one.
  - A refused value (one that the configuration window could not store either) fails the
    terminal with C(hlqctl)'s reason, and nothing is written there.
  - Run as root, C(hlqctl) writes the files itself. Run as another user, it hands the values to
    the privileged helper, which asks polkit for the action C(org.hlqconfig.hlqconfig.configure);
    it never asks for a password, so without a polkit rule that grants the action to that user
    the task fails at once with a reason starting with C(not authorised).
version_added: 1.1.0
author:
  - hlqconfig maintainers (@hlqconfig)
requirements:
  - On the terminal, Python 3.7 or later and the package C(hlqconfig) (C(/usr/bin/hlqctl)); no
    Python library.
options:
  values:
    description:
      - Settings by their C(hlqctl) key, the shape that C(hlqctl show --json) prints, for example
        C(printer.port), C(msr.track1-enabled) or C(logging.level). C(hlqctl keys) lists them all.
      - Keys left out are not touched.
      - >-
        Booleans as C(true)/C(false); ports as C(none), the device path or its short name
        (C(ttyS11)); selector choices by their stable names (C(native), C(warning)), a position
        only as C(#2); the code page by its name (C(437) or C(Printer Default)); sentinels,
        wrapper texts, USB IDs and serial numbers as texts.
      - >-
        A whole number is passed as the name its digits spell, never as a position, so that
        the value 850 of C(printer.code-page) is the code page 850, and the value 2 of
        C(printer.port) is refused.
    type: dict
    required: true
  restart:
    description:
      - C(never) leaves the restart of C(kwn) to a handler notified by this task (see the
        examples).
      - C(if-changed) runs C(hlqctl restart --no-ask-password) at once when a value was stored,
        also when another value of the same task could not be stored, and never in check mode.
    type: str
    choices: [never, if-changed]
    default: never
extends_documentation_fragment:
  - ansible.builtin.action_common_attributes
attributes:
  check_mode:
    support: full
  diff_mode:
    support: full
    details: >-
      The keys that changed (or would change), with their values before and after, under the
      path of the file that holds them.
  platform:
    platforms: posix
notes:
  - >-
    A failed task notifies no handler. Where values are stored but a later task of the play
    fails on the same terminal, the notified restart still runs with C(force_handlers) (or a
    C(meta: flush_handlers) right after this task). A task that stored some values and failed on
    others notifies nothing; C(restart: if-changed) restarts C(kwn) in that case too.
seealso:
  - module: hlq.kwn.info
"""

EXAMPLES = r"""
# Printer port and MSR tracks on every terminal, in waves: one terminal first,
# then a tenth of the fleet at a time. A wave in which more than 10% of its
# terminals fail stops the roll-out. kwn restarts only where a value was
# stored, and a restart notified on a terminal runs even when a later task
# fails there.
- name: Printer and MSR settings of the store terminals
  hosts: terminals
  serial: [1, "10%"]
  max_fail_percentage: 10
  force_handlers: true
  tasks:
    - name: Settings of kwn
      hlq.kwn.config:
        values:
          printer.port: /dev/ttyS11
          msr.track1-enabled: true
          msr.track2-enabled: true
          msr.track3-enabled: false
      notify: Restart kwn
  handlers:
    - name: Restart kwn
      ansible.builtin.command: hlqctl restart --no-ask-password

# The same without a handler: kwn restarts right after a value was stored.
- name: Log level of the store terminals
  hosts: terminals
  tasks:
    - name: Warnings and worse only
      hlq.kwn.config:
        values:
          logging.level: warning
        restart: if-changed

# What would change, terminal by terminal, with nothing written:
#   ansible-playbook --check --diff fleet.yml
"""

RETURN = r"""
changed_keys:
  description: The keys whose values were stored (in check mode, would be stored).
  returned: always
  type: list
  elements: str
  sample: [printer.port, msr.track3-enabled]
per_key:
  description: The result of every key given, as C(hlqctl) reports it.
  returned: always
  type: list
  elements: dict
  contains:
    key:
      description: The key.
      type: str
    file:
      description: The path of the file that holds the value.
      type: str
    before:
      description: The value stored before; null when it could not be read.
      type: raw
    after:
      description: The value stored now (in check mode, the one that would be).
      type: raw
    status:
      description: C(stored), C(unchanged), C(refused), C(not-stored) or C(would-change).
      type: str
    reason:
      description: Why the value was refused or not stored; empty otherwise.
      type: str
  sample:
    - {key: printer.port, before: /dev/ttyS10, after: /dev/ttyS11, status: stored, reason: ""}
restart_needed:
  description: Whether a value was stored and C(kwn) still has to be restarted for it to take effect.
  returned: always
  type: bool
restarted:
  description: Whether C(kwn) was restarted by this task (only with C(restart=if-changed)).
  returned: always
  type: bool
rc:
  description: The exit status of C(hlqctl apply).
  returned: always
  type: int
"""

import json

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.hlq.kwn.plugins.module_utils import hlqctl


def main():
    module = AnsibleModule(
        argument_spec=dict(
            values=dict(type="dict", required=True),
            restart=dict(type="str", choices=["never", "if-changed"], default="never"),
        ),
        supports_check_mode=True,
    )
    values = module.params["values"]
    refusal = hlqctl.refusal_of_values(values)
    if refusal:
        module.fail_json(msg=refusal, changed=False)

    rc, stdout, stderr = hlqctl.run_hlqctl(module, hlqctl.apply_arguments(module.check_mode),
                                           json.dumps(hlqctl.values_as_given(values)))
    outcome = hlqctl.apply_outcome(rc, stdout, stderr, module.check_mode)
    outcome["restarted"] = False
    if hlqctl.restart_wanted(outcome, module.params["restart"], module.check_mode):
        rc, _, stderr = hlqctl.run_hlqctl(module, ["restart"])
        hlqctl.add_restart(outcome, rc, stderr)
        outcome["restart_needed"] = not outcome["restarted"]
    if not module._diff:
        outcome.pop("diff", None)
    if outcome.pop("failed"):
        outcome["stderr"] = stderr
        module.fail_json(**outcome)
    module.exit_json(**outcome)


if __name__ == "__main__":
    main()
