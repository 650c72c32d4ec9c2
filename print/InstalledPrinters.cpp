#include "print/InstalledPrinters.h"

#include <cups/cups.h>

#include <QString>

#include "print/TemplatePrinterList.h"

std::vector<std::u16string> InstalledPrinterNames() {
  std::vector<std::u16string> names;
  // The scheduler as CUPS_SERVER names it now (libcups keeps the first
  // answer of each thread otherwise).
  cupsSetServer(nullptr);
  http_t* http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                              30000, nullptr);
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
