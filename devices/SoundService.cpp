#include "devices/SoundService.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>

#include <cmath>
#include <cstdio>

namespace {

// The longest a sound may take to report its end before it counts as ended.
constexpr int kLongestSoundMilliseconds = 10000;

const char* const kResultSounds[] = {"ok.wav", "fail.wav", "notify.wav"};

void Later(std::function<void()> call) {
  if (QCoreApplication::instance() == nullptr) return;
  QTimer::singleShot(0, QCoreApplication::instance(), std::move(call));
}

}  // namespace

void CQtSoundOutput::Play(const SoundClip& clip, std::function<void()> finished) {
  const QAudioDevice device = QMediaDevices::defaultAudioOutput();
  if (clip.source.isEmpty() || device.isNull()) {
    Later(std::move(finished));
    return;
  }
  auto* effect = new QSoundEffect(device);
  auto started = std::make_shared<bool>(false);
  auto done = std::make_shared<bool>(false);
  auto finish = [effect, done, finished = std::move(finished)] {
    if (*done) return;
    *done = true;
    effect->deleteLater();
    finished();
  };
  QObject::connect(effect, &QSoundEffect::statusChanged, effect, [effect, finish] {
    if (effect->status() == QSoundEffect::Error) finish();
  });
  QObject::connect(effect, &QSoundEffect::playingChanged, effect, [effect, started, finish] {
    if (effect->isPlaying()) {
      *started = true;
    } else if (*started) {
      finish();
    }
  });
  QTimer::singleShot(kLongestSoundMilliseconds, effect, finish);
  effect->setSource(clip.source.startsWith(u':') ? QUrl(QStringLiteral("qrc") + clip.source)
                                                 : QUrl::fromLocalFile(clip.source));
  effect->play();
}

std::string SpokenWeightText(int32_t grams) {
  int64_t g = grams < 0 ? -static_cast<int64_t>(grams) : grams;
  std::string text = std::to_string(g / 1000);
  if (int fraction = static_cast<int>(g % 1000); fraction != 0) {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%03d", fraction);
    std::string decimals(digits);
    while (decimals.back() == '0') decimals.pop_back();
    text += "." + decimals;
  }
  return text;
}

// The spoken sounds live in this library; a program that links it takes
// them in only when they are asked for by name.
static void InitSpokenSounds() { Q_INIT_RESOURCE(spoken); }

CSoundService::CSoundService() = default;
CSoundService::~CSoundService() = default;

void CSoundService::LoadSoundResources(const std::string& programFolder) {
  folder_ = programFolder;
  InitSpokenSounds();
  for (int i = 0; i < kSpokenSounds; ++i) {
    const QString path = i < 10 ? QStringLiteral(":/devices/spoken/%1.wav").arg(i)
                                : QStringLiteral(":/devices/spoken/point.wav");
    QFile file(path);
    spoken_[i] = file.exists() && file.size() > 0 ? path : QString();
  }
}

bool CSoundService::SpokenSoundLoaded(int index) const {
  return index >= 0 && index < kSpokenSounds && !spoken_[index].isEmpty();
}

CSoundOutput& CSoundService::Output() {
  if (!output_) output_ = std::make_shared<CQtSoundOutput>();
  return *output_;
}

void CSoundService::SpeakWeight(int32_t grams) {
  if (grams < 10) return;
  int free = -1;
  for (int i = 0; i < kSlots; ++i) {
    if (slots_[i].state != kFree) {
      slots_[i].state = kStopAsked;
    } else if (free < 0) {
      free = i;
    }
  }
  if (free < 0) return;
  Slot& slot = slots_[free];
  slot.state = kSpeaking;
  slot.weight = grams;
  slot.text = SpokenWeightText(grams);
  slot.next = 0;
  SpeakNext(free);
}

void CSoundService::SpeakNext(int index) {
  Slot& slot = slots_[index];
  if (slot.state == kStopAsked || slot.next >= slot.text.size()) {
    slot.state = kFree;
    return;
  }
  const char c = slot.text[slot.next++];
  const int sound = c == '.' ? 10 : c - '0';
  SoundClip clip{std::string(1, c), spoken_[sound]};
  if (observer_) observer_(clip.name);
  std::weak_ptr<const bool> alive = alive_;
  Output().Play(clip, [this, alive, index] {
    if (alive.lock()) SpeakNext(index);
  });
}

namespace {

// A sine tone as a 16-bit mono WAV file of the temporary folder, written
// once per pitch and length; empty when it cannot be written.
QString ToneFile(int hertz, int milliseconds) {
  const QString path = QDir::temp().filePath(
      QStringLiteral("brantle-tone-%1-%2.wav").arg(hertz).arg(milliseconds));
  if (QFileInfo(path).isFile()) return path;
  constexpr int kRate = 8000;
  const uint32_t samples = static_cast<uint32_t>(kRate) * static_cast<uint32_t>(milliseconds) / 1000;
  QByteArray wav;
  auto put32 = [&wav](uint32_t v) { for (int i = 0; i < 4; ++i) wav.append(static_cast<char>(v >> (8 * i))); };
  auto put16 = [&wav](uint16_t v) { for (int i = 0; i < 2; ++i) wav.append(static_cast<char>(v >> (8 * i))); };
  wav.append("RIFF");
  put32(36 + samples * 2);
  wav.append("WAVEfmt ");
  put32(16);
  put16(1);
  put16(1);
  put32(kRate);
  put32(kRate * 2);
  put16(2);
  put16(16);
  wav.append("data");
  put32(samples * 2);
  for (uint32_t i = 0; i < samples; ++i) {
    const double v = std::sin(2.0 * 3.141592653589793 * hertz * i / kRate) * 12000.0;
    put16(static_cast<uint16_t>(static_cast<int16_t>(v)));
  }
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(wav) != wav.size() || !file.commit()) return {};
  return path;
}

}  // namespace

void CSoundService::PlayTone(int hertz, int milliseconds) {
  const std::string name = "tone " + std::to_string(hertz) + " " + std::to_string(milliseconds);
  if (observer_) observer_(name);
  if (hertz <= 0 || milliseconds <= 0) return;
  const QString path = ToneFile(hertz, milliseconds);
  if (path.isEmpty()) return;
  Output().Play({name, path}, [] {});
}

void CSoundService::PlayResultSound(int index) {
  if (index < 0 || index >= static_cast<int>(std::size(kResultSounds))) return;
  const std::string name = kResultSounds[index];
  if (observer_) observer_(name);
  const QString path = QString::fromStdString(folder_ + name);
  if (!QFileInfo(path).isFile()) return;
  Output().Play({name, path}, [] {});
}
