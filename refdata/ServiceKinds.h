#pragma once
// The express products of the business (service kinds) as start-up reads
// them from the server: the kind's settings, the fields its entry form
// shows, the suppliers that carry it with their discounts, its sender
// defaults, and for the two kinds that have one the list of destination
// areas it serves.  Read once after login, read-only afterwards.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "refdata/SqlRunner.h"

class CLanguageTable;

namespace platform {
class MessageBoxService;
}

// One destination area of a kind (a ziz_area row).
struct ServiceArea {
  std::string carea;   // GBK, at most 30 bytes
  std::string careae;  // at most 63 bytes
  uint8_t narea = 0;
  uint8_t ntype = 0;
  int32_t codeFirst = 0;   // "ccode" before its first comma
  int32_t codeSecond = 0;  // and after it (0 without a comma)
};

// One supplier that carries a kind (a ziz_sp row with its sp_arc name).
struct SupplierRate {
  int32_t isid = 0;
  std::string cname;              // at most 63 bytes
  uint16_t docDiscount = 0;       // hundredths of a percent
  uint16_t bagDiscount = 0;
  uint16_t heavyBagDiscount = 0;
  uint8_t nextra = 0;
  int32_t ipos = 0;               // ordered by its low 16 bits, unsigned
  int32_t beginWeight = 0;        // grams
  int32_t addedWeight = 0;        // grams
  double fsrate = 0;
  double fprate = 0;
  uint8_t nstate = 0;             // non-zero: the hand-over screen refuses it
  std::string ddate;              // kept only from a year above 2000
  std::string cinput;             // at most 30 bytes
  double fother = 0;
};

// One box of a kind's entry layout.
struct KindFieldBox {
  std::string text;  // at most 512 bytes
  int32_t left = 0, top = 0, width = 0, height = 0;
  int32_t labelWidth = 0;
  uint8_t flag = 0;
};

// The layout block: a font and 120 field boxes.
struct KindLayout {
  KindLayout();
  std::u16string face = u"宋体";
  int32_t size = 12;
  int32_t weight = 600;
  std::array<KindFieldBox, 120> boxes;
};

class CServiceKind {
 public:
  static constexpr size_t kFieldSlots = 120;
  static constexpr uint8_t kNoField = 255;

  explicit CServiceKind(std::string_view code = {});
  virtual ~CServiceKind() = default;
  CServiceKind(const CServiceKind&) = default;
  CServiceKind& operator=(const CServiceKind&) = default;

  std::u16string wideCode;
  std::string cemskind;   // the code, never empty once loaded
  std::string cemskindd;  // alternative names (the code when the column is empty)
  std::string cemskindi;
  std::string cmemo;
  int32_t idocweighte = 0;
  int32_t ibagweighte = 0;
  double fcustoms = 0, faddons = 0, fscustoms = 0, fsaddons = 0;
  int32_t b1price = 1;
  uint8_t narea = 0;
  std::vector<SupplierRate> rates;  // ascending by ipos
  std::vector<ServiceArea> areas;   // ascending by carea, byte order
  KindLayout layout;
  std::string cekgroup, ckey, cmaskno, cmasknum;
  std::string cmname, ctaker, ctrans, cbearer;
  uint8_t nextra = 0, nclient = 0, nsp = 0, nweights = 0, nsmtake = 0, nsmsend = 0, nsmsign = 0,
          nsmerror = 0, nsmdays = 0, ninput = 0;
  int32_t idiscount = 2000;
  uint8_t ncost = 1;
  uint8_t ntrackbit = 0, nbusitype = 0, nstate = 0, ncuball = 0, nnoprice = 0, nallcustoms = 0,
          ndiscountc = 0, ndiscounts = 0, npubprice = 0;
  uint8_t weightTypeC = 0, weightTypeS = 0;        // low 5 bits of nwtypec / nwtypes
  uint8_t weightSubTypeC = 0, weightSubTypeS = 0;  // bits 5 to 7
  std::string cstation;
  std::string crmtkind;
  int32_t ipubdis = 0;
  std::array<uint8_t, kFieldSlots> fieldKinds;  // entry-field kinds, kNoField for none
  int32_t fieldKindCount = 0;
  int32_t idGenLow = 0, idGenHigh = 0;  // iidgen % 10000, iidgen / 10000
  // Sender defaults (ziz_kind_ex).
  std::string cclient, cfrom, cpostcode, cphone, ccity, creturn, cby1, cby2, cby3, cby4, cby5;
  std::array<std::string, 5> memoLines;

  // Inserts in name order; false (nothing added) when the name is there.
  bool AddArea(ServiceArea area);
  // Inserts after every rate of a lower or equal position.
  bool AddSupplierRate(SupplierRate rate);
  const ServiceArea* FindArea(std::string_view name) const;
  uint8_t AreaNumber(std::string_view name) const;
  std::u16string SingleAreaName() const;
  // Whether the kind serves a destination: the name itself, or the name cut
  // after its first street, town or district marker.
  bool HasArea(std::string_view name) const;
  const SupplierRate* FindSupplierRate(int32_t isid) const;
  bool CheckNoMask(std::string_view number) const { return MatchesMask(cmaskno, number); }
  bool CheckNumMask(std::string_view number) const { return MatchesMask(cmasknum, number); }

  // Splits cmemo into the memo lines and the texts of boxes 21 to 25.
  void SplitMemo();
  // "*" any character, "#" a digit, "@" an upper-case letter, else itself;
  // an empty mask takes every number.
  static bool MatchesMask(std::string_view mask, std::string_view number);
  // Reads an entry-field list ("1,2,3,"): one slot per comma.
  void SetFieldKinds(std::string_view list);
};

// The captions (language texts 30000 + k) and longest lengths in bytes of
// the entry-field kinds 0 to 68.
struct EntryFieldKinds {
  static constexpr int kCount = 69;
  std::vector<std::u16string> captions;
  std::vector<int32_t> maxLengths;
  void Load(CLanguageTable& language);
  static int32_t MaxLength(int kind);
};

// The first kind whose code equals the text, ASCII case ignored.
CServiceKind* FindServiceKind(std::vector<CServiceKind>& kinds, std::string_view code);

// The start-up load into the kinds (in load order) and their codes as
// UTF-16: kinds, field lists, suppliers, sender defaults, areas.  True when
// at least one kind was loaded.  `boxes` shows the out-of-memory message
// (text 20020 of `language`).
bool LoadServiceKinds(const SqlRunner& sql, std::vector<CServiceKind>& kinds,
                      std::vector<std::u16string>& codes, CLanguageTable& language,
                      platform::MessageBoxService& boxes);
