#include "refdata/ColumnCatalog.h"

#include "common/LanguageTable.h"

namespace {

constexpr uint8_t kLeft = 0;
constexpr uint8_t kRight = 1;
constexpr uint8_t kCentred = 2;

// One column as written in the tables below.
struct ColumnSeed {
  const char* name;
  int32_t type;
  uint8_t format;
  uint8_t alignment;
  uint8_t flag;
  uint8_t width;
  int32_t captionId;
};

// Shared customer columns: all left-aligned texts.
constexpr ColumnSeed kCustomerSeeds[] = {
    {"cunitname", 4, 0, kLeft, 0, 150, 30078}, {"caddr", 5, 0, kLeft, 0, 150, 30079},
    {"csender", 3, 0, kLeft, 0, 65, 30234},    {"cphone", 3, 0, kLeft, 0, 80, 30230},
    {"caccount", 3, 0, kLeft, 0, 65, 30203},   {"cstation", 2, 0, kLeft, 0, 65, 30300},
    {"ckind", 2, 0, kLeft, 0, 65, 30301},      {"corder", 4, 0, kLeft, 0, 100, 30245},
    {"ctaxno", 3, 0, kLeft, 0, 85, 30246},     {"cdocno", 3, 0, kLeft, 0, 85, 30247},
};

constexpr ColumnSeed kSupplierSeeds[] = {
    {"cname", 4, 0, kLeft, 0, 150, 30080},
    {"caddr", 5, 0, kLeft, 0, 150, 30302},
    {"ccontactman", 3, 0, kLeft, 0, 65, 30303},
    {"cphone", 3, 0, kLeft, 0, 80, 30304},
};

constexpr ColumnSeed kClientArcSeeds[] = {
    {"ccity", 4, 0, kLeft, 0, 70, 30305},
    {"cpostcode", 2, 0, kLeft, 0, 60, 30306},
    {"cprovince", 2, 0, kLeft, 0, 50, 30307},
    {"cfax", 3, 0, kLeft, 0, 80, 30308},
};

// The supplier table's own columns carry no display hints.
constexpr ColumnSeed kSpArcSeeds[] = {
    {"cfax", 3, 0, kLeft, 0, 0, 30308},
    {"cemail", 3, 0, kLeft, 0, 0, 30309},
    {"ndiscount", 7, 100, kLeft, 0, 0, 30310},
};

// The waybill table's columns; the comment is the waybill column index.
constexpr ColumnSeed kClientRecSeeds[] = {
    {"nitemtype", 7, 200, kCentred, 0, 50, 30074},  // 10
    {"fweight", 8, 3, kRight, 1, 70, 30004},  // 11
    {"famount", 8, 2, kRight, 1, 70, 30005},  // 12
    {"cdes", 4, 0, kLeft, 0, 90, 30001},  // 13
    {"nlanguage", 7, 202, kCentred, 0, 50, 30075},  // 14
    {"isid", 7, 211, kLeft, 0, 100, 30080},  // 15
    {"cemskind", 2, 0, kLeft, 0, 70, 30073},  // 16
    {"fcost", 8, 2, kRight, 1, 70, 30081},  // 17
    {"ddate", 9, 201, kLeft, 0, 70, 30070},  // 18
    {"cserviceno", 3, 0, kLeft, 0, 90, 30003},  // 19
    {"fbranch", 8, 2, kRight, 1, 70, 30082},  // 20
    {"cmname", 3, 0, kLeft, 0, 65, 30015},  // 21
    {"cinput", 3, 0, kLeft, 0, 65, 30083},  // 22
    {"fsprice", 8, 2, kRight, 1, 70, 30084},  // 23
    {"cmemo", 6, 0, kLeft, 0, 150, 30022},  // 24
    {"fweights", 8, 3, kRight, 1, 70, 30025},  // 25
    {"ctaker", 3, 0, kLeft, 0, 65, 30016},  // 26
    {"ctrans", 3, 0, kLeft, 0, 65, 30017},  // 27
    {"cnum", 3, 0, kLeft, 0, 90, 30002},  // 28
    {"caddrfrom", 4, 0, kLeft, 0, 90, 30000},  // 29
    {"cbearer", 3, 0, kLeft, 0, 65, 30018},  // 30
    {"fmname", 8, 2, kRight, 1, 70, 30085},  // 31
    {"ftake", 8, 2, kRight, 1, 70, 30086},  // 32
    {"ftrans", 8, 2, kRight, 1, 70, 30087},  // 33
    {"fbear", 8, 2, kRight, 1, 70, 30088},  // 34
    {"ftcost", 8, 2, kRight, 1, 70, 30089},  // 35
    {"creceiver", 4, 0, kLeft, 0, 80, 30007},  // 36
    {"cunitname", 6, 0, kLeft, 0, 150, 30009},  // 37
    {"caddr", 6, 0, kLeft, 0, 150, 30011},  // 38
    {"cphone", 4, 0, kLeft, 0, 90, 30008},  // 39
    {"faccord", 8, 2, kRight, 1, 70, 30051},  // 40
    {"csign", 3, 0, kLeft, 0, 65, 30021},  // 41
    {"csender", 3, 0, kLeft, 0, 65, 30006},  // 42
    {"clwh", 2, 0, kLeft, 0, 70, 30090},  // 43
    {"fweightb", 8, 3, kRight, 1, 70, 30091},  // 44
    {"dsysdate", 9, 202, kLeft, 0, 120, 30077},  // 45
    {"npayway", 7, 203, kCentred, 0, 50, 30071},  // 46
    {"nstate", 7, 201, kLeft, 0, 60, 30069},  // 47
    {"dtdate", 9, 200, kLeft, 0, 100, 30019},  // 48
    {"dadate", 9, 200, kLeft, 0, 100, 30020},  // 49
    {"iitem", 7, 2, kCentred, 1, 50, 30072},  // 50
    {"ibatch", 7, 204, kLeft, 0, 70, 30024},  // 51
    {"famountr", 8, 2, kRight, 1, 70, 30092},  // 52
    {"fgoods", 8, 2, kRight, 1, 70, 30043},  // 53
    {"fgoodsr", 8, 2, kRight, 1, 70, 30093},  // 54
    {"fgoodsc", 8, 2, kRight, 1, 70, 30094},  // 55
    {"dsenddate", 9, 202, kLeft, 0, 120, 30095},  // 56
    {"fsprices", 8, 2, kRight, 1, 70, 30096},  // 57
    {"fabase", 8, 2, kRight, 1, 70, 30097},  // 58
    {"faaddon", 8, 2, kRight, 1, 70, 30098},  // 59
    {"facustom", 8, 2, kRight, 1, 70, 30099},  // 60
    {"faother", 8, 2, kRight, 1, 70, 30100},  // 61
    {"faaddrate", 8, 2, kRight, 0, 60, 30101},  // 62
    {"cawb", 3, 0, kLeft, 0, 70, 30102},  // 63
    {"faget", 8, 2, kRight, 1, 70, 30103},  // 64
    {"facarry", 8, 2, kRight, 1, 70, 30104},  // 65
    {"fasafe", 8, 2, kRight, 1, 70, 30105},  // 66
    {"fapack", 8, 2, kRight, 1, 70, 30106},  // 67
    {"nsendway", 7, 205, kCentred, 0, 40, 30107},  // 68
    {"irid", 7, 2, kLeft, 0, 70, 30108},  // 69
    {"cgoods", 6, 0, kLeft, 0, 80, 30026},  // 70
    {"iquantity", 7, 2, kRight, 0, 70, 30027},  // 71
    {"foprice", 8, 2, kRight, 1, 70, 30109},  // 72
    {"ctransnote", 4, 0, kLeft, 0, 70, 30030},  // 73
    {"ibag", 7, 2, kLeft, 0, 70, 30110},  // 74
    {"ccountry", 5, 0, kLeft, 0, 70, 30012},  // 75
    {"cprovince", 4, 0, kLeft, 0, 70, 30014},  // 76
    {"ccity", 5, 0, kLeft, 0, 70, 30013},  // 77
    {"cpostcode", 2, 0, kLeft, 0, 60, 30010},  // 78
    {"csunitname", 5, 0, kLeft, 0, 150, 30034},  // 79
    {"csaddr", 5, 0, kLeft, 0, 150, 30036},  // 80
    {"csphone", 4, 0, kLeft, 0, 90, 30033},  // 81
    {"cscountry", 4, 0, kLeft, 0, 70, 30037},  // 82
    {"csprovince", 3, 0, kLeft, 0, 70, 30038},  // 83
    {"cscity", 4, 0, kLeft, 0, 70, 30039},  // 84
    {"cspostcode", 2, 0, kLeft, 0, 70, 30035},  // 85
    {"cmoney", 2, 0, kLeft, 0, 50, 30111},  // 86
    {"corigin", 2, 0, kLeft, 0, 50, 30112},  // 87
    {"cmark", 2, 0, kLeft, 0, 70, 30040},  // 88
    {"cpaydir", 2, 0, kLeft, 0, 50, 30113},  // 89
    {"coutput", 3, 0, kLeft, 0, 65, 30114},  // 90
    {"ccheckpoint", 2, 0, kLeft, 0, 65, 30044},  // 91
    {"ffweight", 8, 3, kRight, 1, 70, 30115},  // 92
    {"crno", 3, 0, kLeft, 0, 90, 30041},  // 93
    {"fawb", 8, 2, kRight, 1, 70, 30116},  // 94
    {"famountc", 8, 2, kRight, 1, 70, 30117},  // 95
    {"idvalue", 7, 209, kRight, 1, 70, 30031},  // 96
    {"iivalue", 7, 209, kRight, 1, 70, 30032},  // 97
    {"cpacking", 2, 0, kLeft, 0, 70, 30029},  // 98
    {"csmsnumber", 3, 0, kLeft, 0, 100, 30042},  // 99
    {"fweightr", 8, 3, kRight, 1, 70, 30118},  // 100
    {"cset", 3, 0, kLeft, 0, 70, 30119},  // 101
    {"ccno", 3, 0, kLeft, 0, 100, 30045},  // 102
    {"cdepart", 3, 0, kLeft, 0, 80, 30046},  // 103
    {"ccode", 2, 0, kLeft, 0, 40, 30120},  // 104
    {"csemail", 4, 0, kLeft, 0, 70, 30047},  // 105
    {"cremail", 4, 0, kLeft, 0, 70, 30048},  // 106
    {"crsms", 3, 0, kLeft, 0, 80, 30049},  // 107
    {"iprice", 7, 209, kRight, 1, 70, 30028},  // 108
    {"ireserve", 7, 2, kRight, 1, 60, 30023},  // 109
    {"creserve", 3, 0, kLeft, 0, 100, 30050},  // 110
    {"dwdate", 9, 200, kLeft, 0, 100, 30121},  // 111
    {"cweight", 3, 0, kLeft, 0, 65, 30122},  // 112
    {"iiid", 7, 2, kRight, 0, 60, 30123},  // 113
    {"iqid", 7, 2, kRight, 0, 60, 30124},  // 114
    {"ifid", 7, 2, kRight, 0, 70, 30125},  // 115
    {"ipid", 7, 2, kRight, 0, 70, 30126},  // 116
    {"ifsid", 7, 2, kRight, 0, 70, 30127},  // 117
    {"ifcid", 7, 2, kRight, 0, 70, 30128},  // 118
    {"fabaserate", 8, 2, kRight, 0, 70, 30129},  // 119
    {"nfrom", 7, 210, kLeft, 0, 60, 30130},  // 120
    {"ifside", 7, 2, kRight, 0, 70, 30131},  // 121
    {"ifcide", 7, 2, kRight, 0, 70, 30132},  // 122
    {"famountre", 8, 2, kRight, 1, 70, 30133},  // 123
    {"famountce", 8, 2, kRight, 1, 70, 30134},  // 124
    {"fgoodsre", 8, 2, kRight, 1, 70, 30135},  // 125
    {"fgoodsce", 8, 2, kRight, 1, 70, 30136},  // 126
    {"fweightre", 8, 3, kRight, 1, 70, 30137},  // 127
    {"creturn", 3, 0, kLeft, 0, 65, 30138},  // 128
    {"dreturn", 9, 200, kLeft, 0, 100, 30139},  // 129
    {"fsabase", 8, 2, kRight, 1, 70, 30140},  // 130
    {"fsaaddon", 8, 2, kRight, 1, 70, 30141},  // 131
    {"fsacustom", 8, 2, kRight, 1, 70, 30142},  // 132
    {"fsaother", 8, 2, kRight, 1, 70, 30143},  // 133
    {"fsacarry", 8, 2, kRight, 1, 70, 30144},  // 134
    {"fsasafe", 8, 2, kRight, 1, 70, 30145},  // 135
    {"fsapack", 8, 2, kRight, 1, 70, 30146},  // 136
    {"fsaaddrate", 8, 2, kRight, 0, 60, 30147},  // 137
    {"cby1", 4, 0, kLeft, 0, 100, 30052},  // 138
    {"cby2", 4, 0, kLeft, 0, 100, 30053},  // 139
    {"cby3", 4, 0, kLeft, 0, 100, 30054},  // 140
    {"cby4", 4, 0, kLeft, 0, 100, 30055},  // 141
    {"cby5", 6, 0, kLeft, 0, 100, 30056},  // 142
    {"cemskindc", 2, 0, kLeft, 0, 70, 30148},  // 143
    {"cckmemo", 4, 0, kLeft, 0, 100, 30149},  // 144
    {"dckdate", 9, 200, kLeft, 0, 110, 30150},  // 145
    {"cckname", 2, 0, kLeft, 0, 100, 30151},  // 146
    {"ctno", 3, 0, kLeft, 0, 90, 30152},  // 147
    {"ftweight", 8, 3, kRight, 1, 70, 30153},  // 148
    {"ngstate", 7, 2, kLeft, 0, 40, 30154},  // 149
    {"ibid", 7, 2, kRight, 0, 70, 30155},  // 150
    {"fex1", 8, 2, kRight, 1, 70, 30156},  // 151
    {"fex2", 8, 2, kRight, 1, 70, 30157},  // 152
    {"fex3", 8, 2, kRight, 1, 70, 30158},  // 153
    {"fex4", 8, 2, kRight, 1, 70, 30159},  // 154
    {"fex5", 8, 2, kRight, 1, 70, 30160},  // 155
    {"cex1", 5, 0, kLeft, 0, 150, 30161},  // 156
    {"cex2", 5, 0, kLeft, 0, 150, 30162},  // 157
    {"cex3", 5, 0, kLeft, 0, 150, 30163},  // 158
    {"cex4", 5, 0, kLeft, 0, 150, 30164},  // 159
    {"cex5", 5, 0, kLeft, 0, 150, 30165},  // 160
    {"iex1", 7, 2, kRight, 1, 70, 30166},  // 161
    {"iex2", 7, 2, kRight, 1, 70, 30167},  // 162
    {"iex3", 7, 2, kRight, 1, 70, 30168},  // 163
    {"iex4", 7, 2, kRight, 1, 70, 30169},  // 164
    {"iex5", 7, 2, kRight, 1, 70, 30170},  // 165
    {"dex1", 9, 202, kLeft, 0, 130, 30171},  // 166
    {"dex2", 9, 202, kLeft, 0, 130, 30172},  // 167
    {"dex3", 9, 202, kLeft, 0, 130, 30173},  // 168
    {"dex4", 9, 202, kLeft, 0, 130, 30174},  // 169
    {"dex5", 9, 202, kLeft, 0, 130, 30175},  // 170
    {"dudate", 9, 200, kLeft, 0, 130, 30176},  // 171
    {"cuspcode", 3, 0, kLeft, 0, 100, 30177},  // 172
    {"fucost", 8, 2, kRight, 1, 70, 30178},  // 173
    {"iusid", 7, 2, kRight, 0, 70, 30179},  // 174
    {"icubic", 7, 212, kRight, 1, 80, 30057},  // 175
    {"icount", 7, 2, kCentred, 1, 40, 30180},  // 176
    {"piid", 7, 2, kRight, 0, 70, 30181},  // 177
    {"cstationt", 2, 0, kLeft, 0, 70, 30182},  // 178
    {"cgoodsa", 6, 0, kLeft, 0, 100, 30058},  // 179
    {"cgcodea", 4, 0, kLeft, 0, 70, 30059},  // 180
    {"cgcodeb", 4, 0, kLeft, 0, 70, 30060},  // 181
    {"cgcodec", 4, 0, kLeft, 0, 70, 30061},  // 182
    {"fgcustom", 8, 2, kRight, 1, 70, 30062},  // 183
    {"fgcrate", 8, 2, kRight, 0, 70, 30063},  // 184
    {"facheck", 8, 2, kRight, 1, 70, 30183},  // 185
    {"faremote", 8, 2, kRight, 1, 70, 30184},  // 186
    {"faby", 8, 2, kRight, 1, 70, 30185},  // 187
    {"fsacheck", 8, 2, kRight, 1, 70, 30186},  // 188
    {"fsaremote", 8, 2, kRight, 1, 70, 30187},  // 189
    {"fsaby", 8, 2, kRight, 1, 70, 30188},  // 190
    {"cpic1", 3, 0, kLeft, 0, 100, 30189},  // 191
    {"dpic1", 9, 202, kLeft, 0, 130, 30190},  // 192
    {"cpic2", 3, 0, kLeft, 0, 100, 30191},  // 193
    {"dpic2", 9, 202, kLeft, 0, 130, 30192},  // 194
    {"iids", 7, 2, kRight, 0, 70, 30193},  // 195
    {"iidr", 7, 2, kRight, 0, 70, 30194},  // 196
    {"iidi", 7, 2, kRight, 0, 70, 30195},  // 197
    {"cfeeaud", 3, 0, kLeft, 0, 100, 30196},  // 198
    {"dfeeaud", 9, 202, kLeft, 0, 130, 30197},  // 199
    {"fdiscount", 8, 4, kRight, 0, 70, 30198},  // 200
    {"focustomc", 8, 2, kRight, 1, 70, 30199},  // 201
    {"focustoms", 8, 2, kRight, 1, 70, 30200},  // 202
    {"ifile", 7, 2, kRight, 0, 60, 30201},  // 203
    {"cunit", 2, 0, kLeft, 0, 70, 30065},  // 204
    {"fgweight", 8, 3, kRight, 1, 70, 30066},  // 205
    {"csidcard", 3, 0, kLeft, 0, 100, 30067},  // 206
    {"cridcard", 3, 0, kLeft, 0, 100, 30068},  // 207
};

constexpr ColumnSeed kClientFeeSeeds[] = {
    {"cinvoice", 3, 0, kLeft, 0, 80, 30400},
    {"ffee", 8, 2, kRight, 1, 70, 30401},
    {"dpdate", 9, 6, kLeft, 0, 70, 30402},
    {"cmname", 3, 0, kLeft, 0, 65, 30403},
    {"cinput", 3, 0, kLeft, 0, 65, 30404},
    {"cdocno", 2, 0, kLeft, 0, 65, 30405},
    {"cmemo", 6, 0, kLeft, 0, 65, 30406},
    {"ffeer", 8, 2, kRight, 1, 70, 30407},
    {"fown", 8, 2, kRight, 1, 70, 30408},
    {"cauditor", 3, 0, kLeft, 0, 65, 30409},
    {"npayway", 7, 206, kCentred, 0, 40, 30410},
    {"crefno", 3, 0, kLeft, 0, 65, 30411},
    {"ntype", 7, 207, kCentred, 0, 40, 30412},
    {"cmark", 2, 0, kLeft, 0, 65, 30413},
    {"caccount", 3, 0, kLeft, 0, 65, 30414},
    {"cmoney", 2, 0, kLeft, 0, 40, 30415},
    {"fchg", 8, 2, kRight, 1, 70, 30416},
    {"dsysdate", 9, 202, kLeft, 0, 120, 30417},
};

ColumnDef MakeColumn(int32_t type, uint8_t format, uint8_t alignment, uint8_t flag,
                     uint8_t width, std::string_view name, std::u16string_view caption) {
  ColumnDef column;
  column.name = std::string(name.substr(0, ColumnDef::kNameMax));
  column.type = type;
  column.caption = std::u16string(caption.substr(0, ColumnDef::kCaptionMax));
  column.format = format;
  column.alignment = alignment;
  column.width = width;
  column.flag = flag;
  return column;
}

template <size_t N>
void AppendSeeds(std::vector<ColumnDef>& list, const ColumnSeed (&seeds)[N],
                 const CLanguageTable& language) {
  list.reserve(list.size() + N);
  for (const ColumnSeed& seed : seeds)
    list.push_back(MakeColumn(seed.type, seed.format, seed.alignment, seed.flag, seed.width,
                              seed.name, language.Text(seed.captionId)));
}

}  // namespace

void CColumnCatalog::Build(const CLanguageTable& language) {
  for (ColumnTable& table : tables_) table = ColumnTable{};
  customerColumns_.clear();
  supplierColumns_.clear();

  AppendSeeds(customerColumns_, kCustomerSeeds, language);
  AppendSeeds(supplierColumns_, kSupplierSeeds, language);

  auto fill = [this, &language](int n, const char* name, const std::vector<ColumnDef>& shared,
                                const auto& seeds) {
    ColumnTable& table = tables_[n];
    table.name = name;
    table.shared = &shared;
    AppendSeeds(table.columns, seeds, language);
  };
  fill(kClientArc, "client_arc", customerColumns_, kClientArcSeeds);
  fill(kSpArc, "sp_arc", supplierColumns_, kSpArcSeeds);
  fill(kClientRec, "client_rec", customerColumns_, kClientRecSeeds);
  fill(kClientFee, "client_fee", customerColumns_, kClientFeeSeeds);

  built_ = true;
}

const ColumnTable* CColumnCatalog::Table(int n) const {
  if (!built_ || n < 0 || n >= kTableCount) return nullptr;
  return &tables_[static_cast<size_t>(n)];
}

const ColumnDef* CColumnCatalog::WaybillColumn(int index) const {
  if (index < 0) return nullptr;
  if (index < kCustomerColumnCount) {
    size_t i = static_cast<size_t>(index);
    return i < customerColumns_.size() ? &customerColumns_[i] : nullptr;
  }
  const std::vector<ColumnDef>& own = tables_[kClientRec].columns;
  size_t i = static_cast<size_t>(index - kCustomerColumnCount);
  return i < own.size() ? &own[i] : nullptr;
}

void CColumnCatalog::AddColumn(int32_t type, uint8_t format, uint8_t alignment, uint8_t flag,
                               uint8_t width, std::string_view name,
                               std::u16string_view caption) {
  tables_[kClientRec].columns.push_back(
      MakeColumn(type, format, alignment, flag, width, name, caption));
}
