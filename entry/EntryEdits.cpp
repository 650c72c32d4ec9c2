#include "entry/EntryEdits.h"

#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include "common/LanguageTable.h"
#include "ui/ListGrid.h"

QLineEdit* MakeIntegerEdit(QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?\\d{0,9}")), edit));
  edit->setAlignment(Qt::AlignRight);
  return edit;
}

QLineEdit* MakeRealEdit(QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setValidator(new QRegularExpressionValidator(
      QRegularExpression(QStringLiteral("-?\\d{0,12}(\\.\\d{0,6})?")), edit));
  edit->setAlignment(Qt::AlignRight);
  return edit;
}

QLineEdit* MakeTextEdit(QWidget* parent, int maxCharacters) {
  auto* edit = new QLineEdit(parent);
  edit->setMaxLength(maxCharacters);
  return edit;
}

int32_t IntegerOf(const QLineEdit* edit) {
  bool ok = false;
  int value = edit->text().trimmed().toInt(&ok);
  return ok ? value : 0;
}

double RealOf(const QLineEdit* edit) {
  bool ok = false;
  double value = edit->text().trimmed().toDouble(&ok);
  return ok ? value : 0.0;
}

std::u16string TextOf(const QLineEdit* edit) { return edit->text().toStdU16String(); }

QString RealText(double value, int decimals) { return QString::number(value, 'f', decimals); }

void SetUpEntryGrid(CListGrid* grid, QObject* notify, const GridColumnSpec* columns, int count) {
  grid->SetHighlightMode(2);
  grid->EnableRowData(true);
  grid->SetSingleSelection(true);
  grid->SetNotifyWnd(notify);
  const CLanguageTable& language = AppLanguage();
  for (int c = 0; c < count; ++c)
    grid->InsertColumn(c, columns[c].width, language.Text(columns[c].caption), columns[c].align);
}
