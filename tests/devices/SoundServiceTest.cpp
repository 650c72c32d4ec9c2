// Spoken weights and result sounds, heard through an output that the test
// finishes by hand, and once through the program's own output (silent here:
// there is no audio device).
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "devices/SoundService.h"
#include "tests/QtTestSupport.h"
#include "tests/TempFolder.h"

namespace {

// Plays nothing; each sound lasts until the test ends it.
class HandOutput : public CSoundOutput {
 public:
  void Play(const SoundClip& clip, std::function<void()> finished) override {
    played.push_back(clip.name);
    sources.push_back(clip.source);
    playing.push_back(std::move(finished));
  }
  // Ends every sound now playing.
  void FinishPlaying() {
    auto ending = std::move(playing);
    playing.clear();
    for (auto& finished : ending) finished();
  }
  void FinishAll() {
    while (!playing.empty()) FinishPlaying();
  }
  std::vector<std::string> played;
  std::vector<QString> sources;
  std::vector<std::function<void()>> playing;
};

using Names = std::vector<std::string>;

class SoundServiceTest : public testsupport::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    sounds_.LoadSoundResources(folder_.string() + "/");
    sounds_.SetOutput(output_);
  }
  Names Spoken(int32_t grams) {
    output_->played.clear();
    sounds_.SpeakWeight(grams);
    output_->FinishAll();
    return output_->played;
  }
  CSoundService sounds_;
  std::shared_ptr<HandOutput> output_ = std::make_shared<HandOutput>();
};

TEST_F(SoundServiceTest, TheDigitsAndThePointAreBuiltIn) {
  for (int i = 0; i < CSoundService::kSpokenSounds; ++i) EXPECT_TRUE(sounds_.SpokenSoundLoaded(i)) << i;
  Spoken(10);
  ASSERT_EQ(4u, output_->sources.size());
  EXPECT_EQ(QStringLiteral(":/devices/spoken/0.wav"), output_->sources[0]);
  EXPECT_EQ(QStringLiteral(":/devices/spoken/point.wav"), output_->sources[1]);
  EXPECT_EQ(QStringLiteral(":/devices/spoken/1.wav"), output_->sources[3]);
}

TEST_F(SoundServiceTest, WeightsAreSpokenInKilograms) {
  EXPECT_EQ(Names{}, Spoken(9));
  EXPECT_EQ(Names{}, Spoken(-1500));
  EXPECT_EQ((Names{"0", ".", "0", "1"}), Spoken(10));
  EXPECT_EQ((Names{"1", "0", "0"}), Spoken(100000));
  EXPECT_EQ((Names{"1", ".", "2", "5"}), Spoken(1250));
  EXPECT_EQ((Names{"2"}), Spoken(2000));
  EXPECT_EQ((Names{"1", "2", ".", "3", "4", "5"}), Spoken(12345));
  EXPECT_EQ("2147483.647", SpokenWeightText(2147483647));
  for (int slot = 0; slot < CSoundService::kSlots; ++slot) EXPECT_EQ(CSoundService::kFree, sounds_.SlotState(slot));
}

// A second weight stops the first after the digit it is playing; the second
// is spoken whole.
TEST_F(SoundServiceTest, TheNewestWeightIsTheOneHeard) {
  sounds_.SpeakWeight(1234);  // "1.234"
  EXPECT_EQ(Names{"1"}, output_->played);
  sounds_.SpeakWeight(5678);  // "5.678"
  EXPECT_EQ((Names{"1", "5"}), output_->played);
  EXPECT_EQ(CSoundService::kStopAsked, sounds_.SlotState(0));
  EXPECT_EQ(CSoundService::kSpeaking, sounds_.SlotState(1));
  output_->FinishAll();
  EXPECT_EQ((Names{"1", "5", ".", "6", "7", "8"}), output_->played);

  // The first slot is free again while the second still speaks: a third
  // weight takes the first slot and stops the second as well.
  output_->played.clear();
  sounds_.SpeakWeight(1234);
  sounds_.SpeakWeight(2500);
  output_->FinishPlaying();
  EXPECT_EQ(CSoundService::kFree, sounds_.SlotState(0));
  sounds_.SpeakWeight(3500);
  EXPECT_EQ(CSoundService::kStopAsked, sounds_.SlotState(1));
  output_->FinishAll();
  EXPECT_EQ((Names{"1", "2", ".", "3", ".", "5"}), output_->played);
}

TEST_F(SoundServiceTest, FiveBusySlotsAreAllStoppedAndTheSixthWeightIsNotSpoken) {
  for (int32_t grams : {1000, 2000, 3000, 4000, 5000}) sounds_.SpeakWeight(grams);
  EXPECT_EQ((Names{"1", "2", "3", "4", "5"}), output_->played);
  sounds_.SpeakWeight(6000);
  EXPECT_EQ(5u, output_->played.size());
  for (int slot = 0; slot < CSoundService::kSlots; ++slot)
    EXPECT_EQ(CSoundService::kStopAsked, sounds_.SlotState(slot)) << slot;
  output_->FinishAll();
  EXPECT_EQ(5u, output_->played.size());
  for (int slot = 0; slot < CSoundService::kSlots; ++slot) EXPECT_EQ(CSoundService::kFree, sounds_.SlotState(slot));
  EXPECT_EQ((Names{"7"}), Spoken(7000));
}

TEST_F(SoundServiceTest, ResultSoundsAreFilesOfTheProgramFolder) {
  const std::filesystem::path shipped = BRANTLE_SOURCE_DIR "/devices/sounds/result";
  std::filesystem::copy_file(shipped / "ok.wav", folder_ / "ok.wav");
  std::filesystem::copy_file(shipped / "notify.wav", folder_ / "notify.wav");
  Names asked;
  sounds_.SetObserver([&](std::string_view name) { asked.emplace_back(name); });
  for (int index : {0, 1, 2, 3, 6, -1}) sounds_.PlayResultSound(index);
  // Asked for in order; "fail.wav" is missing here and plays nothing.
  EXPECT_EQ((Names{"ok.wav", "fail.wav", "notify.wav"}), asked);
  EXPECT_EQ((Names{"ok.wav", "notify.wav"}), output_->played);
  EXPECT_EQ(QString::fromStdString((folder_ / "ok.wav").string()), output_->sources[0]);
}

// The program's own output with no audio device: nothing is heard, the
// sounds still go by in order and every slot comes free.
TEST_F(SoundServiceTest, WithoutAnAudioDeviceNothingIsHeardAndNothingHangs) {
  CSoundService sounds;
  sounds.LoadSoundResources(folder_.string() + "/");
  std::filesystem::copy_file(BRANTLE_SOURCE_DIR "/devices/sounds/result/fail.wav", folder_ / "fail.wav");
  Names asked;
  sounds.SetObserver([&](std::string_view name) { asked.emplace_back(name); });
  sounds.SpeakWeight(1250);
  sounds.PlayResultSound(1);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return sounds.SlotState(0) == CSoundService::kFree; }));
  EXPECT_EQ((Names{"1", "fail.wav", ".", "2", "5"}), asked);
}

}  // namespace
