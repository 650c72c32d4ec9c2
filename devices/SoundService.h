#pragma once
// The sounds of the scanning and weighing desks: a weight spoken digit by
// digit, and the result sounds of a scan.
//
// Spoken weights use eleven sounds built into the program (the digits 0 to
// 9 and the decimal point).  Up to five utterances exist at once, one per
// speaker slot; a new weight asks every utterance still running to stop
// after the digit it is playing, so the newest weight is the one heard.
//
// Result sounds are files of the program folder: 0 "ok.wav" (success),
// 1 "fail.wav" (failure), 2 "notify.wav" (a notice); other indexes play
// nothing, and so does a missing file.
//
// Both return at once.  The sounds play one after the other through a
// CSoundOutput, on the user-interface thread's event loop; without an audio
// device nothing is heard and nothing is reported.  The sounds asked for
// are told, in order, to the observer (SetObserver), which is how tests see
// them.

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

// One sound to play: its name ("0".."9", ".", "ok.wav", ...) and where it is
// (a resource path ":/..." or a file path; empty when it could not be loaded).
struct SoundClip {
  std::string name;
  QString source;
};

// Where sounds go.
class CSoundOutput {
 public:
  virtual ~CSoundOutput() = default;
  // Starts playing the clip.  `finished` runs later on this thread, never
  // inside Play: once the clip has played, or at once when it cannot be.
  virtual void Play(const SoundClip& clip, std::function<void()> finished) = 0;
};

// The output of the program: Qt Multimedia on the default audio device.
class CQtSoundOutput : public CSoundOutput {
 public:
  void Play(const SoundClip& clip, std::function<void()> finished) override;
};

// The text a weight is spoken from: kilograms with up to three decimals,
// trailing zeros and a bare point dropped, the sign left out (1250 g
// "1.25", 2000 g "2", 10 g "0.01").
std::string SpokenWeightText(int32_t grams);

class CSoundService {
 public:
  static constexpr int kSlots = 5;
  static constexpr int kSpokenSounds = 11;  // digits 0..9, then the point
  // Slot states.
  static constexpr uint8_t kFree = 0;
  static constexpr uint8_t kSpeaking = 1;
  static constexpr uint8_t kStopAsked = 2;

  CSoundService();
  ~CSoundService();
  CSoundService(const CSoundService&) = delete;
  CSoundService& operator=(const CSoundService&) = delete;

  // Looks up the spoken sounds (a missing one is left silent) and takes the
  // folder (ending in '/') the result sound files are in.
  void LoadSoundResources(const std::string& programFolder);
  bool SpokenSoundLoaded(int index) const;

  // Speaks a weight in grams; weights under 10 g are not spoken.  When all
  // five slots are busy, every utterance is asked to stop and this weight
  // is not spoken either.
  void SpeakWeight(int32_t grams);
  // Plays result sound 0, 1 or 2.
  void PlayResultSound(int index);
  // Plays a generated tone (the scan station's beeps); told to the observer
  // as "tone <hertz> <milliseconds>".
  void PlayTone(int hertz, int milliseconds);

  uint8_t SlotState(int slot) const { return slots_[slot].state; }

  // Replaces the output (tests give one that plays nothing and reports).
  void SetOutput(std::shared_ptr<CSoundOutput> output) { output_ = std::move(output); }
  // Told the name of every sound asked for, in order: each digit or point
  // just before it plays, and each result sound asked for.
  void SetObserver(std::function<void(std::string_view name)> observer) {
    observer_ = std::move(observer);
  }

 private:
  struct Slot {
    uint8_t state = kFree;
    int32_t weight = 0;
    std::string text;
    size_t next = 0;
  };

  void SpeakNext(int slot);
  CSoundOutput& Output();

  std::array<Slot, kSlots> slots_;
  std::array<QString, kSpokenSounds> spoken_;
  std::string folder_;
  std::shared_ptr<CSoundOutput> output_;
  std::function<void(std::string_view)> observer_;
  // Expires with the service: a sound that ends later touches nothing.
  std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);
};
