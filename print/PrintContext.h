#pragma once
// What the waybill, label and invoice renderers need of the program, in one
// place: loading a saved waybill, the templates, the printer of a template,
// the look-ups and the folders.  The application fills one from its
// services (shell/AppPrintJobs.cpp); tests and benchmarks fill one of their
// own, so the renderers run without an application object.
//
// Calls of one context are serialised by its lock: a print job started on a
// worker thread and one started from the window never interleave their
// record loads, template look-ups or workbooks.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "refdata/RecordStores.h"

class CTemplateModel;
class CServiceKind;
class CPlaceDictionary;
class CPrintFieldDictionary;
class CFieldMarkers;
struct DestinationRecord;

using PieceList = std::vector<std::unique_ptr<PieceLine>>;
using GoodsList = std::vector<std::unique_ptr<GoodsLine>>;

// "没有选择可用的标签模版。" and "没有选择可用的形式发票模版。" in the
// operator's language.
inline constexpr int32_t kNoLabelTemplateText = 620005;
inline constexpr int32_t kNoInvoiceTemplateText = 620006;

enum PrintFailure {
  kPrintDone = 0,
  kRecordMissing = 1,
  kNoTemplate = 2,
  kNoWorkbook = 3,
  kNotPrinted = 4,  // the queue took no copy
};

// The one lock of the print state that the window and the print workers
// share: the template cache with its current templates and the printer of
// each template are read and changed under it.  It is held for a look-up or
// a change only (never while a template is fetched or a job prints), so the
// window never waits for a print worker's job.  Recursive, so a caller may
// hold it around several calls.
std::shared_ptr<std::recursive_mutex> PrintStateLock();

struct PrintContext {
  // The waybill with its lines appended; the record id, or 0.
  std::function<int32_t(int32_t id, InputWaybillRecord& record, PieceList& pieces,
                        GoodsList& goods)>
      loadRecord;
  // A template of a kind and name (GBK), null when none.
  std::function<CTemplateModel*(std::string_view kindGbk, std::string_view nameGbk)> findTemplate;
  // The current template of a slot (0 invoice, 1 waybill, 2 label).
  std::function<CTemplateModel*(int slot)> currentTemplate;
  // The queue of a printer kind (1 waybill, 2 label, 3 invoice) and template.
  std::function<std::u16string(int kind, std::u16string_view templateName)> selectPrinter;
  std::function<CServiceKind*(std::string_view code)> findServiceKind;
  std::function<const DestinationRecord*(std::string_view name)> findDestination;
  // A message for the operator (a message box on the window thread).
  std::function<void(std::u16string_view text)> message;
  // A language text.
  std::function<std::u16string(int32_t id)> text;

  const CPlaceDictionary* places = nullptr;
  const CPrintFieldDictionary* fields = nullptr;
  const CFieldMarkers* markers = nullptr;

  std::string programFolder;  // ends in '/'
  std::string dayFolder;      // the picture store's day folder (no trailing '/')
  bool shortTransferFallback = false;

  // When not empty, every workbook is saved to this folder under its own
  // name instead of being printed (golden files, benchmarks).
  std::string keepAllIn;
  // When set, takes every print instead of the queue (tests).
  std::function<void(std::u16string_view queue, int pages)> printed;
  // When set, told of every picture placed and its size in points (-1:
  // the picture's natural size in that direction) (tests).
  std::function<void(std::u16string_view file, int column, int row, double width, double height)>
      pictured;

  // Why the last job of this context produced nothing (kPrintDone when it
  // did): a record that cannot be loaded only skips that record; no
  // template or no workbook stops a run of jobs.
  mutable int failure = 0;

  std::shared_ptr<std::recursive_mutex> lock = std::make_shared<std::recursive_mutex>();

  std::u16string Text(int32_t id) const;
  // A fixed Chinese caption shown in the operator's language: the program's
  // language text of the id (its Chinese is the caption), the caption itself
  // when the language data lacks the id.
  std::u16string Text(int32_t id, std::u16string_view caption) const;
  // loadRecord; lines read from a server reply carry no owner and belong to
  // the record, so they are given its id.  The id, or 0.
  int32_t Load(int32_t id, InputWaybillRecord& record, PieceList& pieces, GoodsList& goods) const;
  void Message(std::u16string_view text) const;
};
