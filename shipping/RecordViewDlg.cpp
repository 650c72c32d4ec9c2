#include "shipping/RecordViewDlg.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTextBrowser>
#include <QUrl>

#include "common/LanguageTable.h"
#include "platform/MessageBox.h"
#include "platform/QtText.h"
#include "platform/QtWaitForWork.h"
#include "shipping/TrackingEditorDlg.h"
#include "ui/RequestFailure.h"
#include "ui/LinkLabel.h"

namespace {

QString Q(std::u16string_view text) { return platform::ToQString(text); }
std::u16string U(const QString& text) { return platform::FromQString(text); }

constexpr int kBoxChars = 30;

// The pane's copy of a page: the goods rows' colour is written without its
// "#", which a QTextBrowser does not take as a colour.
QString PaneHtml(std::u16string_view fragment) {
  QString html = Q(WaybillDetailPage(fragment));
  html.replace(QStringLiteral("bgcolor=fff0f0"), QStringLiteral("bgcolor=#fff0f0"));
  return html;
}

}  // namespace

CRecordViewDlg::CRecordViewDlg(RecordViewServices services, QWidget* parent)
    : QWidget(parent), services_(std::move(services)) {
  CLanguageTable& lang = AppLanguage();
  for (int k = 0; k < 4; ++k) {
    boxLabels_[k] = new QLabel(Q(lang.Text(290001 + k)), this);
    numberBoxes[k] = new QLineEdit(this);
    numberBoxes[k]->setMaxLength(63);
    numberBoxes[k]->installEventFilter(this);
    boxLabels_[k]->setGeometry(6 + k * 190, 8, 180, 18);
    numberBoxes[k]->setGeometry(6 + k * 190, 28, 180, 24);
  }
  numberBoxes[0]->setObjectName(QStringLiteral("innerNumber"));
  numberBoxes[1]->setObjectName(QStringLiteral("transferNumber"));
  numberBoxes[2]->setObjectName(QStringLiteral("referenceNumber"));
  numberBoxes[3]->setObjectName(QStringLiteral("customsNumber"));
  matchMode = new QComboBox(this);
  for (int k = 0; k < 4; ++k) matchMode->addItem(Q(lang.Text(290010 + k)));
  matchMode->setGeometry(6, 62, 120, 24);
  matchMode->installEventFilter(this);
  trackingLink = new CLinkLabel(Q(lang.Text(290020)), this);
  trackingLink->SetTextColor(QColor(0, 0, 255)).SetUnderline(true).SetLinkCursor(HandCursor());
  trackingLink->setGeometry(140, 66, 160, 18);
  picturesLink = new CLinkLabel(Q(lang.Text(290021)), this);
  picturesLink->SetTextColor(QColor(0, 0, 255)).SetLinkCursor(HandCursor());
  picturesLink->setGeometry(310, 66, 160, 18);
  restrictionNote = new QLabel(this);
  restrictionNote->setStyleSheet(QStringLiteral("color: #a05000"));
  restrictionNote->setGeometry(6, 90, 700, 18);
  leftPane = new QTextBrowser(this);
  rightPane = new QTextBrowser(this);
  for (QTextBrowser* pane : {leftPane, rightPane}) {
    pane->setOpenLinks(false);
    pane->setOpenExternalLinks(false);
    pane->setHtml(Q(WaybillDetailPage(u"")));
    connect(pane, &QTextBrowser::anchorClicked, this, &CRecordViewDlg::OpenLink);
  }
  leftPane->setObjectName(QStringLiteral("leftDocument"));
  rightPane->setObjectName(QStringLiteral("rightDocument"));
  connect(trackingLink, &CLinkLabel::clicked, this, &CRecordViewDlg::OpenTracking);
  connect(picturesLink, &CLinkLabel::clicked, this, &CRecordViewDlg::OpenPictures);

  trackEditor = new CTrackEditDlg(services_.trackingLink, this);
  trackEditor->SetRights(services_.canEditTracking, services_.showTrackingWeight);
  trackEditor->chooseCommonPrompt = services_.chooseCommonPrompt;
  trackEditor->move(100, 100);
  trackEditor->resize(690, 510);
}

CRecordViewDlg::~CRecordViewDlg() = default;

void CRecordViewDlg::LayoutFor(QSize screen) {
  const int w = (screen.width() - 270) / 2;
  const int h = screen.height() - 250;
  leftPane->setGeometry(6, 110, w, h);
  rightPane->setGeometry(w + 15, 110, w, h);
}

int CRecordViewDlg::ShowRecord(int kind, int32_t id) {
  std::u16string condition;
  if (kind >= 0 && kind <= 3) {
    std::u16string text = U(numberBoxes[kind]->text());
    text = services_.normalizeNumber ? services_.normalizeNumber(text) : text;
    if (kind <= 1) numberBoxes[kind]->setText(Q(text));
    if (text.empty()) return 0;
    condition = BuildRecordViewCondition(kind, text, matchMode->currentIndex(), 0);
  } else if (kind == kViewById) {
    condition = BuildRecordViewCondition(kind, {}, 0, id);
  }
  if (condition.empty() || !services_.query) return 0;
  const std::string sql = BuildRecordViewQuery(condition);
  std::string reply;
  const auto& types = RecordViewColumnTypes();
  const int sent = platform::WaitForWork([&] { return services_.query(sql, types, reply); });
  if (ShowRequestFailure(sent, reply)) return 0;
  WaybillDetailRow row;
  if (!ReadRecordViewRow(reply, row)) {
    platform::ShowMessageBox(AppLanguage().Text(20005));
    return 0;
  }
  static const char* const kNumbers[] = {"cnum", "cserviceno", "crno", "ccno"};
  for (int k = 0; k < 4; ++k) numberBoxes[k]->setText(Q(row.Text(kNumbers[k], kBoxChars)));
  access = RecordViewAccess(services_.operatorStation, services_.operatorKind, row);
  restrictionNote->setText(
      Q(RecordViewRestrictionNote(services_.operatorStation, services_.operatorKind, row)));
  icid = row.Int("icid");
  irid = row.Int("irid");
  businessDate = row.Text("ddate", 30);
  expressKind = row.Text("cemskind", 15);
  destination = row.Text("cdes", 63);
  WaybillDetailContext context = services_.context;
  context.fullView = access == 1;
  context.operatorStation = services_.operatorStation;
  leftHtml = BuildWaybillDetailLeft(row, context);
  rightHtml = BuildWaybillDetailRight(row, context);
  leftPane->setHtml(PaneHtml(leftHtml));
  rightPane->setHtml(PaneHtml(rightHtml));
  return 1;
}

void CRecordViewDlg::OpenTracking() {
  if (irid <= 0) return;
  trackEditor->Open(irid, RecordViewTrackingCaption(businessDate, destination, expressKind),
                    U(numberBoxes[0]->text()));
}

void CRecordViewDlg::OpenPictures() {
  if (irid > 0 && services_.openPictures) services_.openPictures(irid, icid);
}

void CRecordViewDlg::OpenLink(const QUrl& url) {
  const QString scheme = url.scheme().toLower();
  if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) return;
  if (services_.openUrl) services_.openUrl(url.toString());
}

bool CRecordViewDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      for (int k = 0; k < 4; ++k)
        if (watched == numberBoxes[k]) {
          ShowRecord(k);
          return true;
        }
      return false;
    case Qt::Key_Escape:
      return true;
    case Qt::Key_Up:
      focusNextPrevChild(false);
      return true;
    case Qt::Key_Down:
      focusNextPrevChild(true);
      return true;
    default:
      return QWidget::eventFilter(watched, event);
  }
}
