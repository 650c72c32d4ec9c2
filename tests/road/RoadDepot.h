#pragma once
// The depot the road runs through, started once for the whole program: the
// stand-in server (with the road's samples), a private CUPS scheduler with a
// cups-pdf queue, a scale on a pseudo-terminal, the fake camera, and the
// client itself as the `brantle` program runs it (the application object,
// its start-up with the real login dialog, the main frame, the view and the
// pages as app/ wires them).  Start-up starts the office suite; the
// application's end stops it.  Everything started ends with the depot, and
// dies with the process if it ends otherwise.
//
// The depot also keeps the road's pictures: Shot() saves the next numbered
// screenshot build/screenshots/road/NN-<name>.png of the current step, and
// WriteIndex() the page build/screenshots/road/index.html that shows them
// in order under each step's name.

#include <QString>
#include <Qt>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/road/RoadLedger.h"

class QImage;
class QWidget;
class CBrantleClientApp;
class CMainFrame;
class CBrantleClientView;
class CViewPage;
class StandInServer;
namespace testsupport {
class PrivateCups;
class ScaleLine;
}
namespace cameratest {
class FakeFrameSource;
}
namespace platform {
class RecordingMessageBoxService;
}

class RoadDepot {
 public:
  // The queue every print of the road goes to (the scheduler's default).
  static constexpr const char* kQueue = "RoadPdf";
  // The workstation id the client logs in with.
  static constexpr const char* kWorkstation = "PC-ROAD";

  RoadDepot();
  ~RoadDepot();
  RoadDepot(const RoadDepot&) = delete;
  RoadDepot& operator=(const RoadDepot&) = delete;

  // Starts everything and logs in as admin through the login dialog; an
  // empty text when the main window is up, else what failed.
  std::string Start();
  // Ends the client (as its end of run does), then the rest.
  void Stop();

  // ---- the parts of the depot ----
  CBrantleClientApp& App();
  CMainFrame* MainWindow() const;
  CBrantleClientView* View() const;
  StandInServer& Server();
  testsupport::PrivateCups& Cups();
  std::filesystem::path PdfFolder() const;
  testsupport::ScaleLine& Scale();
  // The camera source of the camera window (null until the window opened).
  cameratest::FakeFrameSource* Camera() const;
  // Moves the open camera window to the main window's lower right corner,
  // out of the way of the pages' lists and forms, as the operator does.
  void MoveCameraAside();
  // The client's program folder (ending in '/').
  const std::string& Program() const;
  RoadLedger& Ledger() { return ledger_; }
  // Every message box shown (answered with their default button unless
  // answers are queued on it).
  platform::RecordingMessageBoxService& Boxes();
  // The names of the sounds played so far, in order (nothing is heard).
  const std::vector<std::string>& Sounds() const { return sounds_; }
  // A folder for files the steps make (workbooks to import ...).
  std::filesystem::path Scratch() const;

  // ---- the print queue ----
  // The PDF files the queue has written so far, in name order.
  std::vector<std::filesystem::path> PdfFiles() const;
  // Waits for the next PDF file the queue writes, one not among `earlier`,
  // whole (it ends in %%EOF); empty (and the failure added) when none comes.
  std::filesystem::path NextPdf(const std::vector<std::filesystem::path>& earlier);
  // The barcodes zxing-cpp reads on the first page of a PDF file rasterised
  // at 200 dpi (Code 128 unless `qrToo`: then QR Codes too), each as its
  // bytes; the page is kept as the step's next screenshot `shot`.
  // The text of a PDF file as pdftotext lays it out, every run of white
  // space made one space (UTF-8).
  static std::string PdfText(const std::filesystem::path& pdf);
  std::vector<std::string> ReadBarcodes(const std::filesystem::path& pdf, const char* shot,
                                        bool qrToo = false);

  // ---- the stand-in's database, read-only: for checks only ----
  // Every row of the query, each column as text (NULL as "").  A query the
  // database refuses fails the current test and gives no rows.
  std::vector<std::vector<std::string>> Query(const std::string& sql);
  // The first column of the first row ("" without one).
  std::string QueryValue(const std::string& sql);

  // ---- the scale ----
  // The scale sends a stable reading of the weight (kilograms, 3 decimals)
  // in its frame ("=<reversed digits>" repeated); false when the line is gone.
  bool SendWeight(double kilograms);

  // ---- driving the window ----
  // Shows a page through its menu command, as an operator would; the page
  // shown, or null when it did not show (the failure is added).
  CViewPage* OpenPage(int page);
  template <class Page>
  Page* OpenPageAs(int page) {
    return dynamic_cast<Page*>(OpenPage(page));
  }
  // Runs a frame command (menu or toolbar action) by its command id.
  void Command(int commandId);
  // The widget the keys go to: the focus, in the active modal dialog or
  // else the window the operator last clicked or typed into; waited for
  // (boundedly) when the platform has not yet handed it back.  Null when
  // it does not come.
  QWidget* Focus() const;
  // Puts the focus on the widget as the operator's click does, and waits
  // until it is there (a failure is added when it does not come).
  void FocusOn(QWidget* widget);
  // Typed into the focused widget; characters beyond ASCII as text events
  // the way an input method delivers them.
  void Keys(const QString& text);
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
  // A click (left button) on the middle of the widget; on a text field it
  // waits until the field has the focus.
  void Click(QWidget* widget);
  void DoubleClick(QWidget* widget);
  // Waits (the events keep coming) until the condition holds; its last
  // value.  The office suite's work (prints, workbooks) gets the longer
  // limit: on a loaded machine the suite can take a while.
  bool Wait(const std::function<bool()>& condition);
  bool WaitForOffice(const std::function<bool()>& condition);
  // The next modal dialogs (a dialog's exec, a message of Qt's own): the
  // handler sees each active modal widget until it returns true.  Arm it
  // before the click that opens the dialog.
  void WhenModal(std::function<bool(QWidget* modal)> handler);

  // ---- the road's record ----
  // A step begins: its number and name as the index shows them.
  void Step(int number, const char* title);
  int CurrentStep() const { return step_; }
  const std::string& StepTitle() const { return stepTitle_; }
  // The next screenshot of the current step: the main window with every
  // window over it (dialogs, the camera window, popups) as one picture.  Its
  // path.
  std::filesystem::path Shot(const char* name);
  // A picture of something other than the window (a printed page) as the
  // step's next screenshot.
  std::filesystem::path ShotImage(const char* name, const QImage& image);
  // Makes the widget's window the active one, as the operator's hand on it
  // does (a dialog shown by exec is active once the platform says so).
  // Waits (boundedly) until the platform has made it so; false if not.
  static bool ActivateWindowOf(QWidget* widget);
  // Notes the step that failed (shown on the index).
  void StepFailed(int number, const std::string& why);
  // Writes build/screenshots/road/index.html.
  void WriteIndex() const;
  static std::filesystem::path ShotFolder();

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
  RoadLedger ledger_;
  std::vector<std::string> sounds_;
  struct ShotEntry {
    int step;
    std::string file;
    std::string name;
    std::vector<std::string> messages;  // the message boxes shown since the shot before
  };
  struct StepEntry {
    int number;
    std::string title;
    std::string failure;
  };
  std::vector<ShotEntry> shots_;
  std::vector<StepEntry> steps_;
  int step_ = 0;
  std::string stepTitle_;
  bool started_ = false;
};
