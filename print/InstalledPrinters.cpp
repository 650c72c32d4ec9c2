#include "print/InstalledPrinters.h"

#include <cups/cups.h>

#include <QByteArray>
#include <QString>

#include "print/TemplatePrinterList.h"

namespace {

// The scheduler as CUPS_SERVER names it now (libcups keeps the first
// answer of each thread otherwise).
http_t* ConnectScheduler() {
  cupsSetServer(nullptr);
  return httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 30000,
                      nullptr);
}

}  // namespace

std::vector<std::u16string> InstalledPrinterNames() {
  std::vector<std::u16string> names;
  http_t* http = ConnectScheduler();
  if (http == nullptr) return names;
  ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
  static const char* const kAttributes[] = {"printer-name"};
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 1, nullptr,
                kAttributes);
  ipp_t* response = cupsDoRequest(http, request, "/");
  if (response != nullptr) {
    for (ipp_attribute_t* a = ippFindAttribute(response, "printer-name", IPP_TAG_NAME); a != nullptr;
         a = ippFindNextAttribute(response, "printer-name", IPP_TAG_NAME)) {
      const char* name = ippGetString(a, 0, nullptr);
      if (name == nullptr) continue;
      std::u16string wide = QString::fromUtf8(name).toStdU16String();
      if (!wide.empty() && wide.size() < kPrinterNameUnits) names.push_back(std::move(wide));
    }
    ippDelete(response);
  }
  httpClose(http);
  return names;
}

std::u16string DefaultPrinterName() {
  http_t* http = ConnectScheduler();
  if (http == nullptr) return {};
  std::u16string name;
  ipp_t* response = cupsDoRequest(http, ippNewRequest(IPP_OP_CUPS_GET_DEFAULT), "/");
  if (response != nullptr) {
    if (ipp_attribute_t* a = ippFindAttribute(response, "printer-name", IPP_TAG_NAME))
      if (const char* text = ippGetString(a, 0, nullptr)) name = QString::fromUtf8(text).toStdU16String();
    ippDelete(response);
  }
  httpClose(http);
  return name;
}

bool QueueAcceptsJobs(std::u16string_view queue) {
  if (queue.empty()) return false;
  http_t* http = ConnectScheduler();
  if (http == nullptr) return false;
  char uri[HTTP_MAX_URI];
  QByteArray name = QString::fromUtf16(queue.data(), static_cast<qsizetype>(queue.size())).toUtf8();
  httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(),
                   "/printers/%s", name.constData());
  ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  static const char* const kAttributes[] = {"printer-is-accepting-jobs", "printer-state"};
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 2, nullptr,
                kAttributes);
  bool accepts = false;
  ipp_t* response = cupsDoRequest(http, request, "/");
  if (response != nullptr) {
    if (ippGetStatusCode(response) <= IPP_STATUS_OK_EVENTS_COMPLETE) {
      ipp_attribute_t* accepting =
          ippFindAttribute(response, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
      ipp_attribute_t* state = ippFindAttribute(response, "printer-state", IPP_TAG_ENUM);
      accepts = accepting != nullptr && ippGetBoolean(accepting, 0) != 0 &&
                (state == nullptr || ippGetInteger(state, 0) != IPP_PSTATE_STOPPED);
    }
    ippDelete(response);
  }
  httpClose(http);
  return accepts;
}
