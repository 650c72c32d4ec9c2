#pragma once
// The message-box service of the windowed program: ShowMessageBox shows a
// QMessageBox on the user-interface thread, whichever thread asks.
//
//   platform::QtMessageBoxService boxes;
//   platform::ScopedMessageBoxService scope(&boxes);   // or SetMessageBoxService

#include <functional>
#include <memory>
#include <string_view>

#include <QMessageBox>
#include <QPointer>
#include <QString>

#include "platform/MessageBox.h"

namespace platform {

// The box for the text, caption and flags (kMbOk..., kMbIcon..., kMbDefButton...):
// its buttons in the order of the flags, the icon, the default button.
// "\r\n" in the text becomes a plain line break.
std::unique_ptr<QMessageBox> CreateMessageBox(std::u16string_view text,
                                              std::u16string_view caption,
                                              unsigned flags, QWidget* parent = nullptr);

// The answer (kIdOk...) for a standard button; 0 for any other.
int AnswerOfButton(QMessageBox::StandardButton button);

// The answer of a box closed without a button (Escape or the close box):
// Cancel when the box has one, OK for a box with only OK, else the default
// button.
int AnswerWithoutButton(unsigned flags);

class QtMessageBoxService : public MessageBoxService {
 public:
  // Runs a prepared box modally and returns the standard button that ended
  // it (QMessageBox::NoButton when it was closed without one).  Always called
  // on the user-interface thread.
  using BoxRunner = std::function<int(QMessageBox& box)>;

  QtMessageBoxService();

  // Shows the box on the user-interface thread and waits for the answer.
  // Without an application object the text goes to standard error and the
  // default button answers; so does the default button when the application
  // object is destroyed before the box could come up.
  int Show(std::u16string_view text, std::u16string_view caption,
           unsigned flags) override;

  // The window the boxes belong to (the main frame once it exists).
  void SetParent(QWidget* parent);

  // Replaces the way a box is run (tests answer without a modal loop).
  void SetBoxRunner(BoxRunner runner);

 private:
  int ShowOnUiThread(std::u16string_view text, std::u16string_view caption,
                     unsigned flags);

  QPointer<QWidget> parent_;
  BoxRunner runner_;
};

}  // namespace platform
