#include "config/xml_load.h"

#include <fcntl.h>
#include <glib.h>
#include <glib/gi18n-lib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

using tinyxml2::XMLDocument;
using tinyxml2::XMLError;

namespace {

bool fail(std::string* reason, const std::string& text) {
  *reason = text;
  return false;
}

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
int openRegularFile(const char* file, std::string* reason) {
  struct stat named {};
  if (stat(file, &named) != 0) return fail(reason, openFailure(errno)), -1;
  if (!S_ISREG(named.st_mode)) return fail(reason, notRegular()), -1;
  int fd = open(file, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return fail(reason, openFailure(errno)), -1;
  struct stat opened {};
  if (fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
    close(fd);
    return fail(reason, notRegular()), -1;
  }
  return fd;
}

std::string parseFailure(const XMLDocument& doc) {
  if (doc.ErrorID() == tinyxml2::XML_ERROR_EMPTY_DOCUMENT) return _("the file is empty");
  if (doc.ErrorID() == tinyxml2::XML_ERROR_FILE_READ_ERROR) return _("the file cannot be read");
  g_autofree gchar* reason =
      // TRANSLATORS: %s is the XML parser's own (English) description of the error.
      g_strdup_printf(_("the file is not well-formed XML: %s"), doc.ErrorStr());
  return reason;
}

}  // namespace

bool HLQ_LoadConfigDocument(XMLDocument& doc, const char* file, std::string* reason) {
  if (!file) return fail(reason, _("no file was named"));
  int fd = openRegularFile(file, reason);
  if (fd < 0) return false;
  FILE* in = fdopen(fd, "rb");
  if (!in) {
    int code = errno;
    close(fd);
    return fail(reason, openFailure(code));
  }
  XMLError loaded = doc.LoadFile(in);
  std::fclose(in);
  return loaded == tinyxml2::XML_SUCCESS || fail(reason, parseFailure(doc));
}
