#include "consolidation/BagFormParts.h"

#include <QColor>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

#include <algorithm>
#include <cstdlib>

#include "common/LanguageTable.h"
#include "consolidation/BagRecords.h"
#include "platform/QtText.h"
#include "ui/LinkLabel.h"
#include "ui/ListGrid.h"

using platform::ToQString;

namespace bagform {

namespace {

QString QText(int id) { return ToQString(AppLanguage().Text(id)); }

const QColor kBlue(0, 0, 255);

std::u16string Wide(const QString& text) { return platform::FromQString(text); }

int32_t IntOf(const QLineEdit* edit) {
  return static_cast<int32_t>(std::strtol(edit->text().trimmed().toStdString().c_str(), nullptr, 10));
}

}  // namespace

QLabel* AddCaption(QWidget* form, int x, int y, int w, int textId) {
  auto* label = new QLabel(QText(textId), form);
  label->setGeometry(x, y, w, 22);
  return label;
}

CLinkLabel* AddLink(QWidget* form, int x, int y, int w, int textId, const QColor& color) {
  auto* label = new CLinkLabel(QText(textId), form);
  label->setGeometry(x, y, w, 22);
  label->SetTextColor(color);
  label->SetLinkCursor(Qt::PointingHandCursor);
  return label;
}

QLineEdit* AddEdit(QWidget* form, int x, int y, int w, int maxLength) {
  auto* e = new QLineEdit(form);
  e->setGeometry(x, y, w, 24);
  e->setMaxLength(maxLength);
  return e;
}

void BuildHeaderColumns(QWidget* form, bool labelLink, BagHeaderControls& c) {
  c.status = new QLabel(form);
  c.status->setGeometry(4, 2, 560, 22);
  // Column 1
  AddCaption(form, 4, 30, 80, 360010);
  c.number = AddEdit(form, 86, 28, 170, 30);
  AddCaption(form, 4, 58, 80, 360011);
  c.special = AddEdit(form, 86, 56, 170, 30);
  AddCaption(form, 4, 86, 80, 360012);
  c.fromAirport = AddEdit(form, 86, 84, 170, 63);
  AddCaption(form, 4, 114, 80, 360013);
  c.toAirport = AddEdit(form, 86, 112, 170, 63);
  c.weightCaption = AddLink(form, 4, 142, 80, 360014, kBlue);
  c.weight = AddEdit(form, 86, 140, 170, 16);
  AddCaption(form, 4, 170, 80, 360015);
  c.length = AddEdit(form, 86, 168, 52, 6);
  c.width = AddEdit(form, 145, 168, 52, 6);
  c.height = AddEdit(form, 204, 168, 52, 6);
  // Column 2
  const int radioX[] = {266, 326, 398}, radioW[] = {58, 70, 70};
  for (size_t i = 0; i < 3; ++i) {
    c.share[i] = new QRadioButton(QText(360018 + static_cast<int>(i)), form);
    c.share[i]->setGeometry(radioX[i], 28, radioW[i], 22);
  }
  AddCaption(form, 266, 58, 80, 360021);
  c.fromStation = AddEdit(form, 348, 56, 120, 15);
  AddCaption(form, 266, 86, 80, 360022);
  c.toStation = AddEdit(form, 348, 84, 120, 15);
  AddCaption(form, 266, 114, 80, 360023);
  c.order = AddEdit(form, 348, 112, 54, 15);
  auto* plus = new QLabel("+", form);
  plus->setGeometry(403, 112, 12, 22);
  c.specialOrder = AddEdit(form, 416, 112, 52, 15);
  AddCaption(form, 266, 142, 80, 360024);
  c.bagType = AddEdit(form, 348, 140, 120, 15);
  if (labelLink)
    c.labelCaption = AddLink(form, 266, 170, 80, 360025, kBlue);
  else
    AddCaption(form, 266, 170, 80, 360025);
  c.label = AddEdit(form, 348, 168, 120, 15);
}

void BuildItemsArea(QWidget* form, QSize screen, BagHeaderControls& c) {
  c.itemsHeader = new QLabel(form);
  c.itemsHeader->setGeometry(4, 256, 430, 22);
  c.weightLine = new QLabel(form);
  c.weightLine->setGeometry(440, 256, 580, 22);
  c.grid = new CListGrid(form);
  c.grid->setGeometry(4, 284, std::max(400, screen.width() - 264), std::max(200, screen.height() - 424));
  c.grid->SetHighlightMode(2);
  c.grid->EnableRowData(true);
  bagging::AddBagItemColumns(*c.grid);
}

void FillHeader(BagHeaderControls& c, const bagging::BagHeader& h) {
  c.number->setText(ToQString(h.number));
  c.share[std::min<size_t>(h.share, 2)]->setChecked(true);
  c.special->setText(ToQString(h.specialNumber));
  c.fromAirport->setText(ToQString(h.departureAirport));
  c.toAirport->setText(ToQString(h.destinationAirport));
  c.weight->setText(QString::number(h.weight, 'f', 3));
  c.length->setText(QString::number(h.length));
  c.width->setText(QString::number(h.width));
  c.height->setText(QString::number(h.height));
  c.consignment->setText(ToQString(h.consignmentNote));
  c.memo->setPlainText(ToQString(h.memo));
  c.fromStation->setText(ToQString(h.departureStation));
  c.toStation->setText(ToQString(h.destinationStation));
  c.order->setText(ToQString(h.order));
  c.specialOrder->setText(ToQString(h.specialOrder));
  c.bagType->setText(ToQString(h.bagType));
  c.label->setText(ToQString(h.label));
  for (size_t i = 0; i < 5; ++i) c.spares[i]->setText(ToQString(h.spares[i]));
}

bagging::BagHeaderFields ReadHeader(const BagHeaderControls& c) {
  bagging::BagHeaderFields f;
  f.number = Wide(c.number->text());
  f.departureAirport = Wide(c.fromAirport->text());
  f.destinationAirport = Wide(c.toAirport->text());
  f.departureStation = Wide(c.fromStation->text());
  f.destinationStation = Wide(c.toStation->text());
  f.label = Wide(c.label->text());
  f.bagType = Wide(c.bagType->text());
  f.consignmentNote = Wide(c.consignment->text());
  f.memo = Wide(c.memo->toPlainText());
  f.order = Wide(c.order->text());
  f.specialOrder = Wide(c.specialOrder->text());
  f.specialNumber = Wide(c.special->text());
  for (size_t i = 0; i < 5; ++i) f.spares[i] = Wide(c.spares[i]->text());
  f.weight = c.weight->text().trimmed().toDouble();
  f.length = IntOf(c.length);
  f.width = IntOf(c.width);
  f.height = IntOf(c.height);
  for (int i = 0; i < 3; ++i)
    if (c.share[static_cast<size_t>(i)]->isChecked()) f.shareMode = i;
  return f;
}

void PutLabelHeader(const bagging::BagHeaderFields& f, BagLabelSources& s) {
  s.bagNumber = f.number;
  s.bagOrder = f.order;
  s.specialNumber = f.specialNumber;
  s.specialOrder = f.specialOrder;
  s.fromAirport = f.departureAirport;
  s.toAirport = f.destinationAirport;
  s.fromStation = f.departureStation;
  s.toStation = f.destinationStation;
  s.weight = f.weight;
  s.length = f.length;
  s.width = f.width;
  s.height = f.height;
  s.consignmentNote = f.consignmentNote;
  s.baggingType = f.bagType;
  s.label = f.label;
  s.operationMemo = f.memo;
  s.spares = f.spares;
}

void ShowStatus(QLabel* status, const QString& text, const QColor& color) {
  status->setText(text);
  status->setStyleSheet(
      QString("QLabel{color:rgb(%1,%2,%3);}").arg(color.red()).arg(color.green()).arg(color.blue()));
}

}  // namespace bagform
