#pragma once
// Small helpers of the later road steps (6 to 9): text conversions, the
// operator's typing, modal dialogs answered once they are up, the frame's
// keys and the files of the PDF queue.

#include <QApplication>
#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QString>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "common/TextCodec.h"
#include "shell/MainFrame.h"
#include "tests/QtTestSupport.h"
#include "platform/MessageBox.h"
#include "tests/road/RoadDepot.h"
#include "ui/ListPickDlg.h"

namespace roadsteps {

inline QString Q(const std::u16string& text) { return QString::fromStdU16String(text); }
inline std::u16string U(const QString& text) { return text.toStdU16String(); }
inline std::string U8(const std::u16string& text) { return Utf8FromWide(text); }
inline std::u16string W(const std::string& utf8) { return QString::fromStdString(utf8).toStdU16String(); }

// Makes the window the control belongs to the active one, as the
// operator's hand on it does.
inline void Activate(QWidget* widget) { RoadDepot::ActivateWindowOf(widget); }

// A left click on a control, its window made the active one first.
inline void Click(QWidget* widget, QPoint at = QPoint()) {
  Activate(widget);
  QTest::mouseClick(widget, Qt::LeftButton, {}, at);
}

// Types the text into the control with the focus as the operator does
// (characters outside ASCII arrive as text events, as an input method
// sends them); TypeInto replaces a box's text: select all, type over it.
inline void TypeKeys(QWidget* box, const QString& text) {
  for (QChar c : text) {
    if (c.unicode() < 128 && c.unicode() >= 32) {
      QTest::keyClick(box, c.toLatin1());
    } else {
      QTest::sendKeyEvent(QTest::Press, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
      QTest::sendKeyEvent(QTest::Release, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
  }
}

inline void TypeInto(QLineEdit* box, const QString& text) {
  Activate(box);
  box->setFocus();
  box->selectAll();
  QTest::keyClick(box, Qt::Key_Delete);
  TypeKeys(box, text);
}

// Runs `body` on the modal dialog of type T once it is the active modal
// widget; polled by a timer so that the command opening it may first wait
// for the server.  The timer ends with its first answer.
template <typename T>
void WhenModal(std::function<void(T&)> body) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, body] {
    auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    body(*dialog);
  });
  timer->start();
}

// The list of common prompts, whenever it comes up while `owner` is open,
// answered with its first entry; the watch ends with `owner`.
inline void AnswerPromptsWithFirst(QWidget* owner) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QPointer<QWidget> watched(owner);
  QObject::connect(timer, &QTimer::timeout, [timer, watched] {
    if (watched.isNull() || !watched->isVisible()) {
      timer->stop();
      timer->deleteLater();
      return;
    }
    auto* pick = qobject_cast<CListPickDlg*>(QApplication::activeModalWidget());
    if (pick == nullptr || !pick->isVisible()) return;
    if (pick->ListBox()->count() > 0) pick->ListBox()->setCurrentRow(0);
    QTest::mouseClick(pick->OkButton(), Qt::LeftButton);
  });
  timer->start();
}

// A key of the main frame (F4 query, Ctrl+S save, ...) pressed in the main
// window as the operator presses it, once the frame shows the command
// enabled (it follows the page's state a moment later).
inline void PressFrameKey(RoadDepot& depot, int command, Qt::Key key,
                          Qt::KeyboardModifiers modifiers = {}) {
  CMainFrame* frame = depot.MainWindow();
  Activate(frame);
  QAction* action = frame->CommandAction(command);
  EXPECT_TRUE(testsupport::WaitUntil([&] { return action != nullptr && action->isEnabled(); }))
      << "command " << command << " stays disabled";
  QWidget* target = QApplication::focusWidget();
  if (target == nullptr || target->window() != frame) target = frame;
  QTest::keyClick(target, key, modifiers);
}

// The text of the last message box the road was shown ("" when none).
inline std::u16string LastMessage(RoadDepot& depot) { return depot.Boxes().LastText(); }

inline std::string FileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace roadsteps
