// One labelled control per key, chosen by the key's kind as hlqctl keys
// describes it: a list for ports and choices, the code page list as the
// printer page shows it, a check box for booleans and an entry for texts.
// A refused value is marked at its control with hlqctl's reason.
/* exported hlqFields */
const hlqFields = (function () {
    "use strict";

    let serial = 0;

    function element(tag, className, text) {
        const node = document.createElement(tag);
        if (className) node.className = className;
        if (text !== undefined) node.textContent = text;
        return node;
    }

    function select(options, labelOf) {
        const input = element("select", "hlq-select");
        for (const name of options) {
            const option = element("option", "", labelOf(name));
            option.value = name;
            input.appendChild(option);
        }
        return input;
    }

    // The stored value stays selectable even where the list lacks it (a
    // code page list that could not be read), so that nothing changes
    // unless the technician picks another.
    function offer(input, value) {
        if (typeof value !== "string" || Array.from(input.options).some(o => o.value === value)) return;
        const option = element("option", "", hlqLabels.choice(value));
        option.value = value;
        input.insertBefore(option, input.firstChild);
    }

    function create(key, keyInfo, codepages) {
        const kind = keyInfo.type;
        if (kind === "boolean") {
            const input = element("input", "hlq-check");
            input.type = "checkbox";
            return { kind, input, get: () => input.checked, set: v => { input.checked = v === true } };
        }
        if (kind === "port" || kind === "choice" || kind === "code-page") {
            const names = kind === "code-page" ? codepages : (keyInfo.choices || []);
            const input = select(names, hlqLabels.choice);
            return { kind, input, get: () => input.value, set: v => { offer(input, v); input.value = v === null ? "" : v } };
        }
        const input = element("input", "hlq-entry");
        input.type = "text";
        input.spellcheck = false;
        return { kind, input, get: () => input.value, set: v => { input.value = v === null ? "" : v } };
    }

    // A row: the label tied to its control, the kind's description as its
    // hint, and a place for the reason a value was refused.
    function build(key, keyInfo, codepages) {
        const control = create(key, keyInfo, codepages);
        const id = "hlq-field-" + (++serial);
        control.key = key;
        control.input.id = id;
        control.input.dataset.key = key;
        control.row = element("div", "hlq-row hlq-row-" + control.kind);
        const label = element("label", "hlq-label", hlqLabels.key(key));
        label.htmlFor = id;
        control.error = element("div", "hlq-error");
        control.error.id = id + "-error";
        control.error.hidden = true;
        const described = [];
        const hintText = control.kind === "text" ? hlqLabels.hint(key) || keyInfo.description : "";
        if (hintText) {
            const hint = element("div", "hlq-hint", hintText);
            hint.id = id + "-hint";
            described.push(hint.id);
            control.hint = hint;
        }
        control.described = described;
        if (described.length) control.input.setAttribute("aria-describedby", described.join(" "));
        if (control.kind === "boolean") {
            control.row.append(control.input, label);
        } else {
            control.row.append(label, control.input);
        }
        if (control.hint) control.row.appendChild(control.hint);
        control.row.appendChild(control.error);
        return control;
    }

    function mark(control, reason) {
        control.error.textContent = reason;
        control.error.hidden = false;
        control.row.classList.add("hlq-refused");
        control.input.setAttribute("aria-invalid", "true");
        control.input.setAttribute("aria-describedby", [control.error.id].concat(control.described).join(" "));
    }

    function clear(control) {
        control.error.textContent = "";
        control.error.hidden = true;
        control.row.classList.remove("hlq-refused");
        control.input.removeAttribute("aria-invalid");
        if (control.described.length) control.input.setAttribute("aria-describedby", control.described.join(" "));
        else control.input.removeAttribute("aria-describedby");
    }

    // Equal as hlqctl would store them: an absent text is an empty one.
    function same(a, b) {
        const norm = v => (v === null || v === undefined ? "" : v);
        return norm(a) === norm(b);
    }

    return { build, mark, clear, same, element };
}());
