#include "ui/SuggestPopup.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPainter>

#include "common/TextCodec.h"
#include "platform/QtMessages.h"

namespace {

QColor Rgb(uint32_t rgb) { return QColor::fromRgb(static_cast<QRgb>(rgb)); }

QFont PopupFont(SuggestCell::Font kind) {
  QFont font;
  switch (kind) {
    case SuggestCell::kNumber:
      font.setFamilies({QStringLiteral("Arial Black"), QStringLiteral("Arial"),
                        QStringLiteral("DejaVu Sans")});
      font.setWeight(QFont::ExtraBold);
      break;
    case SuggestCell::kNarrow:
      font.setFamilies({QStringLiteral("Arial Narrow"), QStringLiteral("Liberation Sans Narrow"),
                        QStringLiteral("DejaVu Sans Condensed")});
      font.setWeight(QFont::Thin);
      break;
    case SuggestCell::kText:
      font.setFamilies({QString::fromUtf16(u"宋体"), QStringLiteral("SimSun"),
                        QStringLiteral("WenQuanYi Micro Hei")});
      font.setWeight(QFont::Normal);
      break;
  }
  font.setPixelSize(12);
  return font;
}

}  // namespace

CSuggestPopup::CSuggestPopup(CSuggestRows& rows, QWidget* owner) : QWidget(owner), rows_(rows) {
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_ShowWithoutActivating);
  resize(rows_.Look().width, rows_.Look().height);
  hide();
}

void CSuggestPopup::PlaceUnder(const QWidget* edit) {
  if (!edit || !parentWidget()) return;
  move(edit->mapTo(parentWidget(), QPoint(0, edit->height())));
}

bool CSuggestPopup::event(QEvent* event) {
  if (auto* m = platform::AsPrivateMessage(event)) {
    if (m->Message() == rows_.Look().refreshMessage) {
      Refresh(static_cast<int64_t>(m->LParam()));
      return true;
    }
  }
  return QWidget::event(event);
}

void CSuggestPopup::Refresh(int64_t lParam) {
  std::string empty;
  rows_.Search(searchText_ ? *searchText_ : empty, lParam);
  if (rows_.AnyFilled()) {
    raise();
    show();
  } else {
    hide();
  }
  update();
}

void CSuggestPopup::paintEvent(QPaintEvent*) {
  const SuggestLook& look = rows_.Look();
  QPainter p(this);
  p.fillRect(rect(), Rgb(look.background));
  p.setPen(QColor(0x80, 0x80, 0x80));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  const bool twoLines = look.rowPitch > look.lineHeight * 3 / 2;

  // White rows, each with its number in the faint number colour.
  p.setFont(PopupFont(SuggestCell::kNumber));
  for (int i = 0; i < look.rows; ++i) {
    const int y = look.firstY + i * look.rowPitch;
    const QRect row(1, y, look.rowRight - 1, look.rowPitch - 1);
    p.fillRect(row, Qt::white);
    if (!rows_.IsFilled(i)) continue;
    p.setPen(Rgb(look.numberColor));
    const QString number = QString::fromStdU16String(rows_.NumberText(i));
    if (twoLines) p.drawText(QRect(2, y + look.lineHeight, 8, look.lineHeight), Qt::AlignLeft | Qt::AlignVCenter, number);
    else p.drawText(row, Qt::AlignRight | Qt::AlignVCenter, number);
  }

  // The texts of the filled rows, up to the first empty one.
  for (int i = 0; i < look.rows && rows_.IsFilled(i); ++i) {
    const int y = look.firstY + i * look.rowPitch;
    for (const SuggestCell& cell : rows_.Cells(i)) {
      p.setFont(PopupFont(cell.font));
      p.setPen(Rgb(cell.rgb));
      const QRect box(cell.left, y + cell.line * look.lineHeight, cell.right - cell.left, look.lineHeight);
      QString text = QString::fromStdU16String(cell.text);
      if (cell.ellipsis) text = p.fontMetrics().elidedText(text, Qt::ElideRight, box.width());
      p.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, text);
    }
  }
}

void CSuggestPopup::mousePressEvent(QMouseEvent* event) {
  if (rows_.Look().hide == SuggestLook::HideOnClick::kOnPress) hide();
  QWidget::mousePressEvent(event);
}

void CSuggestPopup::mouseReleaseEvent(QMouseEvent* event) {
  const SuggestLook::HideOnClick hides = rows_.Look().hide;
  if (hides == SuggestLook::HideOnClick::kOnRelease) hide();
  QWidget::mouseReleaseEvent(event);
  // The popup lies over the fields below its edit: the click the operator
  // aimed at one of them reaches it.
  if (hides != SuggestLook::HideOnClick::kNever && isHidden()) PassClickBeneath(event);
}

void CSuggestPopup::PassClickBeneath(const QMouseEvent* event) {
  QWidget* parent = parentWidget();
  if (parent == nullptr) return;
  const QPoint inParent = mapToParent(event->position().toPoint());
  QWidget* below = parent->childAt(inParent);
  if (below == nullptr || below == this || isAncestorOf(below)) return;
  // A button beneath is neither pressed nor focused by a click aimed at the list.
  if (qobject_cast<QAbstractButton*>(below) != nullptr) return;
  for (QWidget* w = below; w != nullptr && w != parent; w = w->parentWidget()) {
    if (w->isEnabled() && (w->focusPolicy() & Qt::ClickFocus)) {
      w->setFocus(Qt::MouseFocusReason);
      break;
    }
  }
  const QPointF at = below->mapFrom(parent, inParent);
  QMouseEvent press(QEvent::MouseButtonPress, at, event->globalPosition(), event->button(),
                    event->button(), event->modifiers());
  QCoreApplication::sendEvent(below, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at, event->globalPosition(), event->button(),
                      Qt::NoButton, event->modifiers());
  QCoreApplication::sendEvent(below, &release);
}

// ---- the form's side ----

CSuggestEditBinding::CSuggestEditBinding(QLineEdit* edit, CSuggestPopup* popup, int maxChars,
                                         size_t maxBytes)
    : QObject(edit), edit_(edit), popup_(popup), maxChars_(maxChars), maxBytes_(maxBytes) {
  popup->SetSearchText(&searchText_);
  edit->installEventFilter(this);
  // Only the operator's changes search: what the form (or a pick) writes
  // into the edit does not.
  connect(edit, &QLineEdit::textEdited, this, &CSuggestEditBinding::OnTextChanged);
}

void CSuggestEditBinding::OnTextChanged(const QString& text) {
  if (!popup_ || !edit_->hasFocus()) return;
  const QString typed = text.left(maxChars_);
  if (typed.isEmpty()) {
    popup_->hide();
    return;
  }
  searchText_ = GbkFromWide(typed.toStdU16String());
  if (maxBytes_ > 0) GbkTruncate(searchText_, maxBytes_);
  popup_->PlaceUnder(edit_);
  platform::SendPrivateMessage(popup_, popup_->Rows().Look().refreshMessage, 0,
                               static_cast<qintptr>(lParam_));
}

bool CSuggestEditBinding::Pick(int row) {
  if (!popup_ || !popup_->isVisible()) return false;
  const std::u16string text = popup_->Rows().PickText(row);
  if (text.empty()) return false;
  edit_->setText(QString::fromStdU16String(text));
  if (onPick) onPick(row);
  if (popup_) popup_->hide();
  // The key becomes Tab: the focus moves on to the next field (unless the
  // form has moved it already, as after a message).
  if (edit_->hasFocus()) {
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QCoreApplication::sendEvent(edit_, &tab);
  }
  return true;
}

bool CSuggestEditBinding::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edit_) {
    if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      const bool ctrl = key->modifiers() & Qt::ControlModifier;
      int row = -1;
      if (ctrl && key->key() >= Qt::Key_1 && key->key() <= Qt::Key_5) row = key->key() - Qt::Key_1;
      else if (!ctrl && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) row = 0;
      if (row >= 0 && Pick(row)) return true;
    } else if (event->type() == QEvent::FocusOut && popup_) {
      popup_->hide();
    }
  }
  return QObject::eventFilter(watched, event);
}
