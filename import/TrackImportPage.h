#pragma once
// CTrackImportPage: page 7 of the main view, the tracking-event import:
// the settings panel CTrackImportDlg at the left, the events the server
// stored in the list beside it (see import/BatchImportPage.h).

#include "import/BatchImportPage.h"
#include "import/ImportPanel.h"
