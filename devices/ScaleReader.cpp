#include "devices/ScaleReader.h"

#include <QTimer>

#include <vector>

#include "devices/ScalePort.h"

namespace {
// How often an open polled scale is looked at for an overdue answer.
constexpr int kPollCheckMilliseconds = 100;
}  // namespace

CScaleReader::CScaleReader() { decoder_.Configure(settings); }

CScaleReader::~CScaleReader() { Close(); }

int CScaleReader::LoadSettings(const std::string& programFolder, CScalePort& port) {
  port_ = &port;
  const std::u16string kept = lineSettings_;
  int read = ReadScaleSettingsFile(programFolder, settings);
  decoder_.Configure(settings);
  if (!read) {
    lineSettings_ = kept;
    return 0;
  }
  BuildLineSettings();
  return 1;
}

int CScaleReader::SaveSettings(const std::string& programFolder) const {
  return WriteScaleSettingsFile(programFolder, settings);
}

void CScaleReader::BuildLineSettings() {
  if (port_ == nullptr || settings.useFlag == 0) return;
  lineSettings_ = settings.LineSettingsText();
  decoder_.Configure(settings);
}

bool CScaleReader::IsOpen() const { return port_ != nullptr && port_->IsOpen(); }

int CScaleReader::Open(QObject* owner) {
  if (port_ == nullptr || settings.useFlag == 0) return 0;
  Close();
  busy_ = false;
  decoder_.Configure(settings);
  const int32_t index = settings.portIndex;
  if (index < 0 || index > 1023) return 0;
  port_->SetPortNumber(index + 1);
  port_->SetDeviceName(settings.DevicePath());
  if (!port_->Open() || !port_->Setup() || !port_->ApplyLineSettings(lineSettings_)) return 0;
  // The reader takes every byte queued on each message, so the port keeps
  // its full queue (a queue of a few frames would run over whenever the
  // window is busy for a moment).
  port_->SetOwner(owner);
  decoder_.Start(CScaleFrameDecoder::Clock::now());
  if (decoder_.Polled()) {
    SendPoll();
    if (!pollTimer_) {
      pollTimer_ = std::make_unique<QTimer>();
      QObject::connect(pollTimer_.get(), &QTimer::timeout, pollTimer_.get(), [this] { OnPollTimer(); });
    }
    pollTimer_->start(kPollCheckMilliseconds);
  }
  return 1;
}

void CScaleReader::Close() {
  if (pollTimer_) pollTimer_->stop();
  // An open port is closed even when the scale has since been set as not
  // in use: it would stay open with nobody reading it.
  if (port_ == nullptr || !port_->IsOpen()) return;
  port_->Close();
}

// A poll that cannot be sent now is not waited for: the timer asks again.
void CScaleReader::SendPoll() { port_->Write(decoder_.PollCommand()); }

void CScaleReader::OnPollTimer() {
  if (!IsOpen()) {
    pollTimer_->stop();
    return;
  }
  if (decoder_.CheckPoll(CScaleFrameDecoder::Clock::now()).sendPoll) SendPoll();
}

int CScaleReader::ReadWeight() {
  if (busy_ || port_ == nullptr) return CScaleFrameDecoder::kNoReading;
  busy_ = true;
  // Bytes lost to an overrun leave a broken frame: drop the queue.
  if (port_->TakeOverrun()) port_->PurgeInput();
  int result = CScaleFrameDecoder::kNoReading;
  std::vector<uint8_t> bytes(CScaleFrameDecoder::kBufferSize);
  size_t n = 0;
  do {
    n = port_->Read(bytes.data(), decoder_.Room());
    CScaleFrameDecoder::Step step = decoder_.Take(bytes.data(), n, CScaleFrameDecoder::Clock::now());
    // The newest weight wins; without one, the last frame that failed.
    if (step.result >= 0 || (result < 0 && step.result != CScaleFrameDecoder::kNoReading))
      result = step.result;
    if (step.sendPoll && port_->IsOpen()) SendPoll();
    if (step.closePort) {
      Close();
      break;
    }
  } while (n > 0 && port_->Queued() > 0);
  busy_ = false;
  return result;
}
