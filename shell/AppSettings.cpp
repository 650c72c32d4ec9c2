#include "shell/AppSettings.h"

#include <algorithm>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"

namespace {

constexpr std::u16string_view kPayModes[] = {u"月结", u"现付", u"到付"};
constexpr std::u16string_view kPackageKinds[] = {u"文件", u"包裹", u"防水袋"};
constexpr std::u16string_view kProvinces[] = {
    u"安徽", u"福建", u"甘肃", u"广东", u"广西", u"贵州", u"海南", u"河北", u"河南",
    u"黑龙江", u"湖北", u"湖南", u"吉林", u"江苏", u"江西", u"辽宁", u"内蒙古", u"宁夏",
    u"青海", u"山东", u"山西", u"陕西", u"四川", u"西藏", u"新疆", u"云南", u"浙江",
    u"重庆", u"北京", u"天津", u"上海", u"台湾", u"香港", u"澳门"};
constexpr std::u16string_view kCountries[] = {
    u"日本", u"韩国", u"印度尼西亚", u"马来西亚", u"印度", u"巴基斯坦", u"越南",
    u"泰国", u"菲律宾", u"柬埔寨", u"蒙古", u"美国", u"加拿大", u"巴西",
    u"墨西哥", u"阿根廷", u"智利", u"古巴", u"澳大利亚", u"新西兰", u"英国",
    u"法国", u"德国", u"意大利", u"西班牙", u"俄罗斯", u"葡萄牙", u"希腊",
    u"荷兰", u"爱尔兰", u"奥地利", u"丹麦", u"挪威", u"比利时", u"瑞典",
    u"瑞士", u"土耳其", u"罗马尼亚", u"乌克兰", u"匈牙利", u"埃及", u"南非"};

static_assert(std::size(kProvinces) == 34);
static_assert(std::size(kCountries) == 42);

// Fills a zeroed entry with as much of the text as fits whole (a GBK pair is
// never split), leaving room for at least one closing zero.
template <size_t N>
void FillGbk(std::array<char, N>& entry, std::u16string_view text) {
  entry.fill(0);
  std::string gbk = GbkFromWide(text);
  size_t n = 0;
  while (n < gbk.size()) {
    size_t step = (static_cast<unsigned char>(gbk[n]) >= 0x80) ? 2 : 1;
    if (n + step > N - 1) break;
    n += step;
  }
  std::copy_n(gbk.begin(), n, entry.begin());
}

template <size_t N>
void FillWide(std::array<char16_t, N>& entry, std::u16string_view text) {
  entry.fill(0);
  std::copy_n(text.begin(), std::min(text.size(), N - 1), entry.begin());
}

template <typename Char, size_t N>
std::basic_string_view<Char> TextOf(const std::array<Char, N>& entry) {
  size_t n = 0;
  while (n < N && entry[n] != 0) ++n;
  return std::basic_string_view<Char>(entry.data(), n);
}

}  // namespace

CivilDate PreviousDay(const CivilDate& date) {
  CivilDate d = date;
  if (--d.day >= 1) return d;
  if (--d.month < 1) {
    d.month = 12;
    --d.year;
  }
  d.day = DaysInMonth(d.year, d.month);
  return d;
}

void AppSettings::SetDefaults() { SetDefaults(LocalToday()); }

void AppSettings::SetDefaults(const CivilDate& today) {
  loginRequired = 1;
  loginRefreshChecked = 0;
  loginRefreshLocked = 0;
  checkDestination = 0;
  checkGoodsName = 0;
  checkUnitPrice = 0;
  postcodeZonesEnabled = 1;
  companyWebAddress = u"http://www.example.com";
  printConfirmSettings = {1, 1, 2};
  waybillRendererFlag = 1;
  labelRendererFlag = 1;
  invoiceToFile = 1;
  marketplaceOrderImport = 0;
  waybillImportFlags = {1, 1};
  fullFormInitFlag = 1;
  fullFormInitClearFlag = 0;
  fullFormConstructFlag = 1;
  fullFormSaveFlags = {0, 0};
  scanPrintFlag = 1;
  quickEntryFlag = 0;
  recordQueryFlag = 0;
  scanStationFlag = 1;

  desktopPath.clear();
  for (size_t i = 0; i < payModes.size(); ++i) FillWide(payModes[i], kPayModes[i]);
  for (size_t i = 0; i < packageKinds.size(); ++i) FillWide(packageKinds[i], kPackageKinds[i]);
  for (size_t i = 0; i < provinces.size(); ++i) FillGbk(provinces[i], kProvinces[i]);
  for (size_t i = 0; i < countries.size(); ++i) FillGbk(countries[i], kCountries[i]);

  CivilDate day = today;
  for (std::u16string& text : businessDates) {
    text = FormatDateText(day.year, day.month, day.day);
    day = PreviousDay(day);
  }

  defaultDivisorLetter = divisorLetterOverride != 0 ? divisorLetterOverride : 'W';
  defaultCurrency = u"USD";
  defaultOriginCountry = u"CN";
}

std::u16string_view AppSettings::EntryText(const WideName8& entry) { return TextOf(entry); }
std::string_view AppSettings::EntryText(const GbkName8& entry) { return TextOf(entry); }
std::string_view AppSettings::EntryText(const GbkName12& entry) { return TextOf(entry); }

namespace {

// The screen texts of the fixed names (610001.. pay ways, 610004.. item types).
constexpr int kPayModeTexts = 610001, kPackageKindTexts = 610004;

std::u16string OnScreen(const std::u16string_view (&names)[3], int firstText, int index) {
  if (index < 0 || index > 2) return {};
  const CLanguageTable& language = AppLanguage();
  if (language.ShowsFirstTexts()) return std::u16string(names[index]);
  return language.Text(firstText + index, names[index]);
}

}  // namespace

std::u16string AppSettings::PayModeOnScreen(int index) {
  return OnScreen(kPayModes, kPayModeTexts, index);
}

std::u16string AppSettings::PackageKindOnScreen(int index) {
  return OnScreen(kPackageKinds, kPackageKindTexts, index);
}
