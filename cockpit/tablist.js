// The pages as a tab list: one tab selected and in the keyboard's order,
// the arrow keys, Home and End moving between the tabs.
/* exported hlqTablist */
const hlqTablist = (function () {
    "use strict";

    function select(tabs, index, focus) {
        tabs.forEach((tab, i) => {
            const chosen = i === index;
            tab.button.setAttribute("aria-selected", chosen ? "true" : "false");
            tab.button.tabIndex = chosen ? 0 : -1;
            tab.panel.hidden = !chosen;
        });
        if (focus) tabs[index].button.focus();
    }

    function onKey(tabs, event, index) {
        const moves = { ArrowRight: index + 1, ArrowLeft: index - 1, Home: 0, End: tabs.length - 1 };
        if (!(event.key in moves)) return;
        event.preventDefault();
        select(tabs, (moves[event.key] + tabs.length) % tabs.length, true);
    }

    return { select, onKey };
}());
