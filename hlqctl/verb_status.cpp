// status (also a bare hlqctl): how the terminal is now, in one look: the
// daemon's state, each file read or not, per device page the stored port
// and USB identification against the supported device attached now, where
// the code page list comes from, and whether a store goes through the
// helper. Healthy gives 0; anything that needs a technician's look, 1.
#include <glib.h>
#include <glib/gi18n-lib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "config/config_layout.h"
#include "config/xml_values.h"
#include "hlqctl/exit_codes.h"
#include "hlqctl/json_output.h"
#include "hlqctl/table.h"
#include "hlqctl/verbs.h"

namespace {

constexpr HLQPage kDevicePages[] = {HLQPage::Printer, HLQPage::CashDrawer, HLQPage::LineDisplay,
                                    HLQPage::Msr};
constexpr const char* kFiles[] = {HLQ_DEVICE_FILE_NAME, HLQ_LOGGING_FILE_NAME};

// The standard output of a command found on the search path, or false.
bool outputOf(const std::vector<const char*>& command, std::string* output) {
  std::vector<const char*> argv = command;
  argv.push_back(nullptr);
  g_autofree gchar* out = nullptr;
  gint status = 0;
  if (!g_spawn_sync(nullptr, const_cast<gchar**>(argv.data()), nullptr,
                    GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_STDERR_TO_DEV_NULL), nullptr,
                    nullptr, &out, nullptr, &status, nullptr))
    return false;
  *output = g_strstrip(out);
  return true;
}

// systemctl is-active's one word; "unknown" where systemd does not run.
std::string daemonState() {
  std::string state;
  if (!g_file_test("/run/systemd/system", G_FILE_TEST_IS_DIR) ||
      !outputOf({"systemctl", "is-active", "kwn"}, &state))
    return "unknown";
  for (char c : state)
    if (!g_ascii_islower(c) && c != '-') return "unknown";
  return state.empty() ? "unknown" : state;
}

// Whether a file changed after the running daemon started; null when that
// cannot be told (the daemon not running, no systemd, a file not there).
HLQCtlJson restartNeeded(const std::string& daemon) {
  std::string started;
  if (daemon != "active" ||
      !outputOf({"systemctl", "show", "--property=ActiveEnterTimestampMonotonic", "--value",
                 "kwn"},
                &started))
    return nullptr;
  const gint64 startedMonotonic = g_ascii_strtoll(started.c_str(), nullptr, 10);
  if (startedMonotonic <= 0) return nullptr;
  const gint64 startedReal = g_get_real_time() - (g_get_monotonic_time() - startedMonotonic);
  bool changed = false;
  for (const char* file : kFiles) {
    struct stat info;
    if (stat(HLQ_ConfigFilePath(file), &info) != 0) return nullptr;
    const gint64 modified = gint64(info.st_mtim.tv_sec) * G_USEC_PER_SEC + info.st_mtim.tv_nsec / 1000;
    changed = changed || modified > startedReal;
  }
  return changed;
}

std::string textOf(const HLQStoredValue* value, const HLQStoredTexts& texts,
                   HLQCodepageLists* codepages) {
  if (!value) return "";
  const HLQShownValue shown = HLQ_ShownValue(*value, texts, codepages);
  return shown.kind == HLQShownValue::Kind::Text ? shown.text : "";
}

// The USB identification a page stores for one device ("" where unset).
HLQCtlJson configuredDevice(const std::string& prefix, const HLQStoredTexts& texts,
                            HLQCodepageLists* codepages) {
  auto part = [&](const char* name) {
    return textOf(HLQ_FindStoredValueNamed(prefix + name), texts, codepages);
  };
  return {{"product-id", part("product-id")},
          {"vendor-id", part("vendor-id")},
          {"serial-number", part("serial-number")}};
}

bool isSet(const HLQCtlJson& device) {
  return !device["product-id"].get<std::string>().empty() ||
         !device["vendor-id"].get<std::string>().empty();
}

// Every configured device among those attached: matches; another attached:
// different.
const char* verdict(const std::vector<HLQCtlJson>& configured, const HLQCtlJson& attached) {
  std::vector<HLQCtlJson> set;
  for (const HLQCtlJson& device : configured)
    if (isSet(device)) set.push_back(device);
  if (set.empty()) return "not-configured";
  if (attached.empty()) return "none-attached";
  for (const HLQCtlJson& device : set) {
    bool found = false;
    for (const HLQCtlJson& present : attached) found = found || present == device;
    if (!found) return "different";
  }
  return "matches";
}

HLQCtlJson pageStatus(HLQPage page, const HLQStoredTexts& texts, HLQCodepageLists* codepages,
                      const HLQCtlJson& devices) {
  const std::string name = HLQ_PageName(page);
  const std::string port = textOf(HLQ_FindStoredValueNamed(name + ".port"), texts, codepages);
  HLQCtlJson status = {{"page", name}, {"port", port.empty() ? "none" : port}};
  status["port-exists"] = port.empty() || port == "none"
                              ? HLQCtlJson(nullptr)
                              : HLQCtlJson(g_file_test(port.c_str(), G_FILE_TEST_EXISTS) != 0);
  std::vector<HLQCtlJson> configured;
  if (page == HLQPage::CashDrawer) {
    configured = {configuredDevice("cash-drawer.drawer1-", texts, codepages),
                  configuredDevice("cash-drawer.drawer2-", texts, codepages)};
  } else if (page != HLQPage::Msr) {
    configured = {configuredDevice(name + ".", texts, codepages)};
  }
  // The MSR stores no USB identification: an empty one, so that every
  // page's entry has the same shape.
  status["configured"] =
      configured.empty() ? HLQCtlJson{{"product-id", ""}, {"vendor-id", ""}, {"serial-number", ""}}
                         : configured[0];
  if (configured.size() > 1) status["configured-2"] = configured[1];
  const bool discovered = devices.contains(name);
  status["attached"] = discovered ? devices[name] : HLQCtlJson::array();
  status["device"] = discovered ? HLQCtlJson(verdict(configured, devices[name])) : nullptr;
  return status;
}

struct Verdict {
  bool healthy = true;
  std::vector<std::string> reasons;
  void attention(std::string reason) {
    healthy = false;
    reasons.push_back(std::move(reason));
  }
};

std::string printf1(const char* format, const std::string& a) {
  g_autofree gchar* text = g_strdup_printf(format, a.c_str());
  return text;
}

Verdict judge(const HLQCtlJson& status) {
  Verdict v;
  const std::string daemon = status["daemon"];
  if (daemon != "active" && daemon != "unknown")
    // TRANSLATORS: %s is systemd's word for the daemon's state ("inactive", "failed").
    v.attention(printf1(_("the daemon kwn is %s"), daemon));
  for (const HLQCtlJson& file : status["files"])
    if (!file["read"].get<bool>())
      // TRANSLATORS: %s is a configuration file's path.
      v.attention(printf1(_("%s could not be read"), file["path"].get<std::string>()));
  for (const HLQCtlJson& page : status["pages"]) {
    const std::string name = page["page"];
    // The daemon makes its ports' nodes: one missing matters while it runs.
    if (page["port-exists"] == false && daemon == "active")
      // TRANSLATORS: %s is the page; its stored port has no device node.
      v.attention(printf1(_("the %s port stored has no device node"), name));
    if (page["device"] == "different")
      // TRANSLATORS: %s is the page (printer, cash-drawer, line-display).
      v.attention(printf1(_("the %s attached is not the one configured"), name));
    if (page["device"] == "none-attached")
      v.attention(printf1(_("the %s configured is not attached"), name));
  }
  if (status["restart-needed"] == true)
    v.attention(_("a file changed after kwn started: restart it (hlqctl restart)"));
  return v;
}

std::string deviceText(const HLQCtlJson& device) {
  if (device.is_null() || !isSet(device)) return "-";
  std::string text = device["vendor-id"].get<std::string>() + ":" +
                     device["product-id"].get<std::string>();
  const std::string serial = device["serial-number"];
  return serial.empty() ? text : text + " " + HLQCtl_Printable(serial);
}

const char* verdictText(const HLQCtlJson& device) {
  if (device.is_null()) return "-";
  if (device == "matches") return _("matches");
  if (device == "different") return _("a different device");
  if (device == "none-attached") return _("none attached");
  return _("not configured");
}

void printHuman(const HLQCtlJson& status, const Verdict& verdict) {
  std::vector<HLQCtlRow> rows = {{_("Daemon kwn:"), status["daemon"].get<std::string>()}};
  for (const HLQCtlJson& file : status["files"]) {
    const bool read = file["read"];
    rows.push_back({file["file"] == HLQ_DEVICE_FILE_NAME ? _("Device file:") : _("Logging file:"),
                    file["path"].get<std::string>(),
                    read ? _("read") : std::string(_("not read")) + ": " +
                                           file["reason"].get<std::string>()});
  }
  const bool daemonsList = status["code-pages"]["source"] == "daemon";
  rows.push_back({_("Code pages:"), daemonsList ? _("the printer's own list, as the daemon "
                                                    "publishes it")
                                                : _("the predefined list")});
  rows.push_back({_("Stores:"), status["through-helper"].get<bool>()
                                    ? _("through the privileged helper")
                                    : _("directly into the files")});
  const HLQCtlJson& restart = status["restart-needed"];
  rows.push_back({_("Restart needed:"), restart.is_null() ? _("cannot tell")
                                        : restart.get<bool>() ? _("yes") : _("no")});
  HLQCtl_PrintTable(rows);
  std::printf("\n");
  std::vector<HLQCtlRow> pages = {
      {_("PAGE"), _("PORT"), _("NODE"), _("CONFIGURED"), _("ATTACHED"), _("DEVICE")}};
  for (const HLQCtlJson& page : status["pages"]) {
    std::string attached;
    for (const HLQCtlJson& device : page["attached"])
      attached += (attached.empty() ? "" : ", ") + deviceText(device);
    std::string configured = deviceText(page["configured"]);
    if (page.contains("configured-2") && isSet(page["configured-2"]))
      configured += ", " + deviceText(page["configured-2"]);
    const HLQCtlJson& exists = page["port-exists"];
    pages.push_back({page["page"].get<std::string>(),
                     HLQCtl_Printable(page["port"].get<std::string>()),
                     exists.is_null() ? "-" : exists.get<bool>() ? _("present") : _("missing"),
                     configured, attached.empty() ? "-" : attached,
                     verdictText(page["device"])});
  }
  HLQCtl_PrintTable(pages);
  std::printf("\n");
  if (verdict.healthy) {
    std::printf("%s\n", _("Healthy."));
    return;
  }
  std::printf("%s\n", _("Needs attention:"));
  for (const std::string& reason : verdict.reasons) std::printf("  - %s\n", reason.c_str());
}

}  // namespace

int HLQCtl_Status(const HLQCtlArguments& arguments) {
  const HLQStoredTexts texts = HLQ_ReadStoredTexts({kFiles[0], kFiles[1]});
  HLQCodepageLists codepages;
  HLQCtlJson status = HLQCtlJson::object();
  status["daemon"] = daemonState();
  status["healthy"] = true;  // judged below, once everything is known
  status["files"] = HLQCtlJson::array();
  bool throughHelper = false;
  for (const char* file : kFiles) {
    const HLQStoredTexts::File& read = texts.files.at(file);
    status["files"].push_back({{"file", file},
                               {"path", HLQ_ConfigFilePath(file)},
                               {"read", read.loaded},
                               {"reason", read.reason}});
    throughHelper = throughHelper || HLQ_NeedsHelper(HLQ_ConfigFilePath(file), W_OK);
  }
  const HLQCtlJson devices = HLQCtl_DevicesDocument();
  status["pages"] = HLQCtlJson::array();
  for (HLQPage page : kDevicePages)
    status["pages"].push_back(pageStatus(page, texts, &codepages, devices));
  const HLQCtlJson list = HLQCtl_CodepagesDocument(texts, &codepages);
  status["code-pages"] = {{"source", list["printers-own"].get<bool>() ? "daemon" : "fixed"},
                          {"list", list["codepages"]}};
  status["through-helper"] = throughHelper;
  status["restart-needed"] = restartNeeded(status["daemon"]);
  status["devices"] = devices;
  status["codepages"] = list;
  const Verdict verdict = judge(status);
  status["healthy"] = verdict.healthy;
  if (arguments.json) HLQCtl_PrintJson(status);
  else printHuman(status, verdict);
  return verdict.healthy ? HLQCTL_DONE : HLQCTL_NEEDS_ATTENTION;
}
