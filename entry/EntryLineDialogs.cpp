#include "entry/EntryLineDialogs.h"

#include <cstdlib>
#include <memory>
#include <vector>

#include "common/TextCodec.h"
#include "entry/GoodsListDlg.h"
#include "entry/PieceWeightDlg.h"
#include "platform/MessageBox.h"
#include "shell/AppSettings.h"
#include "shell/BrantleClientApp.h"

bool EditEntryGoods(QWidget* parent, CBrantleClientApp* app, WaybillEntry& entry) {
  std::vector<std::unique_ptr<GoodsLine>> lines;
  for (const GoodsLine& g : entry.goods) lines.push_back(std::make_unique<GoodsLine>(g));
  CGoodsListDlg dlg(parent);
  dlg.lines = &lines;
  dlg.ownerId = entry.loadedId;
  if (app != nullptr) {
    dlg.goodsStore = &app->GoodsLines();
    dlg.SetPlaceDictionary(&app->PlaceDictionary());
  }
  if (dlg.DoModal() != platform::kIdOk) return false;
  entry.goods.clear();
  for (const auto& g : lines) entry.goods.push_back(*g);
  entry.goodsChanged = true;
  return true;
}

bool EditEntryPieces(QWidget* parent, CBrantleClientApp* app, WaybillEntry& entry, bool weighs) {
  if (entry.itemCount <= 0) entry.itemCount = 1;
  std::vector<std::unique_ptr<PieceLine>> pieces;
  for (const PieceLine& p : entry.pieces) pieces.push_back(std::make_unique<PieceLine>(p));
  const char letter = app ? app->Settings().defaultDivisorLetter : 0;
  const char overrideLetter = app ? app->Settings().divisorLetterOverride : 0;
  CPieceWeightDlg dlg(entry.itemCount, &pieces,
                      std::strtod(GbkFromWide(entry.texts[4]).c_str(), nullptr), entry.loadedId,
                      letter, overrideLetter, parent);
  if (app != nullptr) {
    if (weighs) dlg.SetScaleSource(&app->ScaleReader());
    dlg.SetPlaceDictionary(&app->PlaceDictionary());
  }
  dlg.DoModal();
  if (!dlg.piecesChanged) return false;
  entry.pieces.clear();
  int64_t grams = 0;
  for (const auto& p : pieces) {
    entry.pieces.push_back(*p);
    grams += app ? app->ChargeableWeight(p->ixLong, p->ixWidth, p->ixHeight, p->ixWeight,
                                         p->nxPercent, letter)
                 : p->ixWeight;
  }
  entry.texts[4] = FormattedNumber("%.3f", grams / 1000.0);
  return true;
}
