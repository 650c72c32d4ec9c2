#pragma once
// The manifest of a master air waybill written into a copy of an "AWB导出"
// workbook template: one sheet row per waybill, per piece, or per bag item
// with the waybill's goods lines across column groups or in rows of their
// own; a totals row, the template's header cells with their placeholders
// and a signature cell.  Nothing here needs a window: the query texts, the
// reading of the replies by column position, the derived values, package
// numbers, blocks and placeholders, and one row writer that puts every
// layout's rows into a cell sink.  RunManifestExport ties them to the
// server, the office suite and the operator through ManifestServices.
//
//   manifest::ManifestForm form = ...;            // read from the form
//   manifest::RunManifestExport(form, services);  // ask, query, write, open

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace awb {
struct AwbHeader;
}
class CExcelSession;
class CTemplateModel;
struct DestinationRecord;

namespace manifest {

inline constexpr char16_t kTemplateKind[] = u"AWB导出";

// Language texts.
inline constexpr int32_t kFilterQuestionText = 410104;  // "%1": the special-control number
inline constexpr int32_t kCaptionText = 20002;
inline constexpr int32_t kNoReplyText = 20005;

enum class Layout { kStandard, kGoodsAcross, kGoodsInRows };

// The values the export takes from the master air waybill form.
struct ManifestForm {
  std::u16string awbNumber;     // the loaded number; empty: nothing happens
  std::u16string templateName;  // the template combo box text
  std::u16string specialNumber; // the special-control number input, as typed
  bool openFile = false;        // "打开文件"
  std::u16string flight, flightDate, airport;     // first flight
  std::u16string flight2, flightDate2, airport2;  // last flight
  std::u16string origin, destination, label, consignmentNote, operationNote;
  std::u16string consigneeAccount, clearanceConsignee, pickupPhone, customsBroker;
  std::u16string etd, eta;
  int pickupIndex = 0;     // the pickup combo box index
  int quoteKindIndex = 0;  // the quote kind combo box index
  std::u16string payWay, goodsCode, goodsDescription, settlementNote;
  std::u16string shipperName, shipperAddress, shipperPhone, shipperPostcode;
  double grossKg = 0;
  int32_t enteredPieces = 0;
  std::u16string declarationNo, declarationDate, customsCode, transportMode, tradeMode;
  int bagRows = 0;  // rows of the form's bag list
};

// The form's values from the editor's header (read from the controls).
ManifestForm FormFromHeader(const awb::AwbHeader& header, std::u16string_view awbNumber,
                            std::u16string_view templateName, std::u16string_view special,
                            bool openFile, int bagRows);

// The template's layout switches and value settings.
struct ManifestSettings {
  Layout layout = Layout::kStandard;
  bool pieceRows = false;        // "一票多件分列" = 1
  bool customerSender = false;   // "发件人使用客户中文信息" = 1
  bool insertRows = false;       // "列表行插入模式" = 1
  bool lineFeedsToBlanks = false;  // "换行转空格" = 1
  bool pounds = false;           // "重量转换为磅" = 1
  bool grams = false;            // "重量转换为克" = 1
  bool upper = false;            // "全部转换大写" = 1
  bool rangePackageNumber = false;  // "包号格式" = 1
  int addressWidth = 25;         // "地址分段长度", 10..42 (below 10: 25)
  int groupShift = 1;            // "多件物品横列平移栏数", 1..20
  int groupCount = 2;            // "多件物品横列组数", 2..15
  std::u16string itemTypeTexts[3];  // "文件显示", "包裹显示", "防水袋显示"
  std::u16string paymentTexts[7];   // "PP" .. "OTH" as AwbPaymentCodeText gives them
  std::u16string weightUnit;        // "重量单位"
  std::u16string senderBlock;       // block "发件人定义"
  std::u16string receiverBlock;     // block "收件人定义"
};
ManifestSettings ReadSettings(const CTemplateModel& model);

// The values derived once per export from the form.
struct DerivedValues {
  std::u16string prefix, mainNumber;  // the AWB number split at its first "-"
  std::u16string departure, arrival;  // airports
  std::u16string flightNumber, flightPrefix, flightDigits;
  std::u16string day, month;          // "6", "MAY"
  std::u16string packageDate;         // "-0506-" (only with "包号格式")
};
// `today` is "%m%d" of today (the package date without a first flight date).
DerivedValues DeriveValues(const ManifestForm& form, bool rangePackageNumber,
                           std::u16string_view today);

// ---- Queries ----

// Which table holds the bag items: the bags up to state 2 keep them in
// client_rec_xbag_item, the bags past it in client_rec_xbag_item_u.  Every
// main query is sent once for each and their rows are merged in the
// query's order, so no waybill of a bag past state 2 is missing.
enum class ItemTable { kOpen, kPast };

// The main query of a layout; `special` is the special-control number
// (used only with the filter).
std::string MainSql(Layout layout, const ManifestSettings& s, std::u16string_view awbNumber,
                    bool filter, std::u16string_view special, ItemTable table);
std::span<const uint32_t> MainTypes(Layout layout, bool pieceRows);
// The goods query of the goods-across layout (both item tables).
std::string GoodsLinesSql(std::u16string_view awbNumber, bool filter, std::u16string_view special);
std::span<const uint32_t> GoodsLinesTypes();

// ---- Rows ----

// One piece line of the standard layout's piece rows (client_rec_weight_detail).
struct PieceValues {
  std::u16string cno, crno, cgoods, cgoodsa, cgcodea, cgcodeb, cgcodec;
  int32_t ibag = 0, iweight = 0, iquantity = 0, iprice = 0;
  int32_t ilong = 0, iwidth = 0, iheight = 0, npercent = 0;
  double fgcustom = 0, fgcrate = 0;
};

// The goods line joined to a goods-in-rows row: a goods line of
// client_rec_goods, or a piece line with pieces.
struct JoinedLine {
  bool joined = false;  // b.iquantity arrived as 0 or more
  std::u16string cgoods, cgoodsa, cgcodea, cgcodeb, cgcodec;
  int32_t iquantity = -1;
  int32_t unitPrice = 0;  // hundredths
  double fgcustom = 0, fgcrate = 0, fgweight = 0;
};

// One reply row, read by its position in the layout's query.
struct ManifestRow {
  // waybill
  std::u16string cunitname, creceiver, caddr, ccountry, cprovince, ccity, cpostcode, cphone;
  std::u16string cnum, cgoods, csunitname, csender, csaddr, cscountry, csprovince, cscity;
  std::u16string cspostcode, csphone, cmoney, corigin, cpaydir, cbag, cserviceno, crno;
  std::u16string cmark, caddrfrom, cdes, cmemo, clwh, cemskind, ccno, ccode, cpacking;
  std::u16string ctransnote, creserve, csemail, cremail, cby[5], ddate, dsysdate;
  std::u16string cgoodsa, cgcodea, cgcodeb, cgcodec, csmsnumber, crsms, csidcard, cridcard;
  std::u16string cex[5];
  int32_t iitem = 0, idvalue = 0, iquantity = 0, iprice = 0, ibag = 0, nitemtype = 0;
  int32_t iivalue = 0, irid = 0, ireserve = 0, nsendway = 0, isid = 0, wpos = 0;
  double fweights = 0, fweight = 0, fweightb = 0, fgcustom = 0, fgcrate = 0, fgoods = 0;
  double fgweight = 0, fex[5] = {};
  bool hasGoodsOnDelivery = false;  // the query reads a.fgoods
  // customer
  std::u16string cstation, caccount, cbrief, ckind;
  // bag
  std::u16string cxno, corder, chno, bagFrom, bagDes, bagStation, bagStationD, bagType;
  std::u16string bagMark, bagTransNote, bagBy[5];
  double bagWeight = 0;
  // piece rows of the standard layout
  bool hasPiece = false;
  PieceValues piece;
  // goods-in-rows
  JoinedLine line;
};

// The rows of a main reply; false for a reply under 10 bytes or without
// "List" (an empty list is true with no rows).
bool ReadMainRows(std::string_view reply, Layout layout, const ManifestSettings& s,
                  std::vector<ManifestRow>& rows);

// The rows of the two item tables in the query's order (bag order,
// transfer number, piece), each table's own order kept.
std::vector<ManifestRow> MergeRows(std::vector<ManifestRow> open, std::vector<ManifestRow> past,
                                   bool byPiece);

// One goods line of the goods-across goods query.
struct GoodsLine {
  std::u16string cgoods, cgoodsa, cgcodea, cgcodeb, cgcodec;
  int32_t iquantity = 0, irid = 0;
  double fprice = 0, fgcustom = 0, fgcrate = 0, fgweight = 0;
};
bool ReadGoodsLines(std::string_view reply, std::vector<GoodsLine>& lines);

// ---- Writing ----

// Where the writer puts its cells: the office session, or a test's record.
class CellSink {
 public:
  virtual ~CellSink() = default;
  // A value read as if typed (numbers, dates recognised).
  virtual void Value(int row, int column, const std::u16string& text) = 0;
  virtual void Integer(int row, int column, int32_t value) = 0;
  // A text that stays text.
  virtual void Text(int row, int column, std::u16string_view text) = 0;
  // Trimmed, stays text.
  virtual void Trimmed(int row, int column, std::u16string_view text) = 0;
  virtual void InsertRow(int row) = 0;
};

// The look-ups the rows need of the application.
struct ManifestLookups {
  // The destination whose name is the text (GBK), case ignored; null: none.
  std::function<const DestinationRecord*(std::string_view name)> destination;
  // The zone number of a destination name in the service kind of a code;
  // -1 when the kind or the area is missing.
  std::function<int(std::string_view kindCode, std::string_view destinationName)> zone;
  std::function<std::u16string(int32_t isid)> supplierName;
  std::function<std::u16string(int32_t isid)> supplierAccount;
  // The chargeable weight in grams (CBrantleClientApp::ChargeableWeight).
  std::function<int32_t(int32_t l, int32_t w, int32_t h, int32_t grams, uint8_t percent,
                        char letter)> chargeableGrams;
  // Language texts of item types (20090 + t) and pickup ways (20100 + n).
  std::function<std::u16string(int t)> itemTypeText;
  std::function<std::u16string(int n)> pickupWayText;
};

// What the header cells need besides the rows.
struct HeaderValues {
  std::u16string special;   // the special-control number when the filter is on
  std::u16string userName;  // the logged-in user
  std::u16string today;     // "%m-%d-%Y"
  std::string dictionary45; // system dictionary entry 45 (GBK)
};

// What a written manifest counted.
struct ManifestTotals {
  int dataRows = 0;       // "[总票数]"
  int sheetRows = 0;      // every sheet row written above the totals
  int32_t pieces = 0;
  double weights[3] = {};  // kg
  double value = 0;
  int64_t declared = 0, insured = 0;  // hundredths
  int totalsRow = 0;
  std::vector<int32_t> waybills;  // a.irid of every data row written, in order
};

// Writes the rows of one layout, the totals row and the header cells.  For
// the goods-across layout `goods` are the goods lines (null: the goods
// query failed or was not made).
ManifestTotals WriteManifest(CellSink& sink, const CTemplateModel& model,
                             const ManifestSettings& s, const ManifestForm& form,
                             const DerivedValues& d, const HeaderValues& h,
                             const std::vector<ManifestRow>& rows,
                             const std::vector<GoodsLine>* goods, const ManifestLookups& lookups);
// Whether the goods-across layout records rows and asks the goods query:
// a group column other than the duty and rate columns is defined.
bool HasGroupColumns(const CTemplateModel& model);

// ---- Smaller rules ----

// Kilograms as integer grams (× 1000 plus 0.1, truncated).
int32_t GramsOf(double kilograms);
// The weight format of the settings.
std::u16string WeightText(double kilograms, const ManifestSettings& s);
// The package number of a row: P pieces before it, n its pieces.
std::u16string PackageNumber(const ManifestRow& row, const ManifestSettings& s,
                             std::u16string_view packageDate, int32_t before, int32_t pieces);
// The item-type text of t.
std::u16string ItemTypeText(int t, const ManifestSettings& s, const ManifestLookups& l);
// The header text of an item after its placeholders (or the signature).
std::u16string HeaderText(std::u16string_view text, const ManifestForm& form,
                          const DerivedValues& d, const HeaderValues& h, const ManifestTotals& t,
                          const ManifestLookups& l);
// MD5 of the AWB number (GBK, 60 bytes), "QJW" and dictionary entry 45.
std::u16string Signature(std::u16string_view awbNumber, std::string_view dictionary45);
// The sender and receiver blocks of a row.
std::u16string SenderBlock(const ManifestRow& r, const ManifestSettings& s);
std::u16string ReceiverBlock(const ManifestRow& r, const ManifestSettings& s);
// "<folder>DATA_TEMP/<template>_<number>[_<special>].xls", every part a
// safe file name.
std::string OutputPath(const std::string& programFolder, std::u16string_view templateName,
                       std::u16string_view awbNumber, bool filter, std::u16string_view special);

// ---- The export ----

struct ManifestServices {
  // The template of kind "AWB导出" and the name (GBK); null: none.
  std::function<const CTemplateModel*(std::string_view nameGbk)> findTemplate;
  // A query and its reply (the window's version waits through WaitForWork).
  std::function<int(std::string_view sql, std::span<const uint32_t> types, std::string& reply)> query;
  // The office work: runs `work` off the window's thread (WaitForWork).
  std::function<void(const std::function<void()>& work)> runOffice;
  // Makes the session the export writes with (tests count its closing).
  std::function<std::unique_ptr<CExcelSession>()> makeSession;
  std::function<bool(const std::u16string& question)> askYesNo;  // Yes: true
  std::function<void(const std::u16string& text)> message;
  std::function<std::u16string(int32_t id)> text;
  std::function<void(const std::string& path)> openFile;  // the desktop opener
  ManifestLookups lookups;
  std::string programFolder;  // ends with "/"
  std::u16string userName;
  std::string dictionary45;
  std::function<std::u16string()> today;        // "%m-%d-%Y"; empty: the clock
  std::function<std::u16string()> todayMonthDay;  // "%m%d"; empty: the clock
};

// What one export did (tests read it).
struct ExportOutcome {
  bool asked = false;
  bool filter = false;
  Layout layout = Layout::kStandard;
  std::vector<std::string> queries;
  std::string path;  // empty: no file written
  ManifestTotals totals;
  // The office session: made, and how often it was closed (the suite
  // released) once the export let it go.
  int sessions = 0;
  int sessionCloses = 0;
};

// ExportTemplate: template, question, layout, then the layout's run.
ExportOutcome RunManifestExport(const ManifestForm& form, const ManifestServices& services);
// The two goods layouts, with the chosen template and the filter flag.
ExportOutcome RunGoodsAcross(const ManifestForm& form, const CTemplateModel& model, bool filter,
                             const ManifestServices& services);
ExportOutcome RunGoodsInRows(const ManifestForm& form, const CTemplateModel& model, bool filter,
                             const ManifestServices& services);

}  // namespace manifest
