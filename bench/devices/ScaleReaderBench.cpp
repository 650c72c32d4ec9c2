// Readings per second that the scale reader takes from a serial line (a
// pseudo-terminal whose far end plays the scale), one reading's bytes at a
// time as a scale sends them: the line's watch, the posted message to the
// weighing window and the frame rule.  Beside it, a plain blocking read()
// of the same bytes from the same kind of line, the floor of any reader.
//   Kind 0 (reversed kilograms framed by '=', 15 bytes a reading) is the
//   busiest rule; kind 2 (packed decimal, 12 bytes) the busiest line.
// Target: the reader within a factor of 3 of the plain read.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QObject>

#include <memory>
#include <string>

#include "bench/BenchMain.h"
#include "devices/PortMessages.h"
#include "devices/ScalePort.h"
#include "devices/ScaleReader.h"
#include "platform/QtMessages.h"
#include "tests/devices/ScaleLine.h"

namespace {

// One reading's bytes of the kind, and its frame length.
std::string Reading(int kind, uint8_t& frameLength) {
  if (kind == 2) {
    frameLength = 18;
    return std::string("\xFF\x03\x45\x23\x01\x00\xFF\x03\x45\x23\x01\x00", 12);
  }
  frameLength = 8;
  return "=5.2100=5.2100=";
}

class CountingWindow : public QObject {
 public:
  explicit CountingWindow(CScaleReader& reader) : reader_(reader) {}
  long readings = 0;
  long bad = 0;

 protected:
  bool event(QEvent* e) override {
    if (auto* m = platform::AsPrivateMessage(e); m && m->Message() == devices::WM_PORT_RECEIVED) {
      int grams = reader_.ReadWeight();
      if (grams >= 0) ++readings;
      if (grams < -1) ++bad;
      return true;
    }
    return QObject::event(e);
  }

 private:
  CScaleReader& reader_;
};

void BM_ScaleReader(benchmark::State& state) {
  const int kind = static_cast<int>(state.range(0));
  uint8_t frameLength = 0;
  const std::string bytes = Reading(kind, frameLength);
  testsupport::ScaleLine line;
  CScalePort port;
  CScaleReader reader;
  CountingWindow window(reader);
  reader.LoadSettings("/nonexistent-folder/", port);
  reader.settings.useFlag = 1;
  reader.settings.kind = static_cast<uint8_t>(kind);
  reader.settings.frameLength = frameLength;
  reader.settings.SetDevicePath(line.DevicePath());
  reader.BuildLineSettings();
  if (!line.Ready() || reader.Open(&window) != 1) {
    state.SkipWithError("no pseudo-terminal");
    return;
  }
  for (auto _ : state) {
    const long before = window.readings;
    line.Send(bytes);
    while (window.readings == before && window.bad == 0)
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  if (window.bad != 0) state.SkipWithError("a reading failed");
  reader.Close();
  state.counters["readings/s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                    benchmark::Counter::kIsRate);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ScaleReader)->Arg(0)->Arg(2)->UseRealTime();

void BM_PlainRead(benchmark::State& state) {
  uint8_t frameLength = 0;
  const std::string bytes = Reading(static_cast<int>(state.range(0)), frameLength);
  testsupport::ScaleLine line;
  if (!line.Ready()) {
    state.SkipWithError("no pseudo-terminal");
    return;
  }
  char buffer[64];
  for (auto _ : state) {
    line.Send(bytes);
    size_t got = 0;
    while (got < bytes.size()) {
      ssize_t n = ::read(line.SlaveFd(), buffer, sizeof buffer);
      if (n <= 0) {
        state.SkipWithError("read failed");
        return;
      }
      got += static_cast<size_t>(n);
    }
  }
  state.counters["readings/s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                    benchmark::Counter::kIsRate);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_PlainRead)->Arg(0)->Arg(2)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  return benchsupport::RunBenchmarks(argc, argv, "devices_bench", [] { return true; }, [] {});
}
