#pragma once
// CCommonPhrasesDlg: the dialog in which the operator edits the common
// prompts, one per line.  It opens with the prompts the application holds,
// each followed by a line break; after OK `text` holds the edited prompts
// with "\r\n" line ends (the form the prompt file keeps).
//
//   CCommonPhrasesDlg dialog(theApp.prompts, frame);
//   if (dialog.DoModal() == platform::kIdOk) save(dialog.text);

#include <QDialog>

#include <string>
#include <vector>

class QPlainTextEdit;
class QPushButton;

class CCommonPhrasesDlg : public QDialog {
  Q_OBJECT

 public:
  // The edit takes at most this many characters.
  static constexpr int kMaxCharacters = 32000;

  explicit CCommonPhrasesDlg(const std::vector<std::u16string>& prompts,
                             QWidget* parent = nullptr);

  // Runs the dialog modally; kIdOk after OK, kIdCancel otherwise.
  int DoModal();

  // The edited prompts after OK, one per line ("\r\n" line ends).
  std::u16string text;

  QPlainTextEdit* Edit() const { return edit_; }
  QPushButton* OkButton() const { return okButton_; }
  QPushButton* CancelButton() const { return cancelButton_; }

 public slots:
  void accept() override;

 private:
  void KeepWithinLimit();

  QPlainTextEdit* edit_;
  QPushButton* okButton_;
  QPushButton* cancelButton_;
};
