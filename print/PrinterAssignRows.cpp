#include "print/PrinterAssignRows.h"

#include <QDir>
#include <QFile>
#include <QString>

#include "print/TemplatePrinterList.h"

namespace {

struct KindPrefix {
  const char16_t* prefix;
  int32_t kind;
  const char16_t* name;
};
constexpr KindPrefix kKinds[] = {
    {u"TAB_", -1, u"渠道面单"}, {u"LBL_", -2, u"快件标签"}, {u"IVC_", -3, u"形式发票"}};

// The template kind of an upper-cased file name by its prefix; nullptr when
// it has none of the three.
const KindPrefix* KindOfFileName(const std::u16string& upperName) {
  for (const KindPrefix& k : kKinds) {
    if (upperName.starts_with(k.prefix)) return &k;
  }
  return nullptr;
}

}  // namespace

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
    const KindPrefix* kind = KindOfFileName(upperName);
    if (kind == nullptr) continue;
    const QString base = upper.chopped(4);
    const qsizetype text = upperNames.indexOf(base + QStringLiteral(".TXT"));
    if (text < 0) continue;
    QFile textFile(folder.filePath(names[text]));
    if (!textFile.open(QIODevice::ReadOnly)) continue;
    PrinterAssignRow row;
    row.kind = kind->kind;
    row.kindName = kind->name;
    row.templateName = base.mid(4).toStdU16String();
    if (row.templateName.size() >= kTemplateNameUnits) continue;
    row.printerName = list.FindPrinter(row.kind, {}, row.templateName);
    rows.push_back(std::move(row));
  }
  return rows;
}

void ApplyPrinterAssignRows(const std::vector<PrinterAssignRow>& rows, CTemplatePrinterList& list) {
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
