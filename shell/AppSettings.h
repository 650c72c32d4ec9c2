#pragma once
// The settings of the application object and the fixed name tables the entry
// forms and printing read.  SetDefaults gives them their values once, when
// the application object is built; later start-up steps overwrite only what
// they name (company dictionaries, user environment).  Nothing here is read
// from a file, and nothing here needs a window.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/DateTime.h"

struct AppSettings {
  // Fixed-width table entries: the text, then zero bytes up to the width.
  using WideName8 = std::array<char16_t, 8>;  // 16 bytes of UTF-16
  using GbkName8 = std::array<char, 8>;
  using GbkName12 = std::array<char, 12>;

  // --- start-up and login
  int32_t loginRequired = 0;
  int32_t loginRefreshChecked = 0;   // login dialog: refresh options ticked at first
  int32_t loginRefreshLocked = 0;    // login dialog: refresh options cannot be changed

  // --- record check (RecordCheckText)
  int32_t checkDestination = 0;
  int32_t checkGoodsName = 0;
  int32_t checkUnitPrice = 0;

  // --- postcode zones (zone file download, zones of the input records)
  int32_t postcodeZonesEnabled = 0;

  // --- company web address; its menu command is removed when empty
  std::u16string companyWebAddress;

  // --- weights: the class letter that overrides the caller's (0: none), and
  // the waybill forms' default letter
  char divisorLetterOverride = 'W';
  char defaultDivisorLetter = 0;

  // --- waybill form defaults
  std::u16string defaultCurrency;       // at most 4 characters
  std::u16string defaultOriginCountry;  // at most 4 characters
  // Today, yesterday and the day before, "%Y.%m.%d".
  std::array<std::u16string, 3> businessDates;

  // --- printing
  std::array<int32_t, 3> printConfirmSettings{};
  int32_t waybillRendererFlag = 0;
  int32_t labelRendererFlag = 0;
  int32_t invoiceToFile = 0;  // proforma invoice to file

  // --- imports
  int32_t marketplaceOrderImport = 0;  // off: the import format list decides
  std::array<int32_t, 2> waybillImportFlags{};

  // --- entry forms and pages
  int32_t fullFormInitFlag = 0;
  int32_t fullFormInitClearFlag = 0;
  int32_t fullFormConstructFlag = 0;
  std::array<int32_t, 2> fullFormSaveFlags{};
  int32_t scanPrintFlag = 0;     // quick scan-print, quick entry, record check, streamlined entry
  int32_t quickEntryFlag = 0;    // quick entry, streamlined entry
  int32_t recordQueryFlag = 0;   // record queries of the full-form page and the record-check page
  int32_t scanStationFlag = 0;   // scan station dialog

  // --- the carrier's remote-area search (CheckRemoteArea): host and port
  std::string remoteAreaHost = "remoteareas.dhl.com";
  int32_t remoteAreaPort = 80;

  // --- desktop folder, found on first use
  std::u16string desktopPath;

  // --- fixed name tables
  std::array<WideName8, 3> payModes{};
  std::array<WideName8, 3> packageKinds{};
  std::array<GbkName8, 34> provinces{};
  std::array<GbkName12, 42> countries{};

  // Gives every setting its default and fills the tables; the business dates
  // count back from today in the local time zone.
  void SetDefaults();
  // The same with a given today.
  void SetDefaults(const CivilDate& today);

  // The text of a table entry (up to its first zero).
  static std::u16string_view EntryText(const WideName8& entry);
  static std::string_view EntryText(const GbkName8& entry);
  static std::string_view EntryText(const GbkName12& entry);
  // A pay way's and an item type's name as the screen shows it: the fixed
  // name of the table in Chinese, the language's text in another language
  // (templates and prints keep the fixed names).  Empty outside 0..2.
  static std::u16string PayModeOnScreen(int index);
  static std::u16string PackageKindOnScreen(int index);
};

// The day before a date.
CivilDate PreviousDay(const CivilDate& date);
