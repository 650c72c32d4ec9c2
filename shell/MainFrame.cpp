#include "shell/MainFrame.h"

#include <cstdio>

#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>

#include "common/LanguageTable.h"
#include "common/WideText.h"
#include "shell/PasswordChange.h"
#include "shell/PasswordChangeDlg.h"
#include "shell/ScreenLockDlg.h"

namespace {

QString Q(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// The menu as the program's resources define it: top-level captions and the
// captions of their commands before the language table replaces them.
struct MenuCommand {
  int id;
  const char* caption;
};
struct MenuResource {
  const char* caption;
  std::vector<MenuCommand> commands;
};

const std::vector<MenuResource>& MenuResources() {
  static const std::vector<MenuResource> menus = {
      {"系统(&S)",
       {{32772, "保存(&S)"}, {32783, "删除(&D)"}, {32833, "打印机关联"}, {57606, "打印设置..."},
        {57665, "退出(&X)"}, {32849, "锁定(&L)"}}},
      {"管理(&M)",
       {{32813, "标签模板"}, {32815, "运单模板"}, {32814, "发票模板"}, {32823, "电子秤设置"},
        {32793, "常用提示"}, {32851, "修改密码"}}},
      {"操作(&O)",
       {{32837, "快录"}, {32780, "补单"}, {32838, "发送"}, {32778, "核单"}, {32836, "查看"},
        {32810, "结算"}, {32789, "名录"}, {32840, "换单"}, {32841, "运转"}, {32843, "收款"},
        {32850, "简录"}, {32852, "调度"}}},
      {"总单(&E)",
       {{32844, "装袋"}, {32845, "封袋"}, {32846, "配载"}, {32847, "查询"}, {32848, "审核"}}},
      {"打印(&P)",
       {{32817, "打印标签"}, {32818, "打印运单"}, {32819, "打印发票"}, {32820, "发票存为文件"}}},
      {"信息(&Z)",
       {{32790, "查询"}, {32832, "报价查询"}, {32808, "刷新"}, {32784, "全部复制"},
        {32785, "全部粘贴"}, {32821, "Excel导入"}, {32792, "报表导出"}, {32806, "全选"},
        {32839, "清空列表"}, {32842, "截取窗口"}}},
      {"查看(&V)", {{59392, "工具栏(&T)"}, {59393, "状态栏(&S)"}}},
      {"帮助(&H)", {{57664, "关于(&A)..."}, {32822, "公司网站"}}},
  };
  return menus;
}

const char* const kWeekdays[7] = {"Sun.", "Mon.", "Tue.", "Wed.", "Thur.", "Fri.", "Sat."};

}  // namespace

// ---- status bar ----

CStatusPane::CStatusPane(int indicatorId, const QString& resourceText, QWidget* parent)
    : QFrame(parent), indicatorId_(indicatorId), text_(resourceText) {
  setFrameShape(QFrame::Panel);
  setFrameShadow(QFrame::Sunken);
  setMinimumWidth(fontMetrics().horizontalAdvance(resourceText) + 8);
  setMinimumHeight(fontMetrics().height() + 4);
}

void CStatusPane::SetText(const QString& text) {
  text_ = text;
  update();
}

void CStatusPane::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  QRect area = contentsRect();
  if (ownerDraw_) {
    painter.setPen(color_);
    painter.drawText(area.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     text_);
  } else {
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(area.adjusted(2, 0, 0, 0),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text_);
  }
}

CColorStatusBar::CColorStatusBar(QWidget* parent) : QStatusBar(parent) {}

bool CColorStatusBar::SetIndicators(const std::vector<Indicator>& indicators) {
  for (CStatusPane* pane : panes_) {
    removeWidget(pane);
    delete pane;
  }
  panes_.clear();
  for (size_t i = 1; i < indicators.size(); ++i) {
    auto* pane = new CStatusPane(indicators[i].id, indicators[i].resourceText, this);
    addPermanentWidget(pane);
    panes_.push_back(pane);
  }
  return true;
}

CStatusPane* CColorStatusBar::Pane(int index) const {
  if (index < 1 || index > static_cast<int>(panes_.size())) return nullptr;
  return panes_[static_cast<size_t>(index - 1)];
}

int CColorStatusBar::PaneIndexOf(int indicatorId) const {
  for (size_t i = 0; i < panes_.size(); ++i)
    if (panes_[i]->IndicatorId() == indicatorId) return static_cast<int>(i) + 1;
  return -1;
}

QString CColorStatusBar::PaneText(int index) const {
  if (index == 0) return currentMessage();
  CStatusPane* pane = Pane(index);
  return pane ? pane->Text() : QString();
}

void CColorStatusBar::SetPaneText(int index, const QString& text) {
  if (index == 0) {
    showMessage(text);
  } else if (CStatusPane* pane = Pane(index)) {
    pane->SetText(text);
  }
}

void CColorStatusBar::SetColorPane(int index) {
  if (CStatusPane* old = Pane(colorPane_)) old->SetOwnerDraw(false);
  colorPane_ = index;
  if (CStatusPane* pane = Pane(colorPane_)) {
    pane->SetOwnerDraw(true);
    pane->SetTextColor(color_);
    pane->SetText(colorText_);
  }
}

void CColorStatusBar::SetPaneTextColor(const QString& text, const QColor& color) {
  colorText_ = text;
  color_ = color;
  if (CStatusPane* pane = Pane(colorPane_)) {
    pane->SetTextColor(color_);
    pane->SetText(colorText_);
  }
}

// ---- frame ----

CMainFrame::CMainFrame(CServerLink& link, std::unique_ptr<FrameClock> clock, QWidget* parent)
    : QMainWindow(parent), link_(link), clock_(std::move(clock)) {
  if (!clock_) clock_ = std::make_unique<SystemFrameClock>();
  modalRunner_ = [](QDialog& dialog) { return dialog.exec(); };
  CreateMenus();
  CreateToolBar();
  CreateStatusBar();
  lockDialog_ = std::make_unique<CScreenLockDlg>(link_, this);
  connect(&timer_, &QTimer::timeout, this, &CMainFrame::OnTimer);
  timer_.start(1000);
}

CMainFrame::~CMainFrame() = default;

QAction* CMainFrame::AddCommand(int commandId, const QString& caption) {
  auto* action = new QAction(caption, this);
  action->setData(commandId);
  connect(action, &QAction::triggered, this, [this, commandId] { ExecuteCommand(commandId); });
  actions_[commandId] = action;
  return action;
}

void CMainFrame::CreateMenus() {
  for (const MenuResource& resource : MenuResources()) {
    QMenu* menu = menuBar()->addMenu(QString::fromUtf8(resource.caption));
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUi);
    for (const MenuCommand& command : resource.commands)
      menu->addAction(AddCommand(command.id, QString::fromUtf8(command.caption)));
  }
  for (int id : {kCmdViewToolbar, kCmdViewStatusBar}) {
    QAction* action = CommandAction(id);
    action->setCheckable(true);
    action->setChecked(true);
  }
}

void CMainFrame::CreateToolBar() {
  toolBar_ = new QToolBar(this);
  toolBar_->setObjectName("toolBar");
  toolBar_->setMovable(true);
  toolBar_->setFloatable(true);
  toolBar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
  toolBar_->setIconSize(QSize(16, 15));
  const CLanguageTable& language = AppLanguage();
  for (int32_t id : language.ToolbarCommands()) {
    QAction* action = CommandAction(id);
    if (!action) action = AddCommand(id, QString());
    std::u16string caption = language.CommandText(id);
    action->setIconText(Q(ToolbarCaption(caption)));
    action->setToolTip(Q(caption));
    action->setStatusTip(Q(caption));
    toolBar_->addAction(action);
  }
  // Equal buttons, wide enough for the widest caption.
  QSize size;
  for (QAction* action : toolBar_->actions())
    if (QWidget* button = toolBar_->widgetForAction(action))
      size = size.expandedTo(button->sizeHint());
  for (QAction* action : toolBar_->actions())
    if (QWidget* button = toolBar_->widgetForAction(action)) button->setFixedSize(size);
  addToolBar(Qt::TopToolBarArea, toolBar_);
}

void CMainFrame::CreateStatusBar() {
  statusBar_ = new CColorStatusBar(this);
  statusBar_->setObjectName("statusBar");
  statusBar_->SetIndicators({
      {0, QString()},
      {kIndicatorOperation,
       QStringLiteral("当前操作：-----系统用户验证登入 (28)................................")},
      {kIndicatorClock, QStringLiteral("0000.00.00 00:00:00-00000")},
      {57638, QStringLiteral("100%")},
      // The lock-key indicators: the state of these keys is not known here,
      // so they show as off (empty).
      {59137, QStringLiteral("大写")},
      {59138, QStringLiteral("数字")},
      {59139, QStringLiteral("滚动")},
  });
  for (int index : {4, 5, 6}) statusBar_->SetPaneText(index, QString());
  statusBar_->SetColorPane(1);
  setStatusBar(statusBar_);
  RefreshStatusPane();
}

QAction* CMainFrame::CommandAction(int commandId) const {
  auto it = actions_.find(commandId);
  return it == actions_.end() ? nullptr : it->second;
}

QMenu* CMainFrame::TopMenu(int position) const {
  QList<QAction*> tops = menuBar()->actions();
  if (position < 0 || position >= tops.size()) return nullptr;
  return tops[position]->menu();
}

void CMainFrame::RefuseCommand(int commandId) {
  refused_.insert(commandId);
  if (QAction* action = CommandAction(commandId)) action->setEnabled(false);
}

void CMainFrame::UpdateCommandUi() {
  if (!commandUiUpdater_) return;
  for (const auto& [commandId, action] : actions_) {
    if (IsCommandRefused(commandId)) continue;
    commandUiUpdater_(commandId, action);
  }
}

void CMainFrame::ExecuteCommand(int commandId) {
  if (IsCommandRefused(commandId)) return;
  ExecuteCommandNow(commandId);
  UpdateCommandUi();
}

void CMainFrame::ExecuteCommandNow(int commandId) {
  switch (commandId) {
    case kCmdCaptureWindow:
      OnToggleCapture();
      break;
    case kCmdLock:
      OnLock();
      break;
    case kCmdChangePassword:
      OnChangePassword();
      break;
    case kCmdViewToolbar:
      toolBar_->setVisible(!toolBar_->isVisible());
      CommandAction(kCmdViewToolbar)->setChecked(toolBar_->isVisible());
      break;
    case kCmdViewStatusBar:
      statusBar_->setVisible(!statusBar_->isVisible());
      CommandAction(kCmdViewStatusBar)->setChecked(statusBar_->isVisible());
      break;
    case kCmdAppExit:
      close();
      break;
    default:
      emit commandTriggered(commandId);
      break;
  }
}

QString CMainFrame::ClockText(const QDateTime& time) {
  QDate date = time.date();
  QTime clock = time.time();
  char text[64];
  std::snprintf(text, sizeof text, "%04d.%02d.%02d %02d:%02d:%02d %s", date.year(), date.month(),
                date.day(), clock.hour(), clock.minute(), clock.second(),
                kWeekdays[date.dayOfWeek() % 7]);
  return QString::fromLatin1(text);
}

std::u16string CMainFrame::ToolbarCaption(std::u16string_view text) {
  if (MeasureDisplayWidthW(text) > 6) return std::u16string(text.substr(0, 4));
  return std::u16string(text);
}

void CMainFrame::OnTimer() {
  ++tickCount_;
  if (locked_) return;
  uint32_t idle = clock_->TickCount() - clock_->LastInputTick();
  if (idle >= autoLockMs_) {
    OnLock();
    return;
  }
  UpdateCommandUi();
  int pane = statusBar_->PaneIndexOf(kIndicatorClock);
  statusBar_->SetPaneText(pane, ClockText(clock_->Now()));
  if (CStatusPane* clockPane = statusBar_->Pane(pane)) clockPane->repaint();
}

void CMainFrame::OnLock() {
  if (locked_) return;
  locked_ = true;
  int result = modalRunner_(*lockDialog_);
  if (result == kLockCloseProgram) {
    emit quitRequested();
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                              Qt::QueuedConnection);
  }
  locked_ = false;
}

void CMainFrame::OnChangePassword() {
  CPasswordChangeDlg dialog(strongPasswords_, this);
  if (modalRunner_(dialog) != QDialog::Accepted) return;
  ChangePasswordOnServer(link_, dialog.NewPassword());
}

int CMainFrame::CaptureKindForPage(int pageIndex) {
  switch (pageIndex) {
    case 0:
      return 3;
    case 1:
      return 4;
    case 3:
      return 5;
    default:
      return -1;
  }
}

void CMainFrame::NotifyPageShown(int pageIndex) {
  if (captureWindow_) captureWindow_->SetCaptureKind(CaptureKindForPage(pageIndex));
}

void CMainFrame::OnToggleCapture() {
  if (!captureWindow_) {
    if (!captureFactory_) return;
    QRect screen(0, 0, 1024, 768);
    if (QScreen* primary = QGuiApplication::primaryScreen()) screen = primary->geometry();
    QRect place(screen.x() + screen.width() - 340, screen.y() + screen.height() / 2 - 140, 330,
                288);
    captureWindow_ = captureFactory_(this, place);
    if (!captureWindow_) return;
  }
  if (!captureWindow_->HasCaptureWindow()) {
    captureWindow_.reset();
    return;
  }
  if (captureWindow_->IsShown()) {
    captureWindow_->StopPreviewAndHide();
  } else {
    NotifyPageShown(currentPage_ ? currentPage_() : -1);
    captureWindow_->ShowAndStartPreview();
  }
}

void CMainFrame::SetCurrentOperation(std::u16string_view text, const QColor& color) {
  operationText_ = Q(text);
  operationColor_ = color;
  RefreshStatusPane();
}

void CMainFrame::RefreshStatusPane() {
  statusBar_->SetPaneTextColor(operationText_, operationColor_);
  statusBar_->update();
}

bool CMainFrame::SetClipboardText(QWidget* /*window*/, std::u16string_view text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return false;
  clipboard->setText(Q(text));
  return true;
}
