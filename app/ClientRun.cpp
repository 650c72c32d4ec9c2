#include "app/ClientRun.h"

#include <QApplication>

#include "app/ViewPages.h"
#include "platform/MessageBox.h"
#include "platform/QtDispatcher.h"
#include "platform/QtMessageBox.h"
#include "server/ServerLink.h"
#include "shell/AppWindowHooks.h"
#include "shell/BrantleClientApp.h"

int RunClient(int argc, char** argv, const std::function<void(CBrantleClientApp&)>& adjust) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Brantle"));
  platform::QtMessageBoxService boxes;
  platform::ScopedMessageBoxService boxScope(&boxes);
  // The link's messages are shown on the UI thread; a worker only queues them.
  SetServerLinkUiDispatcher(platform::RunOrPostToUiThread);
  InstallWindowHooks(theApp, &boxes);
  theApp.pageFactory = CreateViewPage;
  if (adjust) adjust(theApp);

  int code = 0;
  if (theApp.InitInstance(argc, argv)) code = application.exec();
  int exitCode = theApp.ExitInstance();
  delete theApp.mainWindow;
  theApp.mainWindow = nullptr;
  SetServerLinkUiDispatcher(nullptr);
  return code != 0 ? code : exitCode;
}
