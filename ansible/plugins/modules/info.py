#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: (c) 2026, the hlqconfig authors
# GNU General Public License v3.0+ (see COPYING or https://www.gnu.org/licenses/gpl-3.0.txt)
# The module hlq.kwn.info: what a terminal's kwn is set to, which supported
# devices are attached and which code pages its printer offers, from hlqctl.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: info
short_description: Read the settings of kwn, the attached devices and the code page list
description:
  - Reads the settings stored in the configuration files of the point-of-sale peripheral daemon
    C(kwn), the supported USB devices attached to the terminal and the printer's code page list,
    through C(hlqctl show), C(hlqctl devices) and C(hlqctl codepages) of the package
    C(hlqconfig), for reports and drift checks; and the terminal's status (C(hlqctl status)), the
    daemon's state, each file read or not, per device page whether the attached device is the
    one configured. Only their JSON is read, in the C(C.UTF-8)
    locale.
  - Changes nothing. Where the user the task runs as may not read the files, C(hlqctl) asks the
    privileged helper, which polkit must allow for that user (action
    C(org.hlqconfig.hlqconfig.read)); no password is ever asked for.
version_added: 1.1.0
author:
  - hlqconfig maintainers (@hlqconfig)
requirements:
  - On the terminal, Python 3.7 or later and the package C(hlqconfig) (C(/usr/bin/hlqctl)); no
    Python library.
options:
  page:
    description: Only the settings of this page. All pages when left out.
    type: str
    choices: [printer, cash-drawer, line-display, msr, logging]
extends_documentation_fragment:
  - ansible.builtin.action_common_attributes
attributes:
  check_mode:
    support: full
  diff_mode:
    support: none
  platform:
    platforms: posix
seealso:
  - module: hlq.kwn.config
"""

EXAMPLES = r"""
- name: What kwn is set to
  hlq.kwn.info:
  register: kwn

- name: The printer port is the fleet's
  ansible.builtin.assert:
    that: kwn.settings['printer.port'] == '/dev/ttyS11'
    fail_msg: "printer.port is {{ kwn.settings['printer.port'] }}"

- name: Serial numbers of the attached printers, for the inventory report
  ansible.builtin.debug:
    msg: "{{ kwn.devices.printer | map(attribute='serial-number') | list }}"

# One report of the fleet: the terminals that need attention, and why (an
# attached printer that is not the one configured stands out).
- name: Status of every terminal
  hlq.kwn.info:
  register: kwn

- name: Terminals that need attention
  ansible.builtin.debug:
    msg: >-
      {{ inventory_hostname }}: daemon {{ kwn.status.daemon }};
      {% for page in kwn.status.pages if page.device == 'different' %}the attached {{ page.page }}
      is not the configured one; {% endfor %}
  when: not kwn.status.healthy

# A drift check of every setting a playbook sets, with nothing written:
# run that playbook with --check --diff (hlq.kwn.config reports each value
# that differs, with what is stored and what the playbook wants).
"""

RETURN = r"""
settings:
  description:
    - The stored settings by C(hlqctl) key, as C(hlqctl show --json) prints them; null for a
      value that could not be read.
  returned: always
  type: dict
  sample: {printer.port: /dev/ttyS11, msr.track1-enabled: true, logging.level: info}
devices:
  description: The supported USB devices attached, by kind.
  returned: always
  type: dict
  sample:
    printer: [{product-id: 0a02, vendor-id: 2c4e, serial-number: PRN-77}]
    cash-drawer: []
    line-display: []
codepages:
  description: The code pages that the printer page offers now.
  returned: always
  type: list
  elements: str
  sample: ["437", "850", "Printer Default"]
status:
  description:
    - The terminal's status as C(hlqctl status --json) prints it; C(healthy) is false when
      something needs attention (the daemon not active, a file not read, an attached device
      that is not the one configured or none attached, a file changed after C(kwn) started).
  returned: always
  type: dict
  sample:
    daemon: active
    healthy: false
    pages:
      - {page: printer, port: /dev/ttyS10, port-exists: true, device: different,
         configured: {product-id: 0a02, vendor-id: 2c4e, serial-number: PRN-77},
         attached: [{product-id: 0a02, vendor-id: 2c4e, serial-number: PRN-78}]}
printers_own_codepages:
  description: Whether that list is the one the attached printer publishes.
  returned: always
  type: bool
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.hlq.kwn.plugins.module_utils import hlqctl


def main():
    module = AnsibleModule(
        argument_spec=dict(
            page=dict(type="str", choices=["printer", "cash-drawer", "line-display", "msr",
                                           "logging"]),
        ),
        supports_check_mode=True,
    )
    page = [module.params["page"]] if module.params["page"] else []
    answers, failures = {}, []
    for verb, arguments in (("show", page), ("devices", []), ("codepages", []), ("status", [])):
        rc, stdout, stderr = hlqctl.run_hlqctl(module, [verb] + arguments + ["--json"])
        answers[verb], failure = hlqctl.read_outcome(verb, rc, stdout, stderr)
        if failure:
            failures.append(failure)
    codepages = answers["codepages"] or {}
    result = dict(changed=False, settings=answers["show"] or {}, devices=answers["devices"] or {},
                  codepages=codepages.get("codepages", []),
                  printers_own_codepages=codepages.get("printers-own", False),
                  status=answers["status"] or {})
    if failures:
        module.fail_json(msg="; ".join(failures), **result)
    module.exit_json(**result)


if __name__ == "__main__":
    main()
