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
        askOverwrite: hlqOverwrite.ask,
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

    function renderTabs(keyInfos, values, terminal) {
        const pages = [];
        for (const key of Object.keys(keyInfos)) if (!pages.includes(keyInfos[key].page)) pages.push(keyInfos[key].page);
        const list = document.getElementById("hlq-tabs");
        list.setAttribute("aria-label", _("Pages"));
        const panels = document.getElementById("hlq-panels");
        pages.forEach((page, index) => {
            const keys = Object.keys(keyInfos).filter(key => keyInfos[key].page === page)
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
            button.addEventListener("click", () => hlqTablist.select(tabs, index, false));
            button.addEventListener("keydown", event => hlqTablist.onKey(tabs, event, index));
            list.appendChild(button);
            panels.appendChild(panel);
            // A file not read shows every one of its lists and check boxes
            // as null; its texts may be null in a file that was read.
            const unread = keys.filter(k => keyInfos[k].type !== "text").every(k => values[k] === null);
            const tab = { page, keys, button, panel, controls: {}, read: {}, unread, busy: false };
            tabs.push(tab);
            hlqPanel.render(tab, keyInfos, terminal, ui);
            fill(tab, values);
        });
        hlqTablist.select(tabs, 0, false);
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
