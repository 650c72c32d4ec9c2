#pragma once
// The main frame: menu, toolbar with language captions, a seven-pane status
// bar (message pane, coloured current-operation pane, clock, three key
// indicators), a one-second timer for the clock and the idle lock, and the
// frame's own commands: camera window (32842), lock (32849) and change
// password (32851).  Every other command is handed on through
// commandTriggered.

#include <QColor>
#include <QFrame>
#include <QMainWindow>
#include <QPointer>
#include <QStatusBar>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "shell/MainFrameClock.h"

class CServerLink;
class CScreenLockDlg;
class QAction;
class QDialog;
class QMenu;
class QToolBar;

// Command ids of the frame and of the framework.
inline constexpr int kCmdCaptureWindow = 32842;
inline constexpr int kCmdLock = 32849;
inline constexpr int kCmdChangePassword = 32851;
inline constexpr int kCmdCompanyWebSite = 32822;
inline constexpr int kCmdFilePrint = 57607;
inline constexpr int kCmdAppAbout = 57664;
// The printer association dialog (an application command).
inline constexpr int kCmdPrinterAssign = 32833;
inline constexpr int kCmdAppExit = 57665;
inline constexpr int kCmdViewToolbar = 59392;
inline constexpr int kCmdViewStatusBar = 59393;

// Status-bar indicator ids.
inline constexpr int kIndicatorOperation = 59142;
inline constexpr int kIndicatorClock = 129;

// One pane of the status bar after the message pane.
class CStatusPane : public QFrame {
 public:
  CStatusPane(int indicatorId, const QString& resourceText, QWidget* parent);
  int IndicatorId() const { return indicatorId_; }
  const QString& Text() const { return text_; }
  void SetText(const QString& text);
  // An owner-drawn pane draws its text in its colour at the left edge + 2
  // and the top of the pane.
  void SetOwnerDraw(bool ownerDraw) { ownerDraw_ = ownerDraw; }
  bool OwnerDraw() const { return ownerDraw_; }
  void SetTextColor(const QColor& color) { color_ = color; }
  const QColor& TextColor() const { return color_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int indicatorId_;
  QString text_;
  bool ownerDraw_ = false;
  QColor color_;
};

// The status bar: pane 0 is the message pane (menu prompts); each further
// pane has the width of its resource string.  One pane is drawn in colour.
class CColorStatusBar : public QStatusBar {
 public:
  struct Indicator {
    int id;           // 0 for the message pane
    QString resourceText;
  };
  explicit CColorStatusBar(QWidget* parent = nullptr);

  // Builds the panes; the first indicator is the message pane.
  bool SetIndicators(const std::vector<Indicator>& indicators);
  int PaneCount() const { return static_cast<int>(panes_.size()) + 1; }
  // The pane by index (1 and up); nullptr for the message pane or out of range.
  CStatusPane* Pane(int index) const;
  int PaneIndexOf(int indicatorId) const;
  QString PaneText(int index) const;
  void SetPaneText(int index, const QString& text);

  void SetColorPane(int index);
  int ColorPane() const { return colorPane_; }
  void SetPaneTextColor(const QString& text, const QColor& color);
  const QString& ColorText() const { return colorText_; }
  const QColor& Color() const { return color_; }

 private:
  std::vector<CStatusPane*> panes_;
  QString colorText_;
  QColor color_{0, 128, 0};
  int colorPane_ = 1;
};

// The live-camera window as the frame sees it (devices provide it).
class ICaptureWindow {
 public:
  virtual ~ICaptureWindow() = default;
  // False when no camera could be opened.
  virtual bool HasCaptureWindow() const = 0;
  virtual bool IsShown() const = 0;
  virtual void ShowAndStartPreview() = 0;
  virtual void StopPreviewAndHide() = 0;
  // 3 quick entry, 4 full waybill entry, 5 hand-over, -1 none.
  virtual void SetCaptureKind(int kind) = 0;
};
// Creates the camera window, hidden, at the given place.
using CaptureWindowFactory =
    std::function<std::unique_ptr<ICaptureWindow>(QWidget* parent, const QRect& place)>;

class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  // Runs a dialog modally and returns its result (tests answer without a
  // modal loop).
  using ModalRunner = std::function<int(QDialog& dialog)>;

  // Builds menu, toolbar, status bar and the screen-lock dialog and starts
  // the one-second timer.  Without a clock the system clock and the
  // application's input monitor are used.
  explicit CMainFrame(CServerLink& link, std::unique_ptr<FrameClock> clock = nullptr,
                      QWidget* parent = nullptr);
  ~CMainFrame() override;

  // ---- settings given by the application ----
  // The idle time after which the frame locks (default 15 minutes).
  void SetAutoLockMilliseconds(uint32_t milliseconds) { autoLockMs_ = milliseconds; }
  uint32_t AutoLockMilliseconds() const { return autoLockMs_; }
  // Strong passwords required (numbered settings text 72 begins with '1').
  void SetStrongPasswordRequired(bool on) { strongPasswords_ = on; }
  bool StrongPasswordRequired() const { return strongPasswords_; }
  // The view's current page index, read by the camera command.
  void SetCurrentPageSource(std::function<int()> source) { currentPage_ = std::move(source); }
  void SetCaptureWindowFactory(CaptureWindowFactory factory) { captureFactory_ = std::move(factory); }
  void SetModalRunner(ModalRunner runner) { modalRunner_ = std::move(runner); }
  // Gives a command's item (menu item and toolbar button) its enable and
  // check state; the view's update handlers.
  using CommandUiUpdater = std::function<void(int commandId, QAction* action)>;
  void SetCommandUiUpdater(CommandUiUpdater updater) { commandUiUpdater_ = std::move(updater); }

  // ---- menu and toolbar ----
  QAction* CommandAction(int commandId) const;
  // The submenu at a top-level position of the menu bar as it is now.
  QMenu* TopMenu(int position) const;
  QToolBar* ToolBar() const { return toolBar_; }
  CColorStatusBar* ColorStatusBar() const { return statusBar_; }
  // Runs a command as the menu would.
  void ExecuteCommand(int commandId);
  // A refused command (the user lacks the right) is no longer run.
  void RefuseCommand(int commandId);
  bool IsCommandRefused(int commandId) const { return refused_.count(commandId) != 0; }
  // Updates every command's item through the updater (a refused command's
  // item stays off).  Runs when a menu opens and every 250 ms.
  void UpdateCommandUi();

  // ---- operations ----
  void OnTimer();
  void OnLock();
  void OnChangePassword();
  void OnToggleCapture();
  void NotifyPageShown(int pageIndex);
  void SetCurrentOperation(std::u16string_view text, const QColor& color);
  void RefreshStatusPane();

  bool Locked() const { return locked_; }
  // The opaque cover laid over the frame's contents while it is locked.
  QWidget* LockCover() const { return lockCover_; }
  uint32_t TickCount() const { return tickCount_; }
  CScreenLockDlg& ScreenLockDialog() const { return *lockDialog_; }
  ICaptureWindow* CaptureWindow() const { return captureWindow_.get(); }
  // The camera window's own window while it is shown, else null.
  QWidget* VisibleCaptureWindow() const;
  QTimer& Timer() { return timer_; }

  // Puts a UTF-16 text on the clipboard; false when there is none.
  static bool SetClipboardText(QWidget* window, std::u16string_view text);
  // A toolbar caption wider than 6 (units from U+0100 count 2) is cut to its
  // first 4 code units.
  static std::u16string ToolbarCaption(std::u16string_view text);
  // "%Y.%m.%d %H:%M:%S " and the weekday ("Sun." ... "Sat.", Thursday "Thur.").
  static QString ClockText(const QDateTime& time);
  // The camera window's kind for a page index.
  static int CaptureKindForPage(int pageIndex);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 signals:
  // A command the frame does not handle itself.
  void commandTriggered(int commandId);
  // The operator chose to close the program from the screen lock.
  void quitRequested();

 private:
  void CreateMenus();
  void CreateToolBar();
  void CreateStatusBar();
  QAction* AddCommand(int commandId, const QString& caption);
  void UpdateCommandUi(int commandId, QAction* action);
  // While locked nothing of the program shows or takes input: the pages are
  // hidden, menu, toolbar, view and status bar are off, and an opaque cover
  // lies over the whole frame.  Off again puts everything back as it was.
  void CoverForLock(bool on);

  CServerLink& link_;
  std::unique_ptr<FrameClock> clock_;
  std::map<int, QAction*> actions_;
  std::set<int> refused_;
  QToolBar* toolBar_ = nullptr;
  CColorStatusBar* statusBar_ = nullptr;
  std::unique_ptr<CScreenLockDlg> lockDialog_;
  QWidget* lockCover_ = nullptr;
  // What the lock changed, to be put back on unlocking.
  struct CoveredWidget {
    QPointer<QWidget> widget;
    bool wasHidden;
    bool wasEnabled;
  };
  std::vector<CoveredWidget> covered_;
  std::unique_ptr<ICaptureWindow> captureWindow_;
  CaptureWindowFactory captureFactory_;
  std::function<int()> currentPage_;
  ModalRunner modalRunner_;
  CommandUiUpdater commandUiUpdater_;
  QTimer timer_;
  QTimer commandUiTimer_;
  QString operationText_;
  QColor operationColor_{0, 128, 128};
  bool locked_ = false;
  uint32_t tickCount_ = 0;
  uint32_t autoLockMs_ = 900000;
  bool strongPasswords_ = false;
};
