#pragma once
// Edits of the entry dialogs: numbers that take only what they can read, and
// their values.

#include <QString>

#include <cstdint>
#include <string>

class QLineEdit;
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

inline QString QText(const std::u16string& text) { return QString::fromStdU16String(text); }
