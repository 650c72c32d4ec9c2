#include "platform/QtMessageBox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>

#include "platform/QtDispatcher.h"
#include "platform/QtText.h"
#include "platform/QtWaitForWork.h"

namespace platform {
namespace {

// The buttons of each box type, in the order the default-button flags count.
struct ButtonSet {
  QMessageBox::StandardButton buttons[3];
  int count;
};

ButtonSet ButtonsOf(unsigned flags) {
  switch (flags & kMbTypeMask) {
    case kMbOkCancel:
      return {{QMessageBox::Ok, QMessageBox::Cancel, QMessageBox::NoButton}, 2};
    case kMbAbortRetryIgnore:
      return {{QMessageBox::Abort, QMessageBox::Retry, QMessageBox::Ignore}, 3};
    case kMbYesNoCancel:
      return {{QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}, 3};
    case kMbYesNo:
      return {{QMessageBox::Yes, QMessageBox::No, QMessageBox::NoButton}, 2};
    case kMbRetryCancel:
      return {{QMessageBox::Retry, QMessageBox::Cancel, QMessageBox::NoButton}, 2};
    default:
      return {{QMessageBox::Ok, QMessageBox::NoButton, QMessageBox::NoButton}, 1};
  }
}

QMessageBox::Icon IconOf(unsigned flags) {
  switch (flags & kMbIconMask) {
    case kMbIconError: return QMessageBox::Critical;
    case kMbIconQuestion: return QMessageBox::Question;
    case kMbIconWarning: return QMessageBox::Warning;
    case kMbIconInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

// A box that neither Escape nor the close box ends: Qt would otherwise make
// No or Abort its escape button.
class UnescapableMessageBox : public QMessageBox {
 public:
  using QMessageBox::QMessageBox;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->matches(QKeySequence::Cancel)) return;
    QMessageBox::keyPressEvent(event);
  }
  void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

bool HasCancel(const ButtonSet& set) {
  for (int i = 0; i < set.count; ++i) {
    if (set.buttons[i] == QMessageBox::Cancel) return true;
  }
  return false;
}

// A box that comes up while the window waits for slow work shows the usual
// arrow over it, not the busy cursor of the wait: it wants an answer.
class ArrowCursorWhileWaiting {
 public:
  ArrowCursorWhileWaiting() : set_(WaitForWorkDepth() > 0) {
    if (set_) QGuiApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
  }
  ~ArrowCursorWhileWaiting() {
    if (set_) QGuiApplication::restoreOverrideCursor();
  }
  ArrowCursorWhileWaiting(const ArrowCursorWhileWaiting&) = delete;
  ArrowCursorWhileWaiting& operator=(const ArrowCursorWhileWaiting&) = delete;

 private:
  bool set_;
};

int RunBoxModally(QMessageBox& box) {
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  return clicked ? static_cast<int>(box.standardButton(clicked))
                 : static_cast<int>(QMessageBox::NoButton);
}

}  // namespace

std::unique_ptr<QMessageBox> CreateMessageBox(std::u16string_view text,
                                              std::u16string_view caption,
                                              unsigned flags, QWidget* parent) {
  QString body = ToQString(text);
  body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  ButtonSet set = ButtonsOf(flags);
  // Escape answers like the close box; boxes without Cancel (or a lone OK)
  // cannot be escaped.
  bool escapable = HasCancel(set) || set.count == 1;
  std::unique_ptr<QMessageBox> box = escapable
                                         ? std::make_unique<QMessageBox>(parent)
                                         : std::make_unique<UnescapableMessageBox>(parent);
  box->setWindowTitle(ToQString(caption));
  box->setText(body);
  box->setTextFormat(Qt::PlainText);
  box->setIcon(IconOf(flags));
  for (int i = 0; i < set.count; ++i) box->addButton(set.buttons[i]);
  int defaultIndex = (flags & kMbDefButton3) ? 2 : (flags & kMbDefButton2) ? 1 : 0;
  if (defaultIndex >= set.count) defaultIndex = set.count > 1 ? 1 : 0;
  box->setDefaultButton(set.buttons[defaultIndex]);
  if (HasCancel(set)) box->setEscapeButton(QMessageBox::Cancel);
  if (set.count == 1) box->setEscapeButton(QMessageBox::Ok);
  return box;
}

int AnswerOfButton(QMessageBox::StandardButton button) {
  switch (button) {
    case QMessageBox::Ok: return kIdOk;
    case QMessageBox::Cancel: return kIdCancel;
    case QMessageBox::Abort: return kIdAbort;
    case QMessageBox::Retry: return kIdRetry;
    case QMessageBox::Ignore: return kIdIgnore;
    case QMessageBox::Yes: return kIdYes;
    case QMessageBox::No: return kIdNo;
    default: return 0;
  }
}

int AnswerWithoutButton(unsigned flags) {
  ButtonSet set = ButtonsOf(flags);
  for (int i = 0; i < set.count; ++i) {
    if (set.buttons[i] == QMessageBox::Cancel) return kIdCancel;
  }
  if (set.count == 1) return kIdOk;
  return DefaultAnswer(flags);
}

QtMessageBoxService::QtMessageBoxService() : runner_(RunBoxModally) {}

void QtMessageBoxService::SetParent(QWidget* parent) { parent_ = parent; }

void QtMessageBoxService::SetBoxRunner(BoxRunner runner) {
  runner_ = runner ? std::move(runner) : BoxRunner(RunBoxModally);
}

int QtMessageBoxService::Show(std::u16string_view text, std::u16string_view caption,
                              unsigned flags) {
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
    ConsoleMessageBoxService console;
    return console.Show(text, caption, flags);
  }
  // The default button answers a box that never came up because the
  // application object went away first.
  int answer = DefaultAnswer(flags);
  RunOnUiThread([&] { answer = ShowOnUiThread(text, caption, flags); });
  return answer;
}

int QtMessageBoxService::ShowOnUiThread(std::u16string_view text,
                                        std::u16string_view caption, unsigned flags) {
  std::unique_ptr<QMessageBox> box = CreateMessageBox(text, caption, flags, parent_.data());
  int button = 0;
  {
    ArrowCursorWhileWaiting arrow;
    button = runner_(*box);
  }
  int answer = AnswerOfButton(static_cast<QMessageBox::StandardButton>(button));
  // A button outside the box's own set counts as no button.
  ButtonSet set = ButtonsOf(flags);
  bool ours = false;
  for (int i = 0; i < set.count; ++i) ours = ours || set.buttons[i] == button;
  return ours && answer != 0 ? answer : AnswerWithoutButton(flags);
}

}  // namespace platform
