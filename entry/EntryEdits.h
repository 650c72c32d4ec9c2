#pragma once
// Edits of the entry dialogs: numbers that take only what they can read, and
// their values.

#include <QString>

#include <cstddef>
#include <cstdint>
#include <string>

class CListGrid;
class QLineEdit;
class QObject;
class QWidget;

// A whole number edit (sign and up to nine digits).
QLineEdit* MakeIntegerEdit(QWidget* parent);
// A decimal number edit (sign, digits, one point).
QLineEdit* MakeRealEdit(QWidget* parent);
// A text edit of at most `maxCharacters` characters.
QLineEdit* MakeTextEdit(QWidget* parent, int maxCharacters);

// The values of the edits; 0 for an empty or unreadable text.
int32_t IntegerOf(const QLineEdit* edit);
double RealOf(const QLineEdit* edit);
std::u16string TextOf(const QLineEdit* edit);

// The number with the given decimals ("%.3f" ...).
QString RealText(double value, int decimals);

// One grid column: caption (language id), width and alignment.
struct GridColumnSpec {
  int caption;
  int width;
  int align;
};
// The grid of an entry dialog: whole-row highlight, one row selected, rows
// with ids, double clicks reported to `notify`, and the columns.
void SetUpEntryGrid(CListGrid* grid, QObject* notify, const GridColumnSpec* columns, int count);
template <size_t N>
void SetUpEntryGrid(CListGrid* grid, QObject* notify, const GridColumnSpec (&columns)[N]) {
  SetUpEntryGrid(grid, notify, columns, static_cast<int>(N));
}

inline QString QText(const std::u16string& text) { return QString::fromStdU16String(text); }
