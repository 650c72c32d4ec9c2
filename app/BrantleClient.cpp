// brantle: the depot client.  Options: --program-folder <dir> names the
// folder that holds ZizTolvane.ini and the local data (default: the
// BRANTLE_PROGRAM_FOLDER environment variable, else the program's folder).

#include <QApplication>

#include "app/ViewPages.h"
#include "platform/MessageBox.h"
#include "platform/QtMessageBox.h"
#include "server/ServerLink.h"
#include "platform/QtDispatcher.h"
#include "shell/AppWindowHooks.h"
#include "shell/BrantleClientApp.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Brantle"));
  platform::QtMessageBoxService boxes;
  platform::ScopedMessageBoxService boxScope(&boxes);
  // The link's messages are shown on the UI thread; a worker only queues them.
  SetServerLinkUiDispatcher(platform::RunOrPostToUiThread);
  InstallWindowHooks(theApp, &boxes);
  theApp.pageFactory = CreateViewPage;

  int code = 0;
  if (theApp.InitInstance(argc, argv)) code = application.exec();
  int exitCode = theApp.ExitInstance();
  delete theApp.mainWindow;
  theApp.mainWindow = nullptr;
  SetServerLinkUiDispatcher(nullptr);
  return code != 0 ? code : exitCode;
}
