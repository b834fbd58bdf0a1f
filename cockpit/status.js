// The terminal's state as the page shows it: the daemon, the files read,
// the devices attached, the code page list and whether a restart waits.
// It comes from `hlqctl status --json`; an hlqctl without that verb gives
// the devices and the code pages through `devices` and `codepages`.
/* exported hlqStatus */
const hlqStatus = (function () {
    "use strict";
    const _ = cockpit.gettext;

    function fromStatus(json) {
        const files = {};
        for (const file of json.files || []) files[file.file] = file;
        const pages = {};
        for (const page of json.pages || []) pages[page.page] = page;
        return {
            known: true,
            daemon: json.daemon,
            healthy: json.healthy,
            files,
            pages,
            devices: json.devices || {},
            codepages: (json["code-pages"] && json["code-pages"].list) || (json.codepages && json.codepages.codepages) || [],
            restartNeeded: json["restart-needed"] === true,
        };
    }

    function fromParts(devices, codepages) {
        return {
            known: false,
            files: {},
            pages: {},
            devices: devices || {},
            codepages: (codepages && codepages.codepages) || [],
            restartNeeded: false,
        };
    }

    // The file a page's values are stored in.
    const fileOf = page => (page === "logging" ? "logging" : "device");

    function unreadReason(terminal, page) {
        const file = terminal.files[fileOf(page)];
        return file && file.read === false ? file.reason : "";
    }

    function deviceText(state) {
        switch (state) {
        case "matches": return _("The attached device is the one configured.");
        case "different": return _("The attached device is not the one configured.");
        case "none-attached": return _("No supported device is attached.");
        case "not-configured": return _("No device is configured.");
        default: return "";
        }
    }

    function daemonLine(terminal) {
        if (!terminal.known) return "";
        const state = cockpit.format(_("kwn: $0"), terminal.daemon);
        return terminal.healthy ? state : state + " — " + _("needs attention");
    }

    return { fromStatus, fromParts, unreadReason, deviceText, daemonLine };
}());
