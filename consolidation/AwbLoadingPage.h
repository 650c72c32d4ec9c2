#pragma once
// CAwbLoadingPage: page 12 of the main view, the page that loads bags onto
// master air waybills: the quick-search list of master air waybills on the
// left (the entry panel) and the master air waybill form beside it (the
// page's replacement child).  The page only hands its commands to the form
// and the list.

#include <functional>
#include <memory>

#include "ui/QuickSearchList.h"
#include "ui/ViewPage.h"

class CAirlineTable;
class CAwbEditorDlg;
class CServerLink;

class CAwbLoadingPage : public CViewPage {
 public:
  CAwbLoadingPage();
  ~CAwbLoadingPage() override;

  void OnPageCreated() override;
  void OnQuery() override;
  void OnDelete() override;
  void OnSave() override;
  void OnNewRecord() override;
  qintptr OnQuickListOpen(quintptr wParam, qintptr lParam) override;

  // The record list on the left (the entry panel).
  CQuickSearchList* quickList = nullptr;
  // The form (null without a server link).
  CAwbEditorDlg* form = nullptr;

  // What the program adds over its application object (app/AwbPageServices.h),
  // set before the page is created: the application's airline table (null:
  // the page loads its own over the link), and the form's supplier chooser
  // and attachment dialog.
  std::function<CAirlineTable*(CViewHost*)> applicationAirlines;
  std::function<void(CAwbEditorDlg&, CViewHost*)> wireForm;

 private:
  CServerLink* Link() const;

  // The airline table of the application, or the page's own over the link
  // when the view runs without one.
  std::unique_ptr<CAirlineTable> ownAirlines_;
};
