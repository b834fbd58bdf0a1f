// The question before overwriting values that another program changed
// since the tab read them: a modal dialog naming each, answered Overwrite or
// Cancel (Escape cancels too).
/* exported hlqOverwrite */
const hlqOverwrite = (function () {
    "use strict";
    const _ = cockpit.gettext;

    function ask(lines) {
        const dialog = document.getElementById("hlq-overwrite");
        document.getElementById("hlq-overwrite-title").textContent = _("Overwrite another writer's change?");
        document.getElementById("hlq-overwrite-text").textContent =
            _("Another program changed these values since this tab read them:");
        const list = document.getElementById("hlq-overwrite-list");
        list.replaceChildren(...lines.map(line => hlqFields.element("li", "", line)));
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

    return { ask };
}());
