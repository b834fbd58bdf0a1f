// Light or dark as the web console's shell is set: its choice in the
// local storage key "shell:style" ("auto" follows the browser's own).
(function () {
    "use strict";
    const media = window.matchMedia ? window.matchMedia("(prefers-color-scheme: dark)") : null;
    function apply() {
        const style = localStorage.getItem("shell:style") || "auto";
        const dark = style === "dark" || (style === "auto" && media !== null && media.matches);
        document.documentElement.classList.toggle("hlq-dark", dark);
    }
    window.addEventListener("storage", event => { if (event.key === "shell:style") apply(); });
    window.addEventListener("cockpit-style", apply);
    if (media) media.addEventListener("change", apply);
    apply();
}());
