// The page: one tab per page of hlqctl's keys, filled from one run each of
// `keys`, `show` and `status`; the daemon's state and its restart; and
// read-only use where the session has no administrative access.
(function () {
    "use strict";
    const _ = cockpit.gettext;
    const el = hlqFields.element;
    const tabs = [];
    const state = { admin: null, restartWaits: false, terminal: null };
    const permission = cockpit.permission({ admin: true });

    function announce(text) {
        const live = document.getElementById("hlq-live");
        live.textContent = "";
        window.setTimeout(() => { live.textContent = text }, 50);
    }

    function say(tab, text, kind) {
        tab.message.textContent = text;
        tab.message.className = "hlq-message hlq-" + kind;
        tab.message.hidden = false;
        announce(text);
    }

    function askOverwrite(lines) {
        const dialog = document.getElementById("hlq-overwrite");
        document.getElementById("hlq-overwrite-title").textContent = _("Overwrite another writer's change?");
        document.getElementById("hlq-overwrite-text").textContent =
            _("Another program changed these values since this tab read them:");
        const list = document.getElementById("hlq-overwrite-list");
        list.replaceChildren(...lines.map(line => el("li", "", line)));
        const yes = document.getElementById("hlq-overwrite-yes");
        const no = document.getElementById("hlq-overwrite-no");
        yes.textContent = _("Overwrite");
        no.textContent = _("Cancel");
        return new Promise(resolve => {
            const done = answer => {
                yes.onclick = no.onclick = dialog.oncancel = null;
                dialog.close();
                resolve(answer);
            };
            yes.onclick = () => done(true);
            no.onclick = () => done(false);
            dialog.oncancel = () => done(false);
            dialog.showModal();
            no.focus();
        });
    }

    function writable(tab) {
        return state.admin === true && !tab.unread && !tab.busy;
    }

    function updateControls() {
        for (const tab of tabs) {
            for (const key of tab.keys) tab.controls[key].input.disabled = !writable(tab);
            for (const button of tab.panel.querySelectorAll("button")) button.disabled = !writable(tab);
        }
        const restart = document.getElementById("hlq-restart");
        if (restart) restart.disabled = state.admin !== true;
        renderNotices();
    }

    function busy(tab, on) {
        tab.busy = on;
        tab.panel.setAttribute("aria-busy", on ? "true" : "false");
        updateControls();
    }

    function fill(tab, values) {
        for (const key of tab.keys) {
            tab.read[key] = values ? values[key] : null;
            tab.controls[key].set(tab.read[key]);
        }
    }

    async function reread(tab) {
        const shown = await hlqctl.show();
        if (shown.json) fill(tab, shown.json);
    }

    const ui = {
        say,
        busy,
        askOverwrite,
        reread,
        restartWaits: () => { state.restartWaits = true; renderNotices() },
    };

    function renderNotices() {
        const notices = document.getElementById("hlq-notices");
        const parts = [];
        if (state.admin !== true && state.terminal) {
            const notice = el("div", "hlq-notice hlq-warning");
            notice.appendChild(el("p", "", _("Changing these settings needs administrative access. The values are shown as this user may read them.")));
            const button = el("button", "hlq-button hlq-secondary", _("Turn on administrative access"));
            button.type = "button";
            button.id = "hlq-get-admin";
            button.addEventListener("click", askForAdmin);
            notice.appendChild(button);
            parts.push(notice);
        }
        if (state.restartWaits) {
            parts.push(el("div", "hlq-notice hlq-info", _("A stored change takes effect when kwn is restarted.")));
        }
        notices.replaceChildren(...parts);
    }

    // The web console's own way to administrative access is its shell's
    // "Limited access" button, which asks for the password; a page opened
    // outside the shell can only point to it.
    function askForAdmin() {
        let shellButton = null;
        try {
            if (window.top !== window) shellButton = window.top.document.querySelector(".ct-locked");
        } catch (ex) {
            shellButton = null;
        }
        if (shellButton) shellButton.click();
        else announce(_("Use the “Limited access” button at the top of the web console to turn on administrative access."));
    }

    async function restart() {
        const button = document.getElementById("hlq-restart");
        const line = document.getElementById("hlq-restart-result");
        button.disabled = true;
        const run = await hlqctl.restart();
        button.disabled = state.admin !== true;
        if (run.exit === 0) {
            state.restartWaits = false;
            line.textContent = _("kwn was restarted.");
        } else {
            line.textContent = cockpit.format(_("kwn could not be restarted: $0"), run.message || String(run.exit));
        }
        renderNotices();
        announce(line.textContent);
    }

    function renderStatus(terminal) {
        const box = document.getElementById("hlq-status");
        const daemon = hlqStatus.daemonLine(terminal);
        if (daemon) box.appendChild(el("span", "hlq-daemon", daemon));
        const button = el("button", "hlq-button hlq-secondary", _("Restart kwn"));
        button.type = "button";
        button.id = "hlq-restart";
        button.addEventListener("click", restart);
        box.appendChild(button);
        const result = el("span", "hlq-restart-result");
        result.id = "hlq-restart-result";
        box.appendChild(result);
        state.restartWaits = terminal.restartNeeded;
    }

    // The supported devices attached for a device page, each of which fills
    // the page's USB identification (for the cash drawers, one of the two).
    function renderDevices(tab, terminal) {
        const devices = terminal.devices[tab.page];
        if (!Array.isArray(devices)) return;
        const section = el("section", "hlq-devices");
        const heading = el("h3", "", _("Attached supported devices"));
        heading.id = "hlq-devices-" + tab.page;
        section.setAttribute("aria-labelledby", heading.id);
        section.appendChild(heading);
        const pageState = terminal.pages[tab.page];
        const stateText = pageState ? hlqStatus.deviceText(pageState.device) : "";
        if (stateText) section.appendChild(el("p", "hlq-hint", stateText));
        if (devices.length === 0) section.appendChild(el("p", "hlq-hint", _("No supported device is attached.")));
        const prefixes = tab.page === "cash-drawer" ? ["drawer1-", "drawer2-"] : [""];
        for (const device of devices) {
            const row = el("div", "hlq-device");
            row.appendChild(el("span", "", cockpit.format(_("Product ID $0, vendor ID $1, serial number $2"),
                                                          device["product-id"], device["vendor-id"],
                                                          device["serial-number"] || _("(empty)"))));
            prefixes.forEach((prefix, index) => {
                const text = prefixes.length > 1 ? cockpit.format(_("Use for cash drawer $0"), index + 1) : _("Use");
                const use = el("button", "hlq-button hlq-link", text);
                use.type = "button";
                use.addEventListener("click", () => {
                    for (const field of ["product-id", "vendor-id", "serial-number"]) {
                        const control = tab.controls[tab.page + "." + prefix + field];
                        if (control) control.set(device[field]);
                    }
                });
                row.appendChild(use);
            });
            section.appendChild(row);
        }
        tab.panel.appendChild(section);
    }

    function renderPanel(tab, specs, terminal) {
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
            const control = hlqFields.build(key, specs[key], terminal.codepages);
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
        renderDevices(tab, terminal);
    }

    function select(index, focus) {
        tabs.forEach((tab, i) => {
            const chosen = i === index;
            tab.button.setAttribute("aria-selected", chosen ? "true" : "false");
            tab.button.tabIndex = chosen ? 0 : -1;
            tab.panel.hidden = !chosen;
        });
        if (focus) tabs[index].button.focus();
    }

    // Tabs as a tab list: the arrow keys, Home and End move between them.
    function onTabKey(event, index) {
        const moves = { ArrowRight: index + 1, ArrowLeft: index - 1, Home: 0, End: tabs.length - 1 };
        if (!(event.key in moves)) return;
        event.preventDefault();
        select((moves[event.key] + tabs.length) % tabs.length, true);
    }

    function renderTabs(specs, values, terminal) {
        const pages = [];
        for (const key of Object.keys(specs)) if (!pages.includes(specs[key].page)) pages.push(specs[key].page);
        const list = document.getElementById("hlq-tabs");
        list.setAttribute("aria-label", _("Pages"));
        const panels = document.getElementById("hlq-panels");
        pages.forEach((page, index) => {
            const keys = Object.keys(specs).filter(key => specs[key].page === page)
                    .sort((a, b) => hlqLabels.rank(a) - hlqLabels.rank(b));
            const button = el("button", "hlq-tab", hlqLabels.tab(page));
            button.type = "button";
            button.setAttribute("role", "tab");
            button.id = "hlq-tab-" + page;
            const panel = el("section", "hlq-panel");
            panel.setAttribute("role", "tabpanel");
            panel.id = "hlq-panel-" + page;
            panel.setAttribute("aria-labelledby", button.id);
            button.setAttribute("aria-controls", panel.id);
            button.addEventListener("click", () => select(index, false));
            button.addEventListener("keydown", event => onTabKey(event, index));
            list.appendChild(button);
            panels.appendChild(panel);
            // A file not read shows every one of its lists and check boxes
            // as null; its texts may be null in a file that was read.
            const unread = keys.filter(k => specs[k].type !== "text").every(k => values[k] === null);
            const tab = { page, keys, button, panel, controls: {}, read: {}, unread, busy: false };
            tabs.push(tab);
            renderPanel(tab, specs, terminal);
            fill(tab, values);
        });
        select(0, false);
    }

    function fail(text) {
        const panels = document.getElementById("hlq-panels");
        panels.replaceChildren(el("div", "hlq-notice hlq-danger", text));
        document.body.dataset.state = "failed";
    }

    // The three runs start as soon as this script runs; the page is built
    // when they have answered and the document is parsed.
    const loading = Promise.all([hlqctl.keys(), hlqctl.show(), hlqctl.status()]);
    const parsed = new Promise(resolve => document.addEventListener("DOMContentLoaded", resolve));

    async function load() {
        await parsed;
        document.title = _("Point of sale peripherals");
        document.getElementById("hlq-title").textContent = _("Point of sale peripherals");
        const [keys, shown, status] = await loading;
        let terminal;
        if (status.json) {
            terminal = hlqStatus.fromStatus(status.json);
        } else {
            const [devices, codepages] = await Promise.all([hlqctl.devices(), hlqctl.codepages()]);
            terminal = hlqStatus.fromParts(devices.json, codepages.json);
        }
        if (!keys.json || !shown.json) {
            fail(cockpit.format(_("hlqctl could not be run: $0"), keys.message || shown.message));
            return;
        }
        state.terminal = terminal;
        renderStatus(terminal);
        renderTabs(keys.json, shown.json, terminal);
        updateControls();
        document.body.dataset.state = "ready";
    }

    permission.addEventListener("changed", () => {
        state.admin = permission.allowed;
        updateControls();
    });
    state.admin = permission.allowed;
    load();
}());
