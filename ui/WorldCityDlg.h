#pragma once
// The world city dialog: browse the address library by region and area,
// search it by country code, area code, postcode or city name, and hand the
// chosen city to the window that opened it.
//
// Modeless: the form creates it once, shows it with ShowRegion and keeps
// it; closing only hides it, and it keeps its state for the next use.
// Confirming ("确认关闭 &S" or a double click on a city) posts
// kWmCityChosen (0x473) with a CityChoice payload to the owner, when a city
// is chosen and the owner still exists, then hides.

#include <QDialog>
#include <QPointer>

#include <string_view>

#include "ui/WorldCityBrowser.h"

class CListGrid;
class QLabel;
class QLineEdit;
class QPushButton;

class CWorldCityDlg : public QDialog {
 public:
  CWorldCityDlg(const CAddressLibrary& library, const CDestinationTable* destinations,
                QObject* owner, QWidget* parent = nullptr);

  // Shows the region of the country code (and its first area's cities).
  void ShowRegion(std::string_view countryCode);

  CWorldCityBrowser& Browser() { return browser_; }
  CListGrid* RegionList() const { return regions_; }
  CListGrid* AreaList() const { return areas_; }
  CListGrid* CityList() const { return cities_; }
  QLineEdit* CountryEdit() const { return countryEdit_; }
  QLineEdit* AreaEdit() const { return areaEdit_; }
  QLineEdit* PostcodeEdit() const { return postcodeEdit_; }
  QLineEdit* CityEdit() const { return cityEdit_; }
  QPushButton* ClearButton() const { return clear_; }
  QPushButton* ConfirmButton() const { return confirm_; }
  QLabel* CaptionLabel() const { return caption_; }
  QLabel* CityCountLabel() const { return cityCount_; }

  // Posts the chosen city to the owner (when both exist), then hides.
  void Confirm();

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void ShowRegionRow(int row, std::string_view area = {});
  void FillAreas();
  void FillCities();
  void SelectCity(int row);
  void ClickCity(int row);
  void Typed(QLineEdit* edit);
  // Enter in an edit; true when the focus moves on as with Tab.
  bool Search(QLineEdit* edit);
  void Clear();

  CWorldCityBrowser browser_;
  QPointer<QObject> owner_;
  CListGrid* regions_;
  CListGrid* areas_;
  CListGrid* cities_;
  QLineEdit* countryEdit_;
  QLineEdit* areaEdit_;
  QLineEdit* postcodeEdit_;
  QLineEdit* cityEdit_;
  QPushButton* clear_;
  QPushButton* confirm_;
  QPushButton* close_;
  QLabel* regionCount_;
  QLabel* areaCount_;
  QLabel* cityCount_;
  QLabel* caption_;
};
