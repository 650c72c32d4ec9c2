#pragma once
// CWeChatSendDlg: the messenger editor ("微信编辑发送").  The operator writes
// a notice to a customer or a courier: the recipient's OpenID, name and
// account are given; the link, status and description are typed.  OK takes
// the fields when the description has at least 10 characters.  The editor
// also shows the definition the notice goes out with (its parameters in
// their colours) so the operator sees what the recipient receives.
//
// Keys: Ctrl+Enter confirms; Enter moves on as Tab (on the OK button it
// confirms); Up moves back, Down on.

#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTextBrowser;
struct CWeChatMessageDef;

class CWeChatSendDlg : public QDialog {
  Q_OBJECT

 public:
  CWeChatSendDlg(int number, std::u16string openId, std::u16string account, std::u16string name,
                 QWidget* parent = nullptr, const CWeChatMessageDef* definition = nullptr);

  // What the operator confirmed.
  std::u16string url, status, description;

  QLineEdit* openIdBox = nullptr;       // 1581
  QLineEdit* nameBox = nullptr;         // 1002
  QLineEdit* accountBox = nullptr;      // 1264
  QLineEdit* urlBox = nullptr;          // 1582
  QLineEdit* statusBox = nullptr;       // 1583
  QPlainTextEdit* descriptionBox = nullptr;  // 1584
  QTextBrowser* preview = nullptr;
  QPushButton* okButton = nullptr;
  QPushButton* cancelButton = nullptr;

  // Takes the fields and closes with OK when the description is long
  // enough; otherwise says so and stays.
  void OnOK();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int number_;
};

// The preview of a definition: its model text and each parameter in its
// colour (HTML, every value escaped).
std::u16string CourierMessagePreviewHtml(const CWeChatMessageDef& definition);
