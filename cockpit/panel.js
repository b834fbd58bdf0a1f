// One tab's panel: the notice of a file not read, the controls in the
// window's groups, Apply with its message, and the devices attached.
/* exported hlqPanel */
const hlqPanel = (function () {
    "use strict";
    const _ = cockpit.gettext;
    const el = hlqFields.element;

    function render(tab, keyInfos, terminal, ui) {
        const reason = hlqStatus.unreadReason(terminal, tab.page);
        if (tab.unread) {
            tab.panel.appendChild(el("div", "hlq-notice hlq-danger",
                                     _("This file could not be read; nothing of this tab can be stored.") +
                                     (reason ? " " + reason : "")));
        }
        const form = el("form", "hlq-form");
        form.addEventListener("submit", event => { event.preventDefault(); hlqApply.applyTab(tab, ui) });
        let group = null;
        let groupName = null;
        for (const key of tab.keys) {
            const control = hlqFields.build(key, keyInfos[key], terminal.codepages);
            tab.controls[key] = control;
            const name = hlqLabels.group(key);
            if (name !== groupName) {
                groupName = name;
                group = name ? el("fieldset", "hlq-group") : form;
                if (name) {
                    group.appendChild(el("legend", "", name));
                    form.appendChild(group);
                }
            }
            group.appendChild(control.row);
        }
        const actions = el("div", "hlq-actions");
        const apply = el("button", "hlq-button hlq-primary", _("Apply"));
        apply.type = "submit";
        actions.appendChild(apply);
        tab.message = el("div", "hlq-message");
        tab.message.hidden = true;
        actions.appendChild(tab.message);
        form.appendChild(actions);
        tab.panel.appendChild(form);
        hlqDevices.render(tab, terminal);
    }

    return { render };
}());
