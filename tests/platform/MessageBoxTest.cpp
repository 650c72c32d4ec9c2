#include "platform/MessageBox.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(MessageBox, DefaultAnswers) {
  EXPECT_EQ(DefaultAnswer(kMbOk), kIdOk);
  EXPECT_EQ(DefaultAnswer(kMbYesNo), kIdYes);
  EXPECT_EQ(DefaultAnswer(kMbYesNo | kMbDefButton2), kIdNo);
  EXPECT_EQ(DefaultAnswer(kMbYesNoCancel | kMbDefButton3), kIdCancel);
  EXPECT_EQ(DefaultAnswer(kMbOkCancel | kMbIconQuestion | kMbDefButton2), kIdCancel);
}

TEST(MessageBox, RecordingServiceRecordsAndAnswers) {
  RecordingMessageBoxService recorder;
  {
    ScopedMessageBoxService scope(&recorder);
    recorder.QueueAnswer(kIdNo);
    EXPECT_EQ(ShowMessageBox(u"first", u"cap", kMbYesNo), kIdNo);
    EXPECT_EQ(ShowMessageBox(u"second", u"", kMbYesNo), kIdYes);
  }
  ASSERT_EQ(recorder.Count(), 2u);
  EXPECT_EQ(recorder.Messages()[0].caption, u"cap");
  EXPECT_EQ(recorder.LastText(), u"second");
  // Outside the scope the console service answers again.
  EXPECT_EQ(&CurrentMessageBoxService() == &recorder, false);
}
