#include "shipping/RecordCheck.h"

#include <QString>

#include <fstream>

#include "common/TextCodec.h"
#include "common/WideText.h"
#include "refdata/BarcodeNormalizer.h"
#include "server/ServerLink.h"

std::optional<std::string> PrepareCheckNumber(std::u16string_view text,
                                              CBarcodeNormalizer* barcodes) {
  std::u16string number(text);
  TrimW(number);
  if (number.size() < 4) return std::nullopt;
  std::string narrow = GbkFromWide(number);
  if (barcodes) barcodes->Normalize(narrow);
  return narrow;
}

int32_t CRecordChecker::CheckRecord(std::string_view number, bool showMessages) {
  const int32_t id = services_.find ? services_.find(number, numberMode == 0) : 0;
  if (id <= 0) {
    if (showMessages && services_.message) services_.message(kRecordNotFoundText);
    return 0;
  }
  lastRecordId = id;
  if (printWaybill && services_.printWaybill) services_.printWaybill(id);
  if (invoiceCopies > 0 && services_.printInvoice) services_.printInvoice(id, invoiceCopies);
  if (services_.show) services_.show(id);
  return id;
}

FeeImportSettings LoadFeeImportSettings(CServerLink* link, const std::string& programFolder) {
  const std::string path = programFolder + kFeeSettingsFile;
  if (link) {
    FileRequest request;
    request.id = 0;
    request.grade = 255;
    request.kind = GbkFromWide(QString::fromUtf8("系统配置").toStdU16String());
    request.title = "DupNum_4Fee.txt";
    request.localPath = path;
    link->DownloadFile(request);
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::string text(8000, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(in.gcount()));
  return ParseFeeImportSettings(text);
}
