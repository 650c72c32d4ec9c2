#include "print/PrinterAssignRows.h"

#include <QDir>
#include <QFile>
#include <QString>

#include "common/TextCodec.h"
#include "print/PrintContext.h"
#include "print/TemplateModel.h"
#include "print/TemplatePrinterList.h"

std::vector<PrinterAssignRow> ListPrinterAssignRows(const std::string& programFolder,
                                                    const CTemplatePrinterList& list) {
  std::vector<PrinterAssignRow> rows;
  QDir folder(QFile::decodeName(QByteArray::fromStdString(programFolder + "DATA_MODEL")));
  const QStringList names = folder.entryList(QDir::Files, QDir::Name);
  // The settings texts by upper-cased name (the names are matched without
  // regard to case, as the depot's files come from machines that ignore it).
  QStringList upperNames;
  for (const QString& name : names) upperNames.push_back(name.toUpper());
  for (qsizetype i = 0; i < names.size(); ++i) {
    const QString& upper = upperNames[i];
    if (!upper.endsWith(QStringLiteral(".XLS"))) continue;
    const std::u16string upperName = upper.toStdU16String();
    std::string kindName;
    const int kind = TemplateKindFromName(upperName, &kindName);
    if (kind == 0) continue;
    const QString base = upper.chopped(4);
    const qsizetype text = upperNames.indexOf(base + QStringLiteral(".TXT"));
    if (text < 0) continue;
    QFile textFile(folder.filePath(names[text]));
    if (!textFile.open(QIODevice::ReadOnly)) continue;
    PrinterAssignRow row;
    row.kind = kind;
    row.kindName = WideFromGbk(kindName);
    row.templateName = base.mid(4).toStdU16String();
    if (row.templateName.size() >= kTemplateNameUnits) continue;
    row.printerName = list.FindPrinter(row.kind, {}, row.templateName);
    rows.push_back(std::move(row));
  }
  return rows;
}

void ApplyPrinterAssignRows(const std::vector<PrinterAssignRow>& rows, CTemplatePrinterList& list) {
  // A print worker never sees the list half rebuilt.
  std::lock_guard lock(*PrintStateLock());
  list.RemoveAll();
  for (const PrinterAssignRow& row : rows) {
    if (row.printerName.empty() || row.printerName.size() >= kPrinterNameUnits) continue;
    TemplatePrinterRecord record;
    record.id = row.kind;
    record.kindName = row.kindName;
    record.templateName = row.templateName;
    record.printerName = row.printerName;
    list.AddOrReplace(record);
  }
}
