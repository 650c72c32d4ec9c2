#pragma once
// The settings panels of the two import pages, with the behaviour they
// share: CTrackImportDlg (page 7) and CTransferNoImportDlg (page 6).
//
// A panel holds the defaults of an import (date and time, event text,
// service place), the text version (Chinese or English) and what the
// sheet's numbers are, plus one option of its own: the tracking panel the
// information position, the transfer panel mixed matching.  Its two buttons
// post WM_PAGE_NOTIFY to the page with wParam 1 (import) or 2 (write the
// header template).  Enter and Down move to the next control, Up to the
// previous; Escape and Page Up do nothing.

#include <QWidget>

#include <array>
#include <functional>
#include <string>

class CColorButton;
class CLinkLabel;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QVBoxLayout;

class CImportPanelDlg : public QWidget {
 public:
  // Resets the panel: the date and time now ("%Y-%m-%d %H:%M"), the texts
  // empty, every radio group at its first button.
  virtual void Reset();

  std::u16string DateTime() const;
  std::u16string EventText() const;
  std::u16string Place() const;
  int NumberKind() const;
  int Version() const;
  // The values every import takes into its settings: the defaults, the
  // number kind and the version.
  template <typename Settings>
  void TakeValues(Settings& settings) const {
    settings.dateTime = DateTime();
    settings.eventText = EventText();
    settings.place = Place();
    settings.numberKind = NumberKind();
    settings.version = Version();
  }

  // The page that receives the requests.
  QObject* pageWindow = nullptr;
  // Picks a common prompt; unset, the captions pick nothing.
  std::function<bool(std::u16string&)> chooseCommonPrompt;

  QLineEdit* DateEdit() const { return date_; }
  QLineEdit* EventEdit() const { return event_; }
  QLineEdit* PlaceEdit() const { return place_; }
  CLinkLabel* DateCaption() const { return dateCaption_; }
  CLinkLabel* PlaceCaption() const { return placeCaption_; }
  CLinkLabel* EventCaption() const { return eventCaption_; }
  QRadioButton* VersionButton(int i) const { return versions_[static_cast<size_t>(i)]; }
  QRadioButton* NumberKindButton(int i) const { return kinds_[static_cast<size_t>(i)]; }
  QPushButton* ImportButton() const { return import_; }
  QPushButton* TemplateButton() const { return template_; }

 protected:
  // The captions are texts base + 0 .. base + 12 (260000 or 270000); the
  // number kinds' captions base + 4 .. base + 6.
  CImportPanelDlg(QWidget* parent, int captionBase);
  // Adds the panel's own option below the number kinds.
  QVBoxLayout* OptionArea() const { return options_; }
  // Ends the construction: the rest of the controls and the keys.
  void Finish();
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void PickPrompt(QLineEdit* edit);

  int base_;
  QLineEdit* date_ = nullptr;
  QLineEdit* event_ = nullptr;
  QLineEdit* place_ = nullptr;
  CLinkLabel* dateCaption_ = nullptr;
  CLinkLabel* placeCaption_ = nullptr;
  CLinkLabel* eventCaption_ = nullptr;
  std::array<QRadioButton*, 2> versions_{};
  std::array<QRadioButton*, 3> kinds_{};
  QButtonGroup* versionGroup_ = nullptr;
  QButtonGroup* kindGroup_ = nullptr;
  QPushButton* import_ = nullptr;
  QPushButton* template_ = nullptr;
  CColorButton* iconButton_ = nullptr;
  QVBoxLayout* layout_ = nullptr;
  QVBoxLayout* options_ = nullptr;
};

// Page 7's panel (dialog 174): the information position 0-49, 50-99 or
// 200-255.
class CTrackImportDlg : public CImportPanelDlg {
 public:
  explicit CTrackImportDlg(QWidget* parent = nullptr);
  void Reset() override;
  int Position() const;
  QRadioButton* PositionButton(int i) const { return positions_[static_cast<size_t>(i)]; }

 private:
  std::array<QRadioButton*, 3> positions_{};
  QButtonGroup* positionGroup_ = nullptr;
};

// Page 6's panel (dialog 173): mixed matching.
class CTransferNoImportDlg : public CImportPanelDlg {
 public:
  explicit CTransferNoImportDlg(QWidget* parent = nullptr);
  void Reset() override;
  bool Mixed() const;
  QCheckBox* MixedCheck() const { return mixed_; }

 private:
  QCheckBox* mixed_ = nullptr;
};
