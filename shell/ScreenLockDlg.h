#pragma once
// The screen-lock dialog: the unlock box of the locked program (the main
// frame covers its window meanwhile, see CMainFrame::OnLock).  It ends with
// kLockUnlocked when the logged-in user's password is typed, or with
// kLockCloseProgram when the operator confirms closing the program.

#include <QDialog>
#include <QFont>

#include <string>

class CServerLink;
class QLabel;
class QLineEdit;
class QPushButton;

inline constexpr int kLockUnlocked = 1;
inline constexpr int kLockCloseProgram = 2;

class CScreenLockDlg : public QDialog {
  Q_OBJECT

 public:
  // The banner text (language text 490020) is read here, once.
  explicit CScreenLockDlg(const CServerLink& link, QWidget* parent = nullptr);

  QLineEdit* PasswordEdit() const { return passwordEdit_; }
  QPushButton* UnlockButton() const { return unlockButton_; }
  QPushButton* CloseButton() const { return closeButton_; }
  QString UserLine() const;
  const std::u16string& BannerText() const { return banner_; }

  // The grey level of row `row` of the banner band: 84, 88, ... 248, then 252.
  static int BandLevel(int row);
  static constexpr int kBandHeight = 50;

 public slots:
  // Unlock: the typed password must equal the stored one exactly.
  void accept() override;
  // Close program (Cancel, Escape, the close box): asks first.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  const CServerLink& link_;
  std::u16string banner_;
  QFont bannerFont_;
  int clientWidth_ = 0;
  bool confirmClose_ = true;
  QLabel* userLine_ = nullptr;
  QLineEdit* passwordEdit_ = nullptr;
  QPushButton* unlockButton_ = nullptr;
  QPushButton* closeButton_ = nullptr;
};
