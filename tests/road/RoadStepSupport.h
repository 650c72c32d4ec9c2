#pragma once
// Small helpers of the later road steps (6 to 9): text conversions, the
// operator's typing, modal dialogs answered once they are up, the frame's
// keys and the files of the PDF queue.

#include <QApplication>
#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QLineEdit>
#include <QListWidget>
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
#include "tests/road/RoadDepot.h"
#include "ui/ListPickDlg.h"

namespace roadsteps {

inline QString Q(const std::u16string& text) { return QString::fromStdU16String(text); }
inline std::u16string U(const QString& text) { return text.toStdU16String(); }
inline std::string U8(const std::u16string& text) { return Utf8FromWide(text); }

// Makes the window the box belongs to the active one, as the operator's
// click would, so that the box can take the focus.
inline void Activate(QWidget* widget) {
  QWidget* window = widget->window();
  if (QApplication::activeWindow() == window) return;
  window->activateWindow();
  QTest::qWaitForWindowActive(window);
}

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

// The list of common prompts, if it comes up within a moment, answered
// with its first entry.
inline void CloseListPickWithFirst() {
  auto* timer = new QTimer;
  timer->setInterval(10);
  auto* tries = new int(0);
  QObject::connect(timer, &QTimer::timeout, [timer, tries] {
    auto* pick = qobject_cast<CListPickDlg*>(QApplication::activeModalWidget());
    if (pick == nullptr && ++*tries < 100) return;
    timer->stop();
    timer->deleteLater();
    delete tries;
    if (pick == nullptr) return;
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

// The PDF files the queue has written so far, in no order.
inline std::vector<std::filesystem::path> PdfFiles(RoadDepot& depot) {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (auto& e : std::filesystem::directory_iterator(depot.Cups().PdfFolder(), error))
    if (e.path().extension() == ".pdf") files.push_back(e.path());
  return files;
}

// The text of the last message box the road was shown ("" when none).
inline std::u16string LastMessage(RoadDepot& depot) {
  return depot.boxes.empty() ? std::u16string() : depot.boxes.back();
}

// A picture (a rasterised print) shown in a window of its own for the
// step's screenshot.
inline void ShowPicture(RoadDepot& depot, const char* name, const std::filesystem::path& file) {
  QLabel label;
  QPixmap picture(QString::fromStdString(file.string()));
  label.setPixmap(picture.scaled(900, 1200, Qt::KeepAspectRatio, Qt::SmoothTransformation));
  label.setWindowTitle(QString::fromStdString(file.filename().string()));
  label.show();
  QTest::qWaitForWindowExposed(&label);
  depot.Shot(name, &label);
}

inline std::string FileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace roadsteps
