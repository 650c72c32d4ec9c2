#pragma once
// CBagFormPage: what the bagging page (10) and the bag seal page (11) share:
// the bag list (the quick-search pane in its bag mode) on the left, the
// page's bag form beside it, the form's services made over the view's host,
// the query command reloading the list and a list row opening its bag.
// Each page makes, wires and resets its own form.

#include <QSize>

#include <cstdint>
#include <functional>
#include <memory>

#include "consolidation/BaggingServices.h"
#include "ui/QuickSearchList.h"
#include "ui/ViewPage.h"

class QWidget;

class CBagFormPage : public CViewPage {
 public:
  ~CBagFormPage() override;

  void OnPageCreated() override;
  void OnQuery() override;
  qintptr OnQuickListOpen(quintptr wParam, qintptr lParam) override;

  // Makes the form's services over the view's host (the program gives
  // app/BaggingServices.h); without it the form runs without a server.
  std::function<std::unique_ptr<CBaggingServices>(CViewHost*)> makeServices;

  // The record list on the left (the entry panel).
  CQuickSearchList* quickList = nullptr;

 protected:
  // `pageIndex` picks the page title; a nonzero `bagStateFilter` limits
  // the bag list to bags of that state filter.
  CBagFormPage(int pageIndex, int bagStateFilter);

  // The form, made with the services (null without them) for `screen`.
  virtual QWidget* MakeForm(CBaggingServices* services, QSize screen) = 0;
  // Sets the form's page, list and hooks once it is placed.
  virtual void WireForm() = 0;
  // Brings the form to its first state once the page is laid out.
  virtual void ResetForm() = 0;
  // Opens the bag of a list row (id > 0).
  virtual void OpenBag(int32_t bagId) = 0;

 private:
  int pageIndex_;
  int bagStateFilter_;
  std::unique_ptr<CBaggingServices> services_;
  QWidget* form_ = nullptr;
};
