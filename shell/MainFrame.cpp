#include "shell/MainFrame.h"

#include <cstdio>

#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QKeySequence>
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
       {{32772, "保存(&S)\tCtrl+S F2"}, {32783, "删除(&X)"}, {32833, "打印机关联"},
        {57606, "打印设置..."}, {57665, "退出(&X)"}, {32849, "锁定(&L)"}}},
      {"管理(&M)",
       {{32813, "标签模板"}, {32815, "运单模板"}, {32814, "发票模板"},
        {32823, "设置本机电子秤参数"}, {32793, "设置常用提示输入"}, {32851, "修改密码"}}},
      {"操作(&O)",
       {{32837, "快录-快速创建快递运单记录"}, {32780, "补单-业务数据补全录入"},
        {32838, "发送-将快件发送到下家"}, {32778, "核单-已入系统快件记录核查"},
        {32836, "查看-查看业务记录单票信息"}, {32810, "结算-快件结算记录查询"},
        {32789, "名录-收/发件人资料管理"}, {32840, "换单-转单号批量导入"},
        {32841, "运转-快件运转信息批量导入"}, {32843, "收款-客户交款管理"},
        {32850, "简录-精简录入多件票运单记录"}, {32852, "调度-预录取件调度"}}},
      {"总单(&E)",
       {{32844, "装袋-创建及管理袋"}, {32845, "封袋-封口，打印标签"},
        {32846, "配载-将袋配载到总单"}, {32847, "查询-关联业务记录清单"},
        {32848, "审核-总单跟踪审核管理"}}},
      {"打印(&P)",
       {{32817, "打印标签(&L)"}, {32818, "打印面单(&T)"}, {32819, "打印形式发票(&P)"},
        {32820, "输出形式发票到文件(&F)"}}},
      {"信息(&Z)",
       {{32790, "信息查询(&F)\tF4"}, {32832, "报价查询(&P)"}, {32808, "刷新列表数据"},
        {32784, "整体拷贝"}, {32785, "整体粘贴"}, {32821, "打开Excel文件导入"},
        {32792, "报表文件导出"}, {32806, "将列表记录全部选中"}, {32839, "清空当前主列表(&D)"},
        {32842, "截取窗口"}}},
      {"查看(&V)", {{59392, "工具栏(&T)"}, {59393, "状态栏(&S)"}}},
      {"帮助(&H)", {{57664, "关于(&A)..."}, {32822, "打开公司网站"}}},
  };
  return menus;
}

// Toolbar 128: its buttons in order (the captions come from the language
// table by command id).
constexpr int kToolbarResource[] = {32822, 32782, 32790, 32808, 32772, 32783, 32784, 32785,
                                    32837, 32780, 32836, 32778, 32838, 32810, 32789, 32832,
                                    32821, 32792, 32817, 32818, 32819, 32806};

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
  lockCover_ = new QWidget(this);
  lockCover_->setObjectName("lockCover");
  lockCover_->setAutoFillBackground(true);
  QPalette coverPalette = lockCover_->palette();
  coverPalette.setColor(QPalette::Window, QColor(64, 64, 64));
  lockCover_->setPalette(coverPalette);
  lockCover_->hide();
  connect(&timer_, &QTimer::timeout, this, &CMainFrame::OnTimer);
  timer_.start(1000);
  // The toolbar buttons follow their commands' states while the program is
  // idle.
  connect(&commandUiTimer_, &QTimer::timeout, this, [this] { UpdateCommandUi(); });
  commandUiTimer_.start(250);
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
    for (const MenuCommand& command : resource.commands)
      menu->addAction(AddCommand(command.id, QString::fromUtf8(command.caption)));
    // The items take their enable and check states when the menu opens.
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
      for (QAction* action : menu->actions()) UpdateCommandUi(action->data().toInt(), action);
    });
  }
  for (int id : {kCmdViewToolbar, kCmdViewStatusBar}) {
    QAction* action = CommandAction(id);
    action->setCheckable(true);
    action->setChecked(true);
  }
  // Accelerators: save, query, and the print command, which has no menu item.
  CommandAction(32772)->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_S), QKeySequence(Qt::Key_F2)});
  CommandAction(32790)->setShortcut(QKeySequence(Qt::Key_F4));
  QAction* print = AddCommand(kCmdFilePrint, QString());
  print->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  addAction(print);
}

void CMainFrame::UpdateCommandUi(int commandId, QAction* action) {
  if (!commandUiUpdater_ || action == nullptr || IsCommandRefused(commandId)) return;
  commandUiUpdater_(commandId, action);
}

void CMainFrame::UpdateCommandUi() {
  for (const auto& [commandId, action] : actions_) UpdateCommandUi(commandId, action);
}

void CMainFrame::CreateToolBar() {
  toolBar_ = new QToolBar(this);
  toolBar_->setObjectName("toolBar");
  toolBar_->setMovable(true);
  toolBar_->setFloatable(true);
  toolBar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
  toolBar_->setIconSize(QSize(16, 15));
  const CLanguageTable& language = AppLanguage();
  for (int32_t id : kToolbarResource) {
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

void CMainFrame::ExecuteCommand(int commandId) {
  // While locked only the unlock box is served.
  if (IsCommandRefused(commandId) || locked_) return;
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
  int pane = statusBar_->PaneIndexOf(kIndicatorClock);
  statusBar_->SetPaneText(pane, ClockText(clock_->Now()));
  if (CStatusPane* clockPane = statusBar_->Pane(pane)) clockPane->repaint();
}

void CMainFrame::OnLock() {
  if (locked_) return;
  locked_ = true;
  CoverForLock(true);
  int result = modalRunner_(*lockDialog_);
  if (result == kLockCloseProgram) {
    emit quitRequested();
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                              Qt::QueuedConnection);
  }
  CoverForLock(false);
  locked_ = false;
}

void CMainFrame::CoverForLock(bool on) {
  if (on) {
    covered_.clear();
    for (QWidget* widget : {static_cast<QWidget*>(menuBar()), static_cast<QWidget*>(toolBar_),
                            centralWidget(), static_cast<QWidget*>(statusBar_)}) {
      if (widget == nullptr) continue;
      covered_.push_back({widget, widget->isHidden(), widget->isEnabled()});
      widget->setEnabled(false);
    }
    // The pages hold the customer data: they are not drawn at all.
    if (QWidget* central = centralWidget()) central->hide();
    lockCover_->setGeometry(rect());
    lockCover_->raise();
    lockCover_->show();
    return;
  }
  lockCover_->hide();
  for (const CoveredWidget& entry : covered_) {
    if (entry.widget.isNull()) continue;
    entry.widget->setEnabled(entry.wasEnabled);
    entry.widget->setHidden(entry.wasHidden);
  }
  covered_.clear();
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  lockCover_->setGeometry(rect());
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

QWidget* CMainFrame::VisibleCaptureWindow() const {
  if (!captureWindow_ || !captureWindow_->IsShown()) return nullptr;
  return dynamic_cast<QWidget*>(captureWindow_.get());
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
