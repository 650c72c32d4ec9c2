#pragma once
// The suggestion popup window: a borderless child of the form that shows
// the rows of a suggestion list (ui/SuggestRows.h) under an edit box.  It
// never takes the keyboard focus: the operator keeps typing in the edit.
//
// The form creates the popup once, hidden, gives it its source and the
// search text, and asks for a search after every change of the edit with
// the list's refresh message through platform/QtMessages.h:
//
//   auto* popup = new CDestinationSuggestPopup(form);   // hidden child
//   popup->Source().SetSource(&theApp.Destinations());
//   popup->SetSearchText(&searchText_);
//   ...
//   platform::SendPrivateMessage(popup, kWmDestinationSuggest);
//
// The popup then runs the search, shows itself when a row is filled and
// hides otherwise.  CSuggestEditBinding does all of this for a QLineEdit,
// and the picking of rows with Ctrl+1 ... Ctrl+5 and Enter.

#include <QLineEdit>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <string>
#include <utility>

#include "ui/SuggestRows.h"

class CSuggestPopup : public QWidget {
 public:
  // Hidden child of the owner, sized as the list's look says.
  CSuggestPopup(CSuggestRows& rows, QWidget* owner);

  CSuggestRows& Rows() { return rows_; }
  // The owner's search text (GBK), read at every refresh.
  void SetSearchText(std::string* text) { searchText_ = text; }
  // Places the popup under a widget of the owner (the edit it serves).
  void PlaceUnder(const QWidget* edit);

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void Refresh(int64_t lParam);
  // A click on the popup once it has hidden goes to the field beneath it.
  void PassClickBeneath(const QMouseEvent* event);

  CSuggestRows& rows_;
  std::string* searchText_ = nullptr;
};

// A popup with its own list (held in a base built before the window, which
// paints from it).
template <typename RowsT>
struct SuggestRowsHolder {
  template <typename... Args>
  explicit SuggestRowsHolder(Args&&... args) : rows(std::forward<Args>(args)...) {}
  RowsT rows;
};

template <typename RowsT>
class TSuggestPopup : private SuggestRowsHolder<RowsT>, public CSuggestPopup {
 public:
  template <typename... Args>
  explicit TSuggestPopup(QWidget* owner, Args&&... args)
      : SuggestRowsHolder<RowsT>(std::forward<Args>(args)...),
        CSuggestPopup(SuggestRowsHolder<RowsT>::rows, owner) {}
  RowsT& Source() { return SuggestRowsHolder<RowsT>::rows; }
};

using CDestinationSuggestPopup = TSuggestPopup<CDestinationSuggestRows>;
using CCitySuggestPopup = TSuggestPopup<CCitySuggestRows>;
using CClientSuggestPopup = TSuggestPopup<CClientSuggestRows>;
using CDirectorySuggestPopup = TSuggestPopup<CDirectorySuggestRows>;
using CPlaceSuggestPopup = TSuggestPopup<CPlaceSuggestRows>;
using CFlightSuggestPopup = TSuggestPopup<CFlightSuggestRows>;
using CNameSuggestPopup = TSuggestPopup<CNameSuggestRows>;

// What a form does for an edit served by a popup:
// - every change the operator makes to the text (typing, pasting; not a
//   text the form or the binding writes) while the edit has the focus puts
//   at most `maxChars` characters of it, as GBK (cut to `maxBytes` at a
//   character boundary when given), into the search text and asks the
//   popup for a search; an empty text hides the popup;
// - Ctrl+1 ... Ctrl+5 pick rows 0 ... 4 and Enter row 0: the row's text goes
//   into the edit, onPick is told the row (the form takes its record from
//   the popup's list) and the focus moves on as with Tab; an empty row
//   picks nothing and the key does what it does without a popup;
// - when the edit loses the focus the popup hides.
class CSuggestEditBinding : public QObject {
 public:
  CSuggestEditBinding(QLineEdit* edit, CSuggestPopup* popup, int maxChars = 63,
                      size_t maxBytes = 0);

  std::function<void(int row)> onPick;
  // The refresh message's lParam (the directory popup: 1 for phones).
  void SetLParam(int64_t lParam) { lParam_ = lParam; }
  const std::string& SearchText() const { return searchText_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OnTextChanged(const QString& text);
  bool Pick(int row);

  QLineEdit* edit_;
  QPointer<CSuggestPopup> popup_;
  int maxChars_;
  size_t maxBytes_;
  int64_t lParam_ = 0;
  std::string searchText_;
};
