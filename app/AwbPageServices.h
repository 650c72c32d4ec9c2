#pragma once
// Page 12 over the application object: its airline table, and the master
// air waybill form's supplier chooser and attachment dialog.

class CAwbLoadingPage;

// Sets the page's hooks; they do nothing when the view's host has no
// application.
void WireAwbLoadingPage(CAwbLoadingPage& page);
