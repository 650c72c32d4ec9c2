#pragma once
// The controls the bagging form (page 10) and the bag seal form (page 11)
// both show: the bag header's first two columns (number, special number,
// airports, weight and dimensions, sharing, stations, order, bag type and
// label), the header's spares, consignment note and memo, and the totals
// lines over the item grid.  Each form builds its own third and fourth
// columns and option rows around them; the parts here build, hold and fill
// what is the same in both.

#include <QSize>

#include <array>

#include "consolidation/BagLabels.h"
#include "consolidation/BaggingLogic.h"

class CLinkLabel;
class CListGrid;
class QColor;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;
class QWidget;

namespace bagform {

// A caption (22 high) with the language text `textId`.
QLabel* AddCaption(QWidget* form, int x, int y, int w, int textId);
// A clickable caption (22 high) in `color` with the hand cursor.
CLinkLabel* AddLink(QWidget* form, int x, int y, int w, int textId, const QColor& color);
// A one-line box (24 high) taking at most `maxLength` characters.
QLineEdit* AddEdit(QWidget* form, int x, int y, int w, int maxLength);

// The bag header's controls.  The first group is made by
// BuildHeaderColumns, the totals and grid by BuildItemsArea; spares,
// spare captions, consignment note and memo are made by each form (their
// captions differ) and stored here for FillHeader.
struct BagHeaderControls {
  QLabel* status = nullptr;
  QLineEdit* number = nullptr;
  QLineEdit* special = nullptr;
  QLineEdit* fromAirport = nullptr;
  QLineEdit* toAirport = nullptr;
  CLinkLabel* weightCaption = nullptr;
  QLineEdit* weight = nullptr;
  QLineEdit* length = nullptr;
  QLineEdit* width = nullptr;
  QLineEdit* height = nullptr;
  std::array<QRadioButton*, 3> share{};
  QLineEdit* fromStation = nullptr;
  QLineEdit* toStation = nullptr;
  QLineEdit* order = nullptr;
  QLineEdit* specialOrder = nullptr;
  QLineEdit* bagType = nullptr;
  // The label's caption as a link (null when it is a plain caption).
  CLinkLabel* labelCaption = nullptr;
  QLineEdit* label = nullptr;

  std::array<QLineEdit*, 5> spares{};
  std::array<CLinkLabel*, 5> spareCaptions{};
  QLineEdit* consignment = nullptr;
  QPlainTextEdit* memo = nullptr;

  QLabel* itemsHeader = nullptr;
  QLabel* weightLine = nullptr;
  CListGrid* grid = nullptr;
};

// The status line and the header's columns 1 and 2 (x 4 to 468, y 2 to
// 192); with `labelLink` the label's caption is a link.
void BuildHeaderColumns(QWidget* form, bool labelLink, BagHeaderControls& c);
// The item count and weight lines at y 256 and the item grid below them,
// sized to `screen`, with the item columns.
void BuildItemsArea(QWidget* form, QSize screen, BagHeaderControls& c);

// The loaded bag's header values into the controls (number, spares,
// consignment note and memo included).
void FillHeader(BagHeaderControls& c, const bagging::BagHeader& h);
// The header as the operator left it in the controls.
bagging::BagHeaderFields ReadHeader(const BagHeaderControls& c);
// The header fields of the bag labels (number to spares) from `f`.
void PutLabelHeader(const bagging::BagHeaderFields& f, BagLabelSources& s);
// The status line in `color`.
void ShowStatus(QLabel* status, const QString& text, const QColor& color);

}  // namespace bagform
