#include "ui/QuickScanPrintDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/TextCodec.h"
#include "print/LabelLayout.h"
#include "print/PrintDoors.h"
#include "print/PrintText.h"

CQuickScanPrintDlg::CQuickScanPrintDlg(CPrintDoors* doors, QWidget* parent)
    : QDialog(parent), doors_(doors) {
  setWindowTitle(QStringLiteral("快速扫描打印..."));
  if (doors_ == nullptr || doors_->CurrentTemplate(0) == nullptr) {
    invoiceCopies = 0;
    invoiceAvailable = 0;
  }
  if (doors_ != nullptr && doors_->LabelLayout().HasTemplate() &&
      doors_->LabelLayout().LabelsPerSheet() == 1) {
    labelAvailable = 1;
    labelTicked = 1;
  }
  if (doors_ == nullptr) waybillAvailable = 0;
  bigFont_ = QFont(QStringLiteral("Arial Black"));
  bigFont_.setPixelSize(40);
  bigFont_.setBold(true);

  auto* layout = new QGridLayout(this);
  kindLabel_ = new QLabel(QStringLiteral("内单:"), this);
  QFont kindFont = kindLabel_->font();
  kindFont.setPointSize(28);
  kindLabel_->setFont(kindFont);
  kindLabel_->setStyleSheet(QStringLiteral("color: rgb(0,128,0);"));
  kindLabel_->setCursor(Qt::PointingHandCursor);
  kindLabel_->installEventFilter(this);
  layout->addWidget(kindLabel_, 0, 0);
  scanEdit_ = new QLineEdit(this);
  scanEdit_->setMaxLength(30);
  scanEdit_->setFont(bigFont_);
  scanEdit_->setMinimumWidth(460);
  scanEdit_->installEventFilter(this);
  layout->addWidget(scanEdit_, 0, 1, 1, 6);
  layout->addWidget(new QLabel(QStringLiteral("打印:"), this), 1, 0);
  labelBox_ = new QCheckBox(QStringLiteral("标签"), this);
  labelBox_->setChecked(labelTicked != 0);
  labelBox_->setEnabled(labelAvailable != 0);
  layout->addWidget(labelBox_, 1, 1);
  waybillBox_ = new QCheckBox(QStringLiteral("面单"), this);
  waybillBox_->setChecked(waybillTicked != 0);
  layout->addWidget(waybillBox_, 1, 2);
  layout->addWidget(new QLabel(QStringLiteral("发票:"), this), 1, 3);
  copiesEdit_ = new QLineEdit(QString::number(invoiceCopies), this);
  copiesEdit_->setValidator(new QIntValidator(0, 9, copiesEdit_));
  copiesEdit_->setFont(bigFont_);
  copiesEdit_->setMaximumWidth(80);
  copiesEdit_->setEnabled(invoiceAvailable != 0);
  copiesEdit_->installEventFilter(this);
  layout->addWidget(copiesEdit_, 1, 4);
  layout->addWidget(new QLabel(QStringLiteral("份"), this), 1, 5);
  closeButton_ = new QPushButton(QStringLiteral("关 闭"), this);
  closeButton_->setAutoDefault(false);
  layout->addWidget(closeButton_, 1, 6);
  connect(closeButton_, &QPushButton::clicked, this, [this] { done(QDialog::Rejected); });
  scanEdit_->setFocus();
  PaintScanBox();
}

void CQuickScanPrintDlg::TakeData() {
  invoiceCopies = copiesEdit_->text().toInt();
  scanned = scanEdit_->text().left(30).toStdU16String();
  labelTicked = labelBox_->isChecked() ? 1 : 0;
  waybillTicked = waybillBox_->isChecked() ? 1 : 0;
}

void CQuickScanPrintDlg::ToggleNumberKind() {
  numberKind = numberKind ? 0 : 1;
  kindLabel_->setText(numberKind ? QStringLiteral("内单:") : QStringLiteral("转单:"));
  kindLabel_->setStyleSheet(numberKind ? QStringLiteral("color: rgb(0,128,0);")
                                       : QStringLiteral("color: rgb(128,0,0);"));
}

void CQuickScanPrintDlg::Print() {
  TakeData();
  std::u16string text = Trimmed(scanned);
  if (text.empty() || doors_ == nullptr) return;
  std::string number = GbkFromWide(Upper(text));
  int32_t id = 0;
  // Transfer numbers of 5 characters or fewer find nothing.
  if (numberKind == 1 || number.size() > 5) id = doors_->FindLocalRecord(number, numberKind);
  if (id <= 0) {
    doors_->PlayResultSound(1);
    lastScanOk = 0;
    PaintScanBox();
    scanEdit_->selectAll();
    scanEdit_->setFocus();
    return;
  }
  lastScanOk = 1;
  if (waybillTicked) doors_->PrintWaybill(id, 0, 0, 1, u"");
  if (invoiceAvailable && invoiceCopies >= 1) doors_->PrintProformaInvoice(id, 0, invoiceCopies, 0);
  if (labelAvailable && labelTicked) {
    std::vector<int32_t> ids{id};
    int piece = -1, count = 1;
    doors_->PrintLabels(ids, 0, 1, piece, count, 1, -1);
  }
  scanEdit_->clear();
  scanEdit_->setFocus();
  PaintScanBox();
}

void CQuickScanPrintDlg::PaintScanBox() {
  if (!lastScanOk && scanEdit_->text().isEmpty()) lastScanOk = 1;
  QString style;
  // The dialog's focus child (also while another window is active).
  if (focusWidget() != scanEdit_)
    style = QStringLiteral("QLineEdit { background: rgb(240,240,240); }");
  else if (lastScanOk)
    style = QStringLiteral("QLineEdit { background: rgb(102,255,192); }");
  else
    style = QStringLiteral("QLineEdit { background: rgb(255,0,0); color: white; }");
  scanEdit_->setStyleSheet(style);
}

bool CQuickScanPrintDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched == kindLabel_ && event->type() == QEvent::MouseButtonRelease) {
    ToggleNumberKind();
    return true;
  }
  if (watched == scanEdit_ && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
    PaintScanBox();
  return QDialog::eventFilter(watched, event);
}

void CQuickScanPrintDlg::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (key == Qt::Key_Escape) return;  // closes only by its button
  if ((key == Qt::Key_S && (event->modifiers() & Qt::ControlModifier)) ||
      ((key == Qt::Key_Return || key == Qt::Key_Enter) && focusWidget() == scanEdit_)) {
    Print();
    return;
  }
  if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Down) {
    focusNextChild();
    return;
  }
  if (key == Qt::Key_Up) {
    focusPreviousChild();
    return;
  }
  QDialog::keyPressEvent(event);
}
