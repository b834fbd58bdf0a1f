// Runs hlqctl through the web console's bridge and hands back its exit
// status, its JSON and its message. hlqctl runs in the page's language, so
// that its reasons and values read as the page does; its JSON keys and
// names never change with the language.
/* exported hlqctl */
const hlqctl = (function () {
    "use strict";

    // gettext follows LANGUAGE only under a locale other than C, so the
    // language's own locale is asked for too; where the terminal lacks it,
    // hlqctl speaks English. An empty LC_ALL leaves LC_MESSAGES in force.
    function languageEnviron() {
        const language = (cockpit.language || "en").replace("-", "_");
        if (language === "en") return [];
        const [lang, territory] = language.split("_");
        const locale = lang + "_" + (territory || lang).toUpperCase() + ".UTF-8";
        return ["LANGUAGE=" + language + ":" + lang, "LC_MESSAGES=" + locale, "LC_ALL="];
    }

    function parsed(text) {
        try {
            return text.trim() ? JSON.parse(text) : null;
        } catch (ex) {
            return null;
        }
    }

    // Every run asks for administrative access where the session has it
    // ("try" never prompts): with it hlqctl reads and writes as root,
    // without it as the session's user, who may still read.
    function run(args, input) {
        return new Promise(resolve => {
            let out = "";
            const proc = cockpit.spawn(["hlqctl"].concat(args),
                                       { superuser: "try", err: "message", environ: languageEnviron() });
            proc.stream(data => { out += data });
            if (input !== undefined) proc.input(input);
            proc.then(() => resolve({ exit: 0, json: parsed(out), text: out, message: "" }))
                    .catch(ex => resolve({
                        exit: ex.exit_status === undefined || ex.exit_status === null ? -1 : ex.exit_status,
                        json: parsed(out),
                        text: out,
                        message: (ex.message || ex.problem || "").trim(),
                    }));
        });
    }

    // The reason at the end of a line of hlqctl's own table: the last
    // parenthesised part, whose parentheses may nest.
    function lineReason(line) {
        if (!line.endsWith(")")) return "";
        let depth = 0;
        for (let i = line.length - 1; i >= 0; i--) {
            if (line[i] === ")") depth++;
            else if (line[i] === "(" && --depth === 0) return line.slice(i + 1, -1);
        }
        return "";
    }

    // hlqctl's JSON is never translated; its table is. The reasons for
    // refused values in the page's language, by key, from one checking run.
    async function translatedReasons(values) {
        if ((cockpit.language || "en") === "en") return {};
        const pairs = Object.keys(values).map(key => key + "=" + String(values[key]));
        const checked = await run(["set", "--check"].concat(pairs));
        const reasons = {};
        for (const line of checked.text.split("\n")) {
            const key = Object.keys(values).find(k => line.startsWith(k + " "));
            const reason = key ? lineReason(line) : "";
            if (reason) reasons[key] = reason;
        }
        return reasons;
    }

    return {
        translatedReasons,
        keys: () => run(["keys", "--json"]),
        show: () => run(["show", "--json"]),
        status: () => run(["status", "--json"]),
        devices: () => run(["devices", "--json"]),
        codepages: () => run(["codepages", "--json"]),
        check: values => run(["apply", "-", "--check", "--json"], JSON.stringify(values)),
        apply: values => run(["apply", "-", "--json"], JSON.stringify(values)),
        restart: () => run(["restart"]),
    };
}());
