#include "config/xml_load.h"

#include <fcntl.h>
#include <glib.h>
#include <glib/gi18n-lib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "base/failed.h"

using tinyxml2::XMLDocument;
using tinyxml2::XMLError;

namespace {

std::string openFailure(int code) {
  if (code == ENOENT) return _("the file is missing");
  g_autofree gchar* text = g_strdup_printf(_("the file cannot be opened: %s"), g_strerror(code));
  return text;
}

const char* notRegular() { return _("the path is not a regular file"); }

// A descriptor of the file for reading, or -1 with the reason. What the path
// names is looked at first, so that nothing but a regular file is opened:
// opening a FIFO waits for a writer, and opening a device may wait for it
// or act on it. Should the path change in between, the open still does not
// wait (O_NONBLOCK, which a regular file ignores) and takes no controlling
// terminal, and the opened file's own status decides.
int openRegularFile(const char* file, std::string* err) {
  struct stat named {};
  if (stat(file, &named) != 0) return HLQ_Failed(err, openFailure(errno)), -1;
  if (!S_ISREG(named.st_mode)) return HLQ_Failed(err, notRegular()), -1;
  int fd = open(file, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return HLQ_Failed(err, openFailure(errno)), -1;
  struct stat opened {};
  if (fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
    close(fd);
    return HLQ_Failed(err, notRegular()), -1;
  }
  return fd;
}

// What is wrong, in our own words, for each error that parsing a file ends
// with; null for one it is not known to give.
const char* problemOf(XMLError error) {
  switch (error) {
    case tinyxml2::XML_ERROR_PARSING_ELEMENT: return _("an element's tag is malformed");
    case tinyxml2::XML_ERROR_PARSING_ATTRIBUTE: return _("an attribute is malformed or repeated");
    case tinyxml2::XML_ERROR_PARSING_TEXT: return _("a text runs to the end of the file");
    case tinyxml2::XML_ERROR_PARSING_CDATA: return _("a CDATA section is not closed");
    case tinyxml2::XML_ERROR_PARSING_COMMENT: return _("a comment is not closed");
    case tinyxml2::XML_ERROR_PARSING_DECLARATION:
      return _("a declaration or processing instruction is not closed");
    case tinyxml2::XML_ERROR_PARSING_UNKNOWN:
      return _("a document type declaration is not closed");
    case tinyxml2::XML_ERROR_MISMATCHED_ELEMENT: return _("an element is not closed");
    case tinyxml2::XML_ERROR_PARSING: return _("a tag is malformed or missing");
    case tinyxml2::XML_ELEMENT_DEPTH_EXCEEDED: return _("elements are nested too deeply");
    default: return nullptr;
  }
}

// The problem with the line where the parser found it, which it knows for
// every error of a file's content.
std::string parseFailure(const XMLDocument& doc) {
  const XMLError error = doc.ErrorID();
  if (error == tinyxml2::XML_ERROR_EMPTY_DOCUMENT) return _("the file is empty");
  if (error == tinyxml2::XML_ERROR_FILE_READ_ERROR) return _("the file cannot be read");
  const char* problem = problemOf(error);
  // TRANSLATORS: %d is the number of an error that the XML parser gave.
  g_autofree gchar* unknown = g_strdup_printf(_("the XML parser stopped with error %d"),
                                              static_cast<int>(error));
  if (!problem) problem = unknown;
  const int line = doc.ErrorLineNum();
  // TRANSLATORS: %s says what is wrong in the file; %d is the line where it was found.
  g_autofree gchar* where = g_strdup_printf(_("%s (line %d)"), problem, line);
  g_autofree gchar* reason = g_strdup_printf(
      // TRANSLATORS: %s says what is wrong in the file, and on which line when that is known.
      _("the file is not well-formed XML: %s"), line > 0 ? where : problem);
  return reason;
}

}  // namespace

bool HLQ_LoadConfigDocument(XMLDocument& doc, const char* file, std::string* err) {
  if (!file) return HLQ_Failed(err, _("no file was named"));
  int fd = openRegularFile(file, err);
  if (fd < 0) return false;
  FILE* in = fdopen(fd, "rb");
  if (!in) {
    int code = errno;
    close(fd);
    return HLQ_Failed(err, openFailure(code));
  }
  XMLError loaded = doc.LoadFile(in);
  std::fclose(in);
  return loaded == tinyxml2::XML_SUCCESS || HLQ_Failed(err, parseFailure(doc));
}
