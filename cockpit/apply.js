// Apply of one tab: only the values the technician changed, checked by
// hlqctl before anything is written, then stored all or nothing. Values that
// another writer changed since the tab read them are named, with what the
// file holds and what the tab would store, before they are overwritten.
/* exported hlqApply */
const hlqApply = (function () {
    "use strict";
    const _ = cockpit.gettext;

    function changes(tab) {
        const values = {};
        for (const key of tab.keys) {
            const value = tab.controls[key].get();
            if (!hlqFields.same(value, tab.read[key])) values[key] = value;
        }
        return values;
    }

    function valueText(value) {
        if (value === true) return _("on");
        if (value === false) return _("off");
        if (value === null || value === undefined || value === "") return _("(empty)");
        return hlqLabels.choice(String(value));
    }

    // Marks each refused value at its field; gives back the marked results.
    function mark(tab, results) {
        for (const key of tab.keys) hlqFields.clear(tab.controls[key]);
        const marked = [];
        for (const result of results || []) {
            const control = tab.controls[result.key];
            if (!control || !result.reason || (result.status !== "refused" && result.status !== "not-stored")) continue;
            hlqFields.mark(control, result.reason);
            marked.push(result);
        }
        return marked;
    }

    function refusedText(marked) {
        const names = marked.map(r => hlqLabels.key(r.key) + ": " + r.reason);
        return _("Nothing was stored.") + " " + names.join("; ");
    }

    function failureText(run) {
        const reasons = ((run.json && run.json.results) || []).filter(r => r.reason).map(r => r.reason);
        const why = reasons.length ? reasons[0] : run.message;
        return _("Nothing was stored.") + (why ? " " + why : "");
    }

    async function applyTab(tab, ui) {
        const values = changes(tab);
        if (Object.keys(values).length === 0) {
            for (const key of tab.keys) hlqFields.clear(tab.controls[key]);
            ui.say(tab, _("No value of this tab was changed."), "info");
            return;
        }
        ui.busy(tab, true);
        // Where the keyboard goes afterwards: the first refused field, else
        // back to Apply (a control loses the focus while it is disabled).
        let focus = null;
        try {
            const [fresh, checked] = await Promise.all([hlqctl.show(), hlqctl.check(values)]);
            let refused = (checked.json && checked.json.results || []).filter(r => r.status === "refused");
            if (refused.length) {
                const values = {};
                for (const result of refused) values[result.key] = result.after;
                const translated = await hlqctl.translatedReasons(values);
                refused = refused.map(r => Object.assign({}, r, { reason: translated[r.key] || r.reason }));
            }
            refused = mark(tab, refused);
            if (refused.length) {
                ui.say(tab, refusedText(refused), "danger");
                focus = tab.controls[refused[0].key].input;
                return;
            }
            if (!checked.json) {
                ui.say(tab, failureText(checked), "danger");
                return;
            }
            const others = Object.keys(values).filter(key => fresh.json && !hlqFields.same(fresh.json[key], tab.read[key]));
            if (others.length) {
                const lines = others.map(key => cockpit.format(_("$0: the file holds $1, this tab would store $2"),
                                                               hlqLabels.key(key), valueText(fresh.json[key]),
                                                               valueText(values[key])));
                if (!await ui.askOverwrite(lines)) {
                    ui.say(tab, _("Nothing was stored."), "info");
                    return;
                }
            }
            const applied = await hlqctl.apply(values);
            const failed = mark(tab, applied.json && applied.json.results);
            if (applied.exit === 0 && applied.json) {
                ui.say(tab, applied.json.changed ? _("Stored.") : _("The file already held these values."), "success");
                if (applied.json.changed) ui.restartWaits();
                await ui.reread(tab);
            } else {
                ui.say(tab, failed.length ? refusedText(failed) : failureText(applied), "danger");
                if (failed.length) focus = tab.controls[failed[0].key].input;
            }
        } finally {
            ui.busy(tab, false);
            (focus || tab.panel.querySelector("button[type=submit]")).focus();
        }
    }

    return { applyTab, changes };
}());
