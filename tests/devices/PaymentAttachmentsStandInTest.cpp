// The payment form's attachments link (page 9) against the stand-in: with
// a saved payment it opens the attachments dialog of kind 3 for the
// payment's ifid; before a payment is loaded it opens nothing.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <memory>

#include "common/LanguageTable.h"
#include "shipping/PaymentDlg.h"
#include "shipping/PaymentPage.h"
#include "tests/QtTestSupport.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "tests/server/StandInLinkSuite.h"
#include "ui/AttachmentDlg.h"
#include "ui/LinkLabel.h"
#include "ui/ListGrid.h"
#include "ui/ViewHost.h"

namespace {

class TestHost : public CViewHost {
 public:
  QSize ScreenSize() const override { return QSize(1280, 800); }
  CServerLink* ServerLink() override { return link; }
  CServerLink* link = nullptr;
};

class PaymentAttachmentsStandIn : public testsupport::StandInLinkSuite<PaymentAttachmentsStandIn> {
 public:
  static constexpr const char* kRootName = "brantle-payment-attachments";

 protected:
  void SetUp() override {
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "01"));
    ASSERT_NO_FATAL_FAILURE(OpenLink("00", "PC-PATT"));
    ASSERT_GT(link_.Login(u"att73001", u"att123", 0), 0);
    host_.link = &link_;
    page_ = std::make_unique<CPaymentPage>();
    page_->host = &host_;
    page_->index = 9;
    page_->CreatePageWindow(nullptr, QSize(1270, 700));
    page_->OnPageCreated();
    page_->resize(1270, 700);
    page_->show();
    ASSERT_NE(page_->dialog, nullptr);
  }

  // Clicks the link; a dialog that opens is looked at and closed.
  void ClickLink() {
    // The dialog opens after the link's own requests: look for it until it
    // is there, then note what it shows and close it.
    QTimer watcher;
    watcher.setInterval(10);
    QObject::connect(&watcher, &QTimer::timeout, [this, &watcher] {
      if (auto* dialog = qobject_cast<CAttachmentDlg*>(QApplication::activeModalWidget())) {
        seenKind = dialog->Session()->Key().kind;
        seenId = dialog->Session()->Key().id;
        seenRows = dialog->List()->RowCount();
        watcher.stop();
        dialog->reject();
      }
    });
    watcher.start();
    QTest::mouseClick(page_->dialog->attachLink, Qt::LeftButton);
    watcher.stop();
  }

  TestHost host_;
  std::unique_ptr<CPaymentPage> page_;
  int seenKind = -1;
  int32_t seenId = -1;
  int seenRows = -1;
};

TEST_F(PaymentAttachmentsStandIn, LinkOpensTheSavedPaymentsAttachments) {
  ClickLink();
  EXPECT_EQ(seenKind, -1);  // no payment yet: nothing opens

  ASSERT_EQ(page_->dialog->LoadCustomer(3), 1);
  page_->dialog->Form().LoadPayment(73001, false);
  ASSERT_EQ(page_->dialog->Form().ifid, 73001);
  ClickLink();
  EXPECT_EQ(seenKind, 3);
  EXPECT_EQ(seenId, 73001);
  EXPECT_EQ(seenRows, 4);
}

}  // namespace
