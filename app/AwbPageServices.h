#pragma once
// Page 12 over the application object: its airline table, and the master
// air waybill form's supplier chooser and attachment dialog.

class CAwbLoadingPage;

// Sets the page's hooks; they do nothing when the view's host has no
// application.
void WireAwbLoadingPage(CAwbLoadingPage& page);

class CAwbEditorDlg;
class CBrantleClientApp;
class CViewHost;

// The form's manifest export over the application: templates, queries and
// the office suite off the window's thread, the questions and messages,
// the desktop opener of the host, the look-ups, the user and dictionary
// entry 45.
void WireManifestExport(CAwbEditorDlg& form, CBrantleClientApp& app, CViewHost* host);
