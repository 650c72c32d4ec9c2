#include "entry/ImportProgressDlg.h"

#include <QLabel>
#include <QPushButton>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"

namespace {

constexpr int kTextTitle = 714000;
constexpr int kTextCounts = 714001;
constexpr int kTextStop = 714002;

QString Tx(int id) { return QString::fromStdU16String(AppLanguage().Text(id)); }

}  // namespace

CImportProgressDlg::CImportProgressDlg(std::function<std::pair<int, int>()> counts,
                                       std::function<void()> stop, QWidget* parent)
    : QDialog(parent), counts_(std::move(counts)), stop_(std::move(stop)) {
  setObjectName(QStringLiteral("importProgress"));
  setWindowTitle(Tx(kTextTitle));
  resize(360, 96);
  countLabel_ = new QLabel(this);
  countLabel_->setGeometry(12, 12, 336, 24);
  stopButton_ = new QPushButton(Tx(kTextStop), this);
  stopButton_->setGeometry(224, 52, 124, 28);
  stopButton_->setDefault(true);
  connect(stopButton_, &QPushButton::clicked, this, [this] { AskStop(); });
  connect(&timer_, &QTimer::timeout, this, [this] { Refresh(); });
  timer_.start(100);
  Refresh();
}

void CImportProgressDlg::Refresh() {
  const auto [row, saved] = counts_ ? counts_() : std::pair<int, int>{0, 0};
  std::u16string text = AppLanguage().Text(kTextCounts);
  ReplaceAllW(text, u"%1", WideFromGbk(std::to_string(row)));
  ReplaceAllW(text, u"%2", WideFromGbk(std::to_string(saved)));
  countLabel_->setText(QString::fromStdU16String(text));
}

void CImportProgressDlg::reject() { AskStop(); }

void CImportProgressDlg::AskStop() {
  if (stopAsked_) return;
  stopAsked_ = true;
  stopButton_->setEnabled(false);
  if (stop_) stop_();
}
