#pragma once
// CQueryDlgBase: what the condition dialogs of the lists share.  The
// conditions live in plain members that the dialog writes to its boxes when
// it opens (WriteControls) and reads back on OK (ReadControls); the list
// that opened the dialog reads the members after IDOK and builds its query.
//
// The base gives them: text boxes with their length limit, number boxes,
// clickable labels with the hand cursor, the three buttons OK, reset and
// Cancel (texts 170021-170023), and the keyboard rules: Up moves to the
// previous control, Down to the next; Enter moves on like Tab (with Ctrl
// held it runs OK first, where the dialog says so); Escape cancels or is
// swallowed, as the dialog says.

#include <QDialog>

#include <string>

class CLinkLabel;
class CViewHost;
class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

class CQueryDlgBase : public QDialog {
  Q_OBJECT

 public:
  enum class EnterKey {
    kTab,              // Enter acts as Tab
    kTabCtrlOk,        // as Tab; with Ctrl held it runs OK
    kTabButtonsCtrlOk  // as Tab, but presses OK and Cancel; with Ctrl held it runs OK
  };

  explicit CQueryDlgBase(QWidget* parent = nullptr);

  // What the dialogs ask of the program (common prompts, airlines, the
  // service kinds); may stay null.
  CViewHost* host = nullptr;
  // The logged-in user's station and customer group (empty: none); the
  // dialogs lock their boxes to them.
  std::u16string userStation;
  std::u16string userGroup;

  // Opens the dialog modally: InitDialog, then the modal loop.  kIdOk or
  // kIdCancel.
  int DoModal();
  // Sets the dialog up as DoModal does before showing it (tests drive the
  // dialog without a modal loop).
  void InitDialog();

  QPushButton* OkButton() const { return okButton_; }
  QPushButton* ResetButton() const { return resetButton_; }
  QPushButton* CancelButton() const { return cancelButton_; }

 public slots:
  // Reads the boxes and closes with OK when they read well.
  void OnOK();
  // Sets the defaults again and shows them.
  void OnReset();

 protected:
  // The dialog's own parts of opening, reading, writing and reset.
  virtual void OnOpen() {}
  virtual bool ReadControls() = 0;
  virtual void WriteControls() = 0;
  virtual void ResetConditions() = 0;
  // What OK checks once the boxes read well; false keeps the dialog open.
  virtual bool AcceptConditions() { return true; }

  // A text box with its length limit, placed in the grid at (row, column).
  QLineEdit* AddEdit(int row, int column, int maxLength, int span = 1);
  // A label with a language text (":" appended when asked).
  QLabel* AddLabel(int row, int column, int32_t textId, bool colon = false);
  // A clickable label in the hand cursor.
  CLinkLabel* AddLink(int row, int column, int32_t textId, bool colon = false);
  QCheckBox* AddCheck(int row, int column, int32_t textId);
  // Puts the OK, reset and Cancel buttons under the grid.
  void AddButtons();

  // Number boxes: true with the value, else the message of a box without a
  // number is shown, the box takes the focus and the result is false.
  bool ReadInt(QLineEdit* box, int32_t& value);
  bool ReadDouble(QLineEdit* box, double& value);

  // Runs the common-prompt picker into a text (the boxes read first); true
  // when a prompt was chosen (the boxes then show it).
  bool PickPrompt(std::u16string& text);

  QGridLayout* grid() const { return grid_; }
  void SetEnterKey(EnterKey rule) { enterKey_ = rule; }
  void SetEscapeCancels(bool cancels) { escapeCancels_ = cancels; }
  // The toolkit's own dialog keys (Enter presses the default button, Escape
  // cancels) instead of the rules above.
  void SetStandardKeys(bool standard) { standardKeys_ = standard; }

  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  // A key of the dialog's own (before the shared rules); true when taken.
  virtual bool OnDialogKey(QKeyEvent* event, bool release) {
    (void)event;
    (void)release;
    return false;
  }

 private:
  bool HandleKey(QKeyEvent* event);
  bool ReadNumber(QLineEdit* box, bool whole, double& value);

  QGridLayout* grid_;
  QPushButton* okButton_;
  QPushButton* resetButton_;
  QPushButton* cancelButton_;
  EnterKey enterKey_ = EnterKey::kTab;
  bool escapeCancels_ = true;
  bool standardKeys_ = false;
};

// Room for a date and time in a box.
inline constexpr int kDateBoxWidth = 160;

// Texts and conversions the dialogs share.
std::u16string BoxText(const QLineEdit* box);
void SetBoxText(QLineEdit* box, std::u16string_view text);
// The range of the last seconds as "%Y.%m.%d %H:%M:%S" texts, ending now.
void RecentRange(std::u16string& from, std::u16string& to, int seconds);
inline constexpr int kSecondsOfDay = 24 * 3600;
