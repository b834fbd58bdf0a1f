// PLACEHOLDER: not built yet
#include "config/xml_config.h"
struct XMLWrapperHandle { CXMLModuleConfig* config; };
std::optional<std::string> CXMLModuleConfig::ReadXMLNodeValue(const char*, const char*, const char*) { return std::nullopt; }
WriteResult CXMLModuleConfig::WriteXMLNodeValue(const char*, const char*, const char*, const char*) { return {WriteStatus::SaveFailed, "not built"}; }
std::optional<std::string> CXMLModuleConfig::ReadXMLNodeProperty(const char*, const char*, const char*, const char*) { return std::nullopt; }
WriteResult CXMLModuleConfig::WriteXMLNodeProperty(const char*, const char*, const char*, const char*, const char*) { return {WriteStatus::SaveFailed, "not built"}; }
HXMLWRAPPER xmlwrapper_create() { return new XMLWrapperHandle{new CXMLModuleConfig}; }
void xmlwrapper_destroy(HXMLWRAPPER h) { if (h) { delete h->config; delete h; } }
std::optional<std::string> xmlwrapper_ReadXMLNodeValue(HXMLWRAPPER h, const char* f, const char* s, const char* k) { return h ? h->config->ReadXMLNodeValue(f, s, k) : std::nullopt; }
WriteResult xmlwrapper_WriteXMLNodeValue(HXMLWRAPPER h, const char* f, const char* s, const char* k, const char* t) { return h ? h->config->WriteXMLNodeValue(f, s, k, t) : WriteResult{WriteStatus::NoHandle, "no handle"}; }
std::optional<std::string> xmlwrapper_ReadXMLNodeProperty(HXMLWRAPPER h, const char* f, const char* s, const char* k, const char* a) { return h ? h->config->ReadXMLNodeProperty(f, s, k, a) : std::nullopt; }
WriteResult xmlwrapper_WriteXMLNodeProperty(HXMLWRAPPER h, const char* f, const char* s, const char* k, const char* a, const char* v) { return h ? h->config->WriteXMLNodeProperty(f, s, k, a, v) : WriteResult{WriteStatus::NoHandle, "no handle"}; }
bool HLQ_IsXmlSafeText(const char*) { return true; }
