#pragma once
// The two HTML documents of the single-waybill view: the left one with the
// waybill's identity, route, weights, money and fee marks, spare fields,
// receiver, sender and goods; the right one with the state, the latest
// tracking line, the dates of each handling step and the memo texts.
//
// Every text taken from the record or from a tracking line is escaped
// before it enters the HTML (& < > " '), and a spare field is written as a
// link only when it holds an http or https address, escaped for its
// attribute.  The builders need no widget: the view puts their fragments
// into its browser panes.
//
// Money: fsprice, famount and the fgoods family are amounts; iprice,
// idvalue and iivalue are hundredths (the unit the waybill save sends) and
// are divided by 100 for display, as every other screen of the program does.

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

// One row of the view's query, by column name.  Every value is kept as the
// text the reply carried; numbers are read from it on demand.
class WaybillDetailRow {
 public:
  void Set(std::string_view column, std::u16string value);
  // The text cut to at most n characters (all of it for n 0); empty when
  // the column is missing.
  std::u16string Text(std::string_view column, size_t n = 0) const;
  int32_t Int(std::string_view column) const;
  double Real(std::string_view column) const;
  bool Has(std::string_view column) const;

 private:
  std::map<std::string, std::u16string, std::less<>> values_;
};

// What the documents depend on besides the row.
struct WaybillDetailContext {
  bool fullView = true;                 // access flag: 1 full view, 0 restricted
  std::u16string operatorStation;       // "cStation" of the login reply
  std::array<uint8_t, 16> xRight{};
  std::array<uint8_t, 16> xRighte{};
  bool dictionary65Set = false;         // dictionary value 65 not empty
  bool dictionary71Set = false;         // dictionary value 71 not empty
  // The name of a service kind by its code (empty when unknown).
  std::function<std::u16string(std::u16string_view code)> kindName;
  // The name of a supplier by its id (empty when none).
  std::function<std::u16string(int32_t isid)> supplierName;

  bool Right(int byte, unsigned mask) const { return (xRight[byte & 15] & mask) != 0; }
  bool RightE(int byte, unsigned mask) const { return (xRighte[byte & 15] & mask) != 0; }
};

// The page template written once into each browser pane; the fragments
// below become its body.
std::u16string WaybillDetailPageTemplate();
// The template with a fragment as its body: what a pane shows.
std::u16string WaybillDetailPage(std::u16string_view body);

std::u16string BuildWaybillDetailLeft(const WaybillDetailRow& row, const WaybillDetailContext& c);
std::u16string BuildWaybillDetailRight(const WaybillDetailRow& row, const WaybillDetailContext& c);

// ---- text helpers the documents use ----

// & < > " ' as entities.
std::u16string EscapeHtml(std::u16string_view text);
// EscapeHtml, then line breaks and blank runs made HTML (TextToHtml).
std::u16string EscapeHtmlLines(std::u16string_view text);
// True for an address starting with "http://" or "https://" (any case).
bool IsWebAddress(std::u16string_view text);
// A date counts as set when its first character is '2' or above.
bool IsDateSet(std::u16string_view text);
