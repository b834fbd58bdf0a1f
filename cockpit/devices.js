// The supported devices attached for a device page, as hlqctl finds them,
// with the page's state of its device where hlqctl status tells it.
/* exported hlqDevices */
const hlqDevices = (function () {
    "use strict";
    const _ = cockpit.gettext;
    const el = hlqFields.element;

    // The supported devices attached for a device page, each of which fills
    // the page's USB identification (for the cash drawers, one of the two).
    function render(tab, terminal) {
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

    return { render };
}());
