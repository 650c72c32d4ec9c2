#include "refdata/CurrencyTable.h"

#include <iterator>
#include <utility>

#include "common/GbkText.h"
#include "common/TextCodec.h"

namespace {

struct BuiltIn {
  const char* isoCode;
  const char* customsCode;
  const char16_t* name;
  double rate;
};

// The rated currencies in their own order, then the rest by letter code.
// Older codes (AFA, BYR, ECS, MRO, PLZ, VEF) are kept as stored records use
// them.
const BuiltIn kBuiltIn[] = {
    {"CNY", "142", u"人民币元", 1.0},
    {"USD", "502", u"美元", 6.87622},
    {"EUR", "300", u"欧元", 7.31959},
    {"JPY", "116", u"日元", 0.0612845},
    {"GBP", "303", u"英镑", 8.59828},
    {"KRW", "133", u"韩国元", 0.00600129},
    {"TWD", "143", u"台湾元", 0.221028},
    {"HKD", "110", u"港币", 0.886257},
    {"SGD", "132", u"新加坡元", 4.85006},
    {"BRL", "410", u"巴西雷亚尔", 2.20374},
    {"RUB", "344", u"俄罗斯卢布", 0.115651},
    {"INR", "111", u"印度卢比", 0.102118},
    {"ZAR", "244", u"南非兰特", 0.510527},
    {"ARS", "402", u"阿根廷比索", 0.438709},
    {"AUD", "601", u"澳大利亚元", 5.25028},
    {"BDT", "000", u"孟加拉国塔卡", 0.086058},
    {"CAD", "501", u"加拿大元", 5.22283},
    {"CHF", "331", u"瑞士法郎", 6.87759},
    {"ETB", "000", u"埃塞俄比亚比尔", 0.303862},
    {"IDR", "000", u"印度尼西亚卢比", 0.000516007},
    {"MXN", "429", u"墨西哥比索", 0.333372},
    {"NGN", "000", u"尼日利亚奈拉", 0.0218622},
    {"PHP", "129", u"菲律宾比索", 0.13761},
    {"PKR", "127", u"巴基斯坦卢比", 0.0656202},
    {"SAR", "131", u"沙特里亚尔", 1.83126},
    {"TRY", "137", u"土耳其里拉", 1.8358},
    {"VND", "141", u"越南盾", 0.000303521},
    {"AED", "000", u"阿联酋迪拉姆", 0},
    {"AFA", "000", u"阿富汗尼", 0},
    {"ALL", "313", u"阿尔巴尼亚列克", 0},
    {"AMD", "000", u"亚美尼亚德拉姆", 0},
    {"AOA", "000", u"安哥拉宽扎", 0},
    {"AZN", "000", u"阿塞拜疆马纳特", 0},
    {"BGN", "000", u"保加利亚列弗", 0},
    {"BHD", "000", u"巴林第纳尔", 0},
    {"BIF", "000", u"布隆迪法郎", 0},
    {"BND", "000", u"文莱元", 0},
    {"BOB", "000", u"玻利维亚诺", 0},
    {"BSD", "000", u"巴哈马元", 0},
    {"BTN", "000", u"不丹努扎姆", 0},
    {"BWP", "000", u"博茨瓦纳普拉", 0},
    {"BYR", "000", u"白俄罗斯卢布", 0},
    {"CDF", "000", u"刚果法郎", 0},
    {"CLP", "000", u"智利比索", 0},
    {"COP", "000", u"哥伦比亚比索", 0},
    {"CRC", "000", u"哥斯达黎加科朗", 0},
    {"CUP", "000", u"古巴比索", 0},
    {"CVE", "000", u"佛得角埃斯库多", 0},
    {"DJF", "000", u"吉布提法郎", 0},
    {"DKK", "000", u"丹麦克朗", 0},
    {"DOP", "000", u"多米尼加比索", 0},
    {"DZD", "201", u"阿尔及利亚第纳尔", 0},
    {"ECS", "000", u"厄瓜多尔苏克雷", 0},
    {"EGP", "215", u"埃及磅", 0},
    {"ERN", "000", u"厄立特里亚纳克法", 0},
    {"FJD", "000", u"斐济元", 0},
    {"GEL", "000", u"格鲁吉亚拉里", 0},
    {"GHS", "000", u"加纳塞地", 0},
    {"GMD", "000", u"冈比亚达拉西", 0},
    {"GNF", "000", u"几内亚法郎", 0},
    {"GTQ", "000", u"危地马拉格查尔", 0},
    {"GYD", "000", u"圭亚那元", 0},
    {"HNL", "000", u"洪都拉斯伦皮拉", 0},
    {"HRK", "000", u"克罗地亚库纳", 0},
    {"HTG", "000", u"海地古德", 0},
    {"HUF", "000", u"匈牙利福林", 0},
    {"ILS", "000", u"以色列新谢克尔", 0},
    {"IQD", "000", u"伊拉克第纳尔", 0},
    {"IRR", "113", u"伊朗里亚尔", 0},
    {"ISK", "322", u"冰岛克朗", 0},
    {"JMD", "000", u"牙买加元", 0},
    {"JOD", "000", u"约旦第纳尔", 0},
    {"KES", "000", u"肯尼亚先令", 0},
    {"KGS", "000", u"吉尔吉斯斯坦索姆", 0},
    {"KHR", "000", u"柬埔寨瑞尔", 0},
    {"KMF", "000", u"科摩罗法郎", 0},
    {"KPW", "000", u"朝鲜元", 0},
    {"KWD", "118", u"科威特第纳尔", 0},
    {"KZT", "000", u"哈萨克斯坦坚戈", 0},
    {"LAK", "000", u"老挝基普", 0},
    {"LBP", "000", u"黎巴嫩镑", 0},
    {"LKR", "000", u"斯里兰卡卢比", 0},
    {"LRD", "000", u"利比里亚元", 0},
    {"LSL", "000", u"莱索托洛蒂", 0},
    {"LYD", "000", u"利比亚第纳尔", 0},
    {"MAD", "000", u"摩洛哥迪拉姆", 0},
    {"MDL", "000", u"摩尔多瓦列伊", 0},
    {"MGA", "000", u"马达加斯加阿里亚里", 0},
    {"MKD", "000", u"马其顿第纳尔", 0},
    {"MMK", "000", u"缅甸元", 0},
    {"MNT", "124", u"蒙古图格里克", 0},
    {"MOP", "121", u"澳门元", 0},
    {"MRO", "000", u"毛里塔尼亚乌吉亚", 0},
    {"MUR", "000", u"毛里求斯卢比", 0},
    {"MVR", "000", u"马尔代夫卢非亚", 0},
    {"MWK", "000", u"马拉维克瓦查", 0},
    {"MYR", "122", u"马来西亚林吉特", 0},
    {"MZN", "000", u"莫桑比克梅蒂卡尔", 0},
    {"NAD", "000", u"纳米比亚元", 0},
    {"NIO", "000", u"尼加拉瓜科多巴", 0},
    {"NOK", "000", u"挪威克朗", 0},
    {"NPR", "000", u"尼泊尔卢比", 0},
    {"NZD", "609", u"新西兰元", 0},
    {"OMR", "000", u"阿曼里亚尔", 0},
    {"PAB", "000", u"巴拿马巴波亚", 0},
    {"PEN", "000", u"秘鲁索尔", 0},
    {"PGK", "000", u"巴布亚新几内亚基那", 0},
    {"PLZ", "000", u"波兰兹罗提", 0},
    {"PYG", "000", u"巴拉圭瓜拉尼", 0},
    {"QAR", "000", u"卡塔尔里亚尔", 0},
    {"RSD", "000", u"塞尔维亚第纳尔", 0},
    {"RWF", "000", u"卢旺达法郎", 0},
    {"SDG", "000", u"苏丹镑", 0},
    {"SEK", "000", u"瑞典克朗", 0},
    {"SLL", "000", u"塞拉利昂利昂", 0},
    {"SOS", "000", u"索马里先令", 0},
    {"SRD", "000", u"苏里南元", 0},
    {"SVC", "000", u"萨尔瓦多科朗", 0},
    {"SYP", "000", u"叙利亚镑", 0},
    {"SZL", "000", u"斯威士兰里兰吉尼", 0},
    {"THB", "136", u"泰国铢", 0},
    {"TJS", "000", u"塔吉克斯坦索莫尼", 0},
    {"TMT", "000", u"土库曼斯坦马纳特", 0},
    {"TND", "000", u"突尼斯第纳尔", 0},
    {"TZS", "000", u"坦桑尼亚先令", 0},
    {"UAH", "000", u"乌克兰格里夫纳", 0},
    {"UGX", "000", u"乌干达先令", 0},
    {"UYU", "000", u"乌拉圭比索", 0},
    {"UZS", "000", u"乌兹别克斯坦苏姆", 0},
    {"VEF", "000", u"委内瑞拉玻利瓦尔", 0},
    {"XAF", "000", u"中非法郎", 0},
    {"YER", "000", u"也门里亚尔", 0},
    {"ZMW", "000", u"赞比亚克瓦查", 0},
    {"ZWL", "000", u"津巴布韦元", 0},
};

}  // namespace

CCurrencyTable::CCurrencyTable() {
  entries_.reserve(std::size(kBuiltIn));
  for (const BuiltIn& b : kBuiltIn)
    Add(b.isoCode, b.customsCode, GbkFromWide(b.name), b.rate, 0);
}

CCurrencyTable::~CCurrencyTable() = default;

void CCurrencyTable::Add(std::string_view isoCode, std::string_view customsCode,
                         std::string_view nameGbk, double defaultRate, double rate) {
  auto entry = std::make_unique<CurrencyEntry>();
  entry->nameGbk = GbkCopyN(nameGbk.substr(0, nameGbk.find('\0')), kNameBytes);
  entry->isoCode = std::string(isoCode.substr(0, isoCode.find('\0')).substr(0, kCodeBytes));
  entry->customsCode =
      std::string(customsCode.substr(0, customsCode.find('\0')).substr(0, kCodeBytes));
  entry->defaultRate = defaultRate;
  entry->rate = rate != 0 ? rate : defaultRate;
  entry->name = WideFromGbk(entry->nameGbk);
  entries_.push_back(std::move(entry));
}

const CurrencyEntry* CCurrencyTable::Find(std::string_view isoCode) const {
  for (const auto& entry : entries_) {
    if (entry->isoCode == isoCode) return entry.get();
  }
  return nullptr;
}

CurrencyEntry* CCurrencyTable::Find(std::string_view isoCode) {
  return const_cast<CurrencyEntry*>(std::as_const(*this).Find(isoCode));
}

double CCurrencyTable::RateOf(std::string_view isoCode) const {
  const CurrencyEntry* entry = Find(isoCode);
  return entry ? entry->rate : 1.0;
}
