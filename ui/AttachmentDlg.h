#pragma once
// CAttachmentDlg: lists, adds, downloads and deletes the file attachments
// of one business record.  The opener sets the kind and the record's key
// and runs it modally:
//
//   RunAttachmentDialog(this, link, attachment::kKindAwb, 0, awbNumber, host);
//   RunAttachmentDialog(this, link, attachment::kKindPayment, ifid, {}, host);
//
// The rules live in attachment::AttachmentSession (devices/Attachments.h);
// the dialog shows its state and passes on the operator's clicks.

#include <QDialog>

#include <functional>
#include <memory>
#include <string>

#include "devices/Attachments.h"

class CColorButton;
class CListGrid;
class CServerLink;
class CViewHost;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Opens downloads with the desktop's opener: the host's OpenUrl when there
// is a host, else QDesktopServices, always as a file address.
class DesktopAttachmentOpener : public attachment::AttachmentOpener {
 public:
  explicit DesktopAttachmentOpener(CViewHost* host) : host_(host) {}
  void Open(const std::u16string& path) override;

 private:
  CViewHost* host_;
};

class CAttachmentDlg : public QDialog {
  Q_OBJECT

 public:
  CAttachmentDlg(attachment::AttachmentLink& link, attachment::AttachmentOpener& opener,
                 attachment::AttachmentSession::Environment env, QWidget* parent = nullptr);
  ~CAttachmentDlg() override;

  // Set by the opener before DoModal: the kind (0..5) and the record's id
  // (kinds 0, 1, 3, 4, 5) or the master air waybill number (kind 2, at most
  // 30 characters kept).
  int kind = 0;
  int32_t keyId = 0;
  std::u16string keyText;

  // Fills the dialog and runs it modally.
  int DoModal();
  // What DoModal does before the dialog shows (tests call it to drive the
  // dialog without a modal loop).
  void InitDialog();

  // The file chooser of the browse button: the path chosen, empty when
  // cancelled (an open-file dialog unless a test replaces it).
  std::function<std::u16string(QWidget*)> chooseFile;

  attachment::AttachmentSession* Session() const { return session_.get(); }
  CListGrid* List() const { return list_; }
  CColorButton* BrowseButton() const { return browseButton_; }
  QPushButton* ActionButton() const { return actionButton_; }
  QPushButton* DeleteButton() const { return deleteButton_; }
  QLineEdit* FileField() const { return fileField_; }
  QCheckBox* OpenAfterDownloadBox() const { return openAfter_; }

 protected:
  bool event(QEvent* e) override;

 private:
  void OnBrowse();
  void OnPickRow();
  void OnAction();
  void OnDelete();
  void ShowRows();
  void Refresh();

  attachment::AttachmentLink& link_;
  attachment::AttachmentOpener& opener_;
  attachment::AttachmentSession::Environment env_;
  std::unique_ptr<attachment::AttachmentSession> session_;

  CColorButton* browseButton_;
  QLabel* fileLabel_;
  QLineEdit* fileField_;
  QPushButton* actionButton_;
  QPushButton* deleteButton_;
  QCheckBox* openAfter_;
  CListGrid* list_;
};

// Runs the dialog of a record over the program's link: the login's account
// and attachment rights, the desktop folder for downloads (the program
// folder's DATA_TEMP without one), opened through the host when given.
void RunAttachmentDialog(QWidget* parent, CServerLink& link, int kind, int32_t keyId,
                         std::u16string keyText, CViewHost* host = nullptr);
