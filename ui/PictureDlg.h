#pragma once
// CPictureDlg: the pictures of one record, one position at a time: the
// positions as a drop list and five links, the picture fitted into a
// 640 x 480 area, the desktop's viewer for the shown picture, and, where
// allowed, a picture file uploaded into a chosen position.
//
//   RunPictureDialog(this, link, irid, icid, pictures::kKindWaybill, true, host);
//
// The rules live in pictures::PictureSession (devices/RecordPictures.h);
// the dialog shows its state and passes on the operator's clicks.

#include <QDialog>
#include <QImage>

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "devices/RecordPictures.h"

class CLinkLabel;
class CServerLink;
class CViewHost;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QUrl;

class CPictureDlg : public QDialog {
  Q_OBJECT

 public:
  CPictureDlg(pictures::PictureLink& link, pictures::PictureSession::Environment env,
              int32_t key, int32_t second, int kind, bool uploadAllowed,
              QWidget* parent = nullptr);
  ~CPictureDlg() override;

  // Fills the dialog and runs it modally.
  int DoModal();
  // What DoModal does before the dialog shows (tests drive the dialog
  // without a modal loop after it).
  void InitDialog();

  // The file chooser of "选择图片...": the path chosen, empty when
  // cancelled (an open-file dialog unless a test replaces it).
  std::function<std::u16string(QWidget*)> chooseFile;
  // Hands a cached picture to the desktop's viewer (QDesktopServices with a
  // local file address unless the opener or a test replaces it).
  std::function<void(const QUrl&)> openUrl;

  // The operator's actions, as the buttons and links run them.
  void ShowListed();
  void ShowLink(int n);
  void Refresh();
  void Choose();
  void Upload();
  void SystemOpen();

  pictures::PictureSession& Session() const { return *session_; }
  // The off-screen bitmap of the display area (650 x 490).
  const QImage& Canvas() const { return canvas_; }
  CLinkLabel* Link(int n) const { return links_[static_cast<size_t>(n)]; }
  QComboBox* PositionList() const { return positionList_; }
  QLineEdit* PositionField() const { return positionField_; }
  QPushButton* ViewButton() const { return viewButton_; }
  QPushButton* RefreshButton() const { return refreshButton_; }
  QPushButton* ChooseButton() const { return chooseButton_; }
  QPushButton* UploadButton() const { return uploadButton_; }
  QPushButton* OpenButton() const { return openButton_; }
  QLabel* PathLabel() const { return pathLabel_; }
  QWidget* DisplayArea() const { return display_; }

 private:
  void ShowState();
  void Repaint();

  pictures::PictureLink& link_;
  std::unique_ptr<pictures::PictureSession> session_;
  QImage canvas_;
  std::array<CLinkLabel*, 5> links_{};
  QComboBox* positionList_;
  QLineEdit* positionField_;
  QLabel* positionLabel_;
  QPushButton* viewButton_;
  QPushButton* refreshButton_;
  QPushButton* chooseButton_;
  QPushButton* uploadButton_;
  QPushButton* openButton_;
  QLabel* pathLabel_;
  QWidget* display_;
};

// Runs the dialog of a record over the program's link: the link's program
// folder for the caches, the user's name signing uploads, opened through
// the host's OpenUrl when a host is given.
void RunPictureDialog(QWidget* parent, CServerLink& link, int32_t key, int32_t second, int kind,
                      bool uploadAllowed, CViewHost* host = nullptr);
