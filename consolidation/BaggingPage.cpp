#include "consolidation/BaggingPage.h"

#include "consolidation/BaggingForm.h"

CBaggingPage::CBaggingPage() : CBagFormPage(10, 0) {}

CBaggingPage::~CBaggingPage() = default;

QWidget* CBaggingPage::MakeForm(CBaggingServices* services, QSize screen) {
  form_ = new CBaggingDlg(services, this, screen);
  return form_;
}

void CBaggingPage::WireForm() {
  form_->pageWindow = this;
  form_->quickList = quickList;
  if (wireForm) wireForm(host, *form_);
}

void CBaggingPage::ResetForm() { form_->InitForm(); }

void CBaggingPage::OpenBag(int32_t bagId) { form_->LoadBag(bagId); }

void CBaggingPage::OnNewRecord() {
  if (form_ != nullptr) form_->ClearForm();
}

void CBaggingPage::OnSave() {
  if (form_ != nullptr) form_->SaveBag();
}

void CBaggingPage::OnDelete() {
  if (form_ != nullptr) form_->DeleteBag();
}

void CBaggingPage::OnPrintLabel() {
  if (form_ != nullptr) form_->PrintBagLabels();
}
