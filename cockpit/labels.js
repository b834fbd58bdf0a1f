// What the page calls each tab, key and choice. The texts are those of the
// window's own pages (with their mnemonic and colon taken off), so that
// the catalogs translate them once for both. A key or a choice that is not
// named here is shown by its hlqctl name.
/* exported hlqLabels */
const hlqLabels = (function () {
    "use strict";
    const _ = cockpit.gettext;
    const N_ = text => text;

    const tabs = {
        printer: N_("Printer"),
        "cash-drawer": N_("Cash Drawer"),
        "line-display": N_("Line Display"),
        msr: N_("MSR"),
        logging: N_("Logging"),
    };

    // Each key's label and, where the window groups it, its group.
    const keys = {
        "printer.port": [N_("_Port:")],
        "printer.emulation-mode": [N_("_Emulation mode:")],
        "printer.code-page": [N_("C_ode page:")],
        "printer.unsolicited-status": [N_("_Unsolicited status")],
        "printer.product-id": [N_("Product _ID:"), N_("USB identification")],
        "printer.vendor-id": [N_("_Vendor ID:"), N_("USB identification")],
        "printer.serial-number": [N_("_Serial number:"), N_("USB identification")],
        "cash-drawer.port": [N_("_Port:")],
        "cash-drawer.drawer1-product-id": [N_("Product _ID:"), N_("Cash drawer 1")],
        "cash-drawer.drawer1-vendor-id": [N_("_Vendor ID:"), N_("Cash drawer 1")],
        "cash-drawer.drawer1-serial-number": [N_("_Serial number:"), N_("Cash drawer 1")],
        "cash-drawer.drawer2-product-id": [N_("Product _ID:"), N_("Cash drawer 2")],
        "cash-drawer.drawer2-vendor-id": [N_("_Vendor ID:"), N_("Cash drawer 2")],
        "cash-drawer.drawer2-serial-number": [N_("_Serial number:"), N_("Cash drawer 2")],
        "line-display.port": [N_("_Port:")],
        "line-display.product-id": [N_("Product _ID:"), N_("USB identification")],
        "line-display.vendor-id": [N_("_Vendor ID:"), N_("USB identification")],
        "line-display.serial-number": [N_("_Serial number:"), N_("USB identification")],
        "msr.port": [N_("_Port:")],
        "msr.track1-enabled": [N_("Track _1"), N_("Tracks")],
        "msr.track2-enabled": [N_("Track _2"), N_("Tracks")],
        "msr.track3-enabled": [N_("Track _3"), N_("Tracks")],
        "msr.strip-sentinels": [N_("_Strip sentinels")],
        "msr.hide-error-tracks": [N_("Hide tracks with _errors")],
        "msr.track1-start-sentinel": [N_("Track _1 start:"), N_("Sentinels")],
        "msr.track2-start-sentinel": [N_("Track _2 start:"), N_("Sentinels")],
        "msr.track3-start-sentinel": [N_("Track _3 start:"), N_("Sentinels")],
        "msr.end-sentinel": [N_("E_nd:"), N_("Sentinels")],
        "msr.cr-enabled": [N_("After e_very track"), N_("Carriage return")],
        "msr.track1-cr-enabled": [N_("After track _1"), N_("Carriage return")],
        "msr.track2-cr-enabled": [N_("After track _2"), N_("Carriage return")],
        "msr.track3-cr-enabled": [N_("After track _3"), N_("Carriage return")],
        "msr.head-wrapper-enabled": [N_("_Head wrapper"), N_("Wrappers")],
        "msr.head-wrapper": [N_("Head te_xt:"), N_("Wrappers")],
        "msr.tail-wrapper-enabled": [N_("_Tail wrapper"), N_("Wrappers")],
        "msr.tail-wrapper": [N_("Ta_il text:"), N_("Wrappers")],
        "logging.level": [N_("_Log level:")],
        "logging.module-service": [N_("_Service"), N_("Modules that log")],
        "logging.module-printer-usb": [N_("_Printer"), N_("Modules that log")],
        "logging.module-cd": [N_("_Cash drawer"), N_("Modules that log")],
        "logging.module-ld": [N_("L_ine display"), N_("Modules that log")],
        "logging.module-msr": [N_("_MSR"), N_("Modules that log")],
    };

    const choices = {
        none: N_("None"),
        native: N_("Native"),
        "compatible-a": N_("Compatible A"),
        "compatible-b": N_("Compatible B"),
        "line-mode": N_("Line Mode"),
        trace: N_("Trace"),
        debug: N_("Debug"),
        info: N_("Info"),
        warning: N_("Warning"),
        error: N_("Error"),
        critical: N_("Critical"),
        // Code pages with a name rather than a number.
        Generic: N_("Generic"),
        "Printer Default": N_("Printer Default"),
    };

    // What an entry accepts, as the window's tooltips say it, by the key's
    // name or its ending; other entries show hlqctl's own description.
    const hints = {
        "product-id": N_("USB product ID, four hexadecimal digits"),
        "vendor-id": N_("USB vendor ID, four hexadecimal digits"),
        "serial-number": N_("Serial number of the attached device"),
        "track1-start-sentinel": N_("One character; left empty, “%” is stored"),
        "track2-start-sentinel": N_("One character; left empty, “;” is stored"),
        "track3-start-sentinel": N_("One character; left empty, “+” is stored"),
        "end-sentinel": N_("One character; left empty, “?” is stored"),
        "head-wrapper": N_("Up to 8 characters"),
        "tail-wrapper": N_("Up to 8 characters"),
    };

    function hint(key) {
        const name = key.slice(key.indexOf(".") + 1);
        const ending = Object.keys(hints).find(end => name === end || name.endsWith("-" + end));
        return ending ? _(hints[ending]) : "";
    }

    // A window label without its mnemonic and its closing colon.
    function plain(text) {
        return _(text).replace(/_(.)/, "$1").replace(/\s*:$/, "");
    }

    const order = Object.keys(keys);

    return {
        // The window's order of a page's keys; keys it lacks come last.
        rank: key => (order.includes(key) ? order.indexOf(key) : order.length),
        tab: page => (tabs[page] ? _(tabs[page]) : page),
        key: key => (keys[key] ? plain(keys[key][0]) : key),
        group: key => (keys[key] && keys[key][1] ? _(keys[key][1]) : ""),
        choice: name => (choices[name] ? _(choices[name]) : name),
        hint,
    };
}());
