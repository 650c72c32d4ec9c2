#include "consolidation/BagSealPage.h"

#include "consolidation/BagSealForm.h"

// Open and sealed bags (bag state filter 1).
CBagSealPage::CBagSealPage() : CBagFormPage(11, 1) {}

CBagSealPage::~CBagSealPage() = default;

QWidget* CBagSealPage::MakeForm(CBaggingServices* services, QSize screen) {
  form_ = new CBagSealDlg(services, this, screen);
  return form_;
}

void CBagSealPage::WireForm() {
  form_->pageWindow = this;
  form_->quickList = quickList;
  if (printLabels)
    form_->printLabels = [this](const BagLabelSources& sources, bool bothLabels) {
      return printLabels(host, sources, bothLabels);
    };
}

void CBagSealPage::ResetForm() { form_->ResetForPage(); }

void CBagSealPage::OpenBag(int32_t bagId) { form_->LoadBag(bagId); }

void CBagSealPage::OnSave() {
  if (form_ != nullptr) form_->SealBag();
}

void CBagSealPage::OnNewRecord() {
  if (form_ != nullptr) form_->ClearForm();
}

void CBagSealPage::OnPrintLabel() {
  if (form_ != nullptr) form_->PrintLabels();
}
