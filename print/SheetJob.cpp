#include "print/SheetJob.h"

#include <QString>

#include <algorithm>
#include <chrono>
#include <random>
#include <system_error>

#include "common/SafeFileName.h"
#include "office/CellFormat.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "print/Code128Bitmap.h"
#include "print/InstalledPrinters.h"
#include "print/PrintContext.h"

std::filesystem::path PathOf(std::u16string_view name) {
  return std::filesystem::path(
      QString::fromUtf16(name.data(), static_cast<qsizetype>(name.size())).toStdString());
}

std::u16string NameOf(const std::filesystem::path& path) {
  return QString::fromStdString(path.string()).toStdU16String();
}

std::string SafeNumber(std::string_view gbkNumber) {
  std::string safe = SafeFileName(gbkNumber);
  return QString::fromStdU16String(WideFromGbk(safe)).toStdString();
}

std::u16string TemporaryWorkbook(const std::string& folder, std::string_view prefix) {
  static std::mt19937 random(static_cast<unsigned>(
      std::chrono::steady_clock::now().time_since_epoch().count()));
  auto tick = static_cast<unsigned>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
  std::string name = folder;
  if (!name.empty() && name.back() != '/') name.push_back('/');
  name += std::string(prefix) + std::to_string(tick) + std::to_string(random() % 32768) + ".xls";
  return QString::fromStdString(name).toStdU16String();
}

CSheetJob::CSheetJob(const PrintContext& context, std::u16string workbookFile, bool keepWorkbook)
    : context_(context), workbookFile_(std::move(workbookFile)), keepWorkbook_(keepWorkbook) {}

CSheetJob::~CSheetJob() {
  if (session_) session_->Close();
  session_.reset();
  std::error_code ec;
  for (const auto& file : pictures_) std::filesystem::remove(file, ec);
  if (!keepWorkbook_ && !workbookFile_.empty()) std::filesystem::remove(PathOf(workbookFile_), ec);
}

bool CSheetJob::Create(std::u16string_view sheetName, const std::string& workbookBytes) {
  std::error_code ec;
  std::filesystem::create_directories(PathOf(workbookFile_).parent_path(), ec);
  session_ = std::make_unique<CExcelSession>();
  session_->SetOverwriteQuestion(false);
  if (!session_->CreateFromTemplateData(sheetName, workbookFile_, workbookBytes.data(),
                                        workbookBytes.size(), false)) {
    std::u16string error = session_->LastError();
    session_.reset();
    context_.Message(error);
    return false;
  }
  return true;
}

void CSheetJob::Set(int row, int column, std::u16string_view text) {
  if (row < 1 || column < 1) return;
  // As if typed into the sheet: a leading apostrophe marks a text (and is
  // not part of it); anything else is read as the sheet reads input.
  if (!text.empty() && text.front() == u'\'') {
    std::u16string_view rest = text.substr(1);
    if (ReadsAsPlainText(rest))
      session_->SetCell(row, column, CellValue(std::u16string(rest)));
    else
      session_->SetCellText(row, column, rest);
    return;
  }
  // A record's text that the sheet would take for a formula ("=1+1",
  // "=HYPERLINK(...)", "+A1", "-B2", "@SUM(...)") stays text.
  if (ReadsAsFormula(text)) {
    session_->SetCellText(row, column, text);
    return;
  }
  session_->SetCell(row, column, CellValue(std::u16string(text)));
}

void CSheetJob::Picture(const std::filesystem::path& file, int column, int row, double width,
                        double height, bool removeAfter) {
  if (removeAfter && std::find(pictures_.begin(), pictures_.end(), file) == pictures_.end())
    pictures_.push_back(file);
  if (row < 1 || column < 1) return;
  if (context_.pictured) context_.pictured(NameOf(file), column, row, width, height);
  session_->AddPicture(NameOf(file), row, column, width, height, 2, 2);
}

bool CSheetJob::Code128(CCode128Bitmap& bitmap, std::string_view number, int barHeight,
                        bool noText, const char* codeSets, int direction, int size,
                        const std::filesystem::path& file, int column, int row) {
  if (!bitmap.Render(number, barHeight, noText, codeSets, direction)) return false;
  std::filesystem::path safe = bitmap.SafePath(file);
  std::filesystem::path written =
      safe.parent_path() / std::filesystem::path(SafeFileNameW(safe.filename().u16string()));
  std::error_code ec;
  std::filesystem::create_directories(written.parent_path(), ec);
  if (!bitmap.SaveFile(file)) return false;
  bool vertical = direction == 1 || direction == 3;
  Picture(written, column, row, vertical ? -1 : size, vertical ? size : -1);
  return true;
}

namespace {
constexpr int32_t kNoQueueText = 620003;
constexpr int32_t kQueueRefusedText = 620004;
}  // namespace

int CSheetJob::Print(const std::u16string& queue, int pages, int copies) {
  if (!context_.keepAllIn.empty()) return 0;
  reason_.clear();
  // Without a queue the suite would print to no printer at all and call it
  // done; a queue that takes no job would keep the sheet for ever.
  if (queue.empty()) {
    reason_ = context_.Text(kNoQueueText);
    return 0;
  }
  if (!context_.printed && !QueueAcceptsJobs(queue)) {
    reason_ = context_.Text(kQueueRefusedText);
    ReplaceAllW(reason_, u"%1", queue);
    return 0;
  }
  int sent = 0;
  for (int i = 0; i < copies; ++i) {
    if (context_.printed) {
      context_.printed(queue, pages);
      ++sent;
    } else if (session_->PrintOut(1, pages, 1, false, queue)) {
      ++sent;
    }
  }
  return sent;
}

void CSheetJob::PrintFailed(int32_t documentText, std::u16string_view numbers) {
  std::u16string reason = reason_;
  if (reason.empty()) reason = session_ ? session_->LastError() : std::u16string();
  if (reason.empty()) reason = context_.Text(20047);
  std::u16string text = context_.Text(documentText);
  ReplaceAllW(text, u"%1", numbers);
  ReplaceAllW(text, u"%2", reason);
  context_.Message(text);
}

bool CSheetJob::SaveAndClose() {
  if (!session_) return false;
  bool ok = session_->SaveAndClose() != 0;
  session_.reset();
  return ok;
}
