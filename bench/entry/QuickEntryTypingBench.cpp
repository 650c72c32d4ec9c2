// The customer field of the quick entry form: the time from a key typed
// into it to the client suggestion list searched and the popup updated,
// over 100,000 customers, beside the same key typed into a plain line edit
// in the same run.  The keys type known customer codes letter by letter
// (every prefix length is timed); after a whole code the field is emptied
// with one Backspace per letter, which is timed too (an empty text hides
// the popup).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchMain.h"
#include "common/Json.h"
#include "entry/QuickEntryDlg.h"
#include "platform/MessageBox.h"
#include "refdata/ClientListCache.h"

namespace {

constexpr int kCustomers = 100000;

std::string Code(int i, const char* prefix) {
  char text[32];
  std::snprintf(text, sizeof text, "%s%05d", prefix, (i * 7919) % kCustomers);
  return text;
}

struct Environment {
  CClientListCache clients;
  std::unique_ptr<CQuickEntryDlg> form;
  std::unique_ptr<QLineEdit> plain;
  std::vector<std::string> keys;
};
Environment* env = nullptr;

bool SetUp() {
  env = new Environment;
  std::string list;
  for (int i = 1; i <= kCustomers; ++i) {
    std::string row = "{\"i\":" + std::to_string(i) + ",";
    JsonPutString(row, "a", Code(i, "K"), false);
    JsonPutString(row, "n", "CLIENT " + Code(i, "N"), true);
    list += (i > 1 ? "," : "") + row + "}";
  }
  env->clients.ApplyReply("{\"ReturnValue\":1,\"icIDx\":" + std::to_string(kCustomers) +
                          ",\"dLast\":\"2026-01-01 00:00:00\",\"bEnd\":true,\"iDel\":[],\"List\":[" +
                          list + "]}");
  env->clients.BuildIndexes();
  if (env->clients.Records().size() != static_cast<size_t>(kCustomers)) return false;

  env->form = std::make_unique<CQuickEntryDlg>(nullptr);
  env->form->ClientPopup()->Source().SetSource(&env->clients);
  env->form->show();
  QApplication::setActiveWindow(env->form.get());
  if (!QTest::qWaitForWindowExposed(env->form.get())) return false;
  env->plain = std::make_unique<QLineEdit>();
  env->plain->show();
  if (!QTest::qWaitForWindowExposed(env->plain.get())) return false;
  for (int i : {17, 4242, 77777, 99999}) env->keys.push_back(Code(i, "K"));
  return true;
}

// One key per iteration: the codes letter by letter, then Backspaces.
template <typename Check>
void Typing(benchmark::State& state, QLineEdit* edit, Check check) {
  std::vector<std::pair<int, char>> strokes;  // key, character (0: Backspace)
  for (const std::string& key : env->keys) {
    for (char c : key) strokes.emplace_back(0, c);
    for (size_t n = 0; n < key.size(); ++n) strokes.emplace_back(Qt::Key_Backspace, 0);
  }
  QApplication::setActiveWindow(edit->window());
  edit->setFocus();
  edit->clear();
  size_t k = 0, shown = 0;
  for (auto _ : state) {
    const auto& [key, c] = strokes[k++ % strokes.size()];
    if (key != 0) QTest::keyClick(edit, static_cast<Qt::Key>(key));
    else QTest::keyClick(edit, c);
    shown += check();
  }
  benchmark::DoNotOptimize(shown);
  state.counters["shown"] = benchmark::Counter(static_cast<double>(shown) / std::max<size_t>(k, 1));
  state.SetLabel("per key");
}

void BM_QuickEntryCustomerKey(benchmark::State& state) {
  Typing(state, env->form->CustomerEdit(),
         [] { return env->form->ClientPopup()->isVisible() ? 1 : 0; });
  if (!env->form->CustomerEdit()->hasFocus()) state.SkipWithError("the customer field lost the focus");
}
BENCHMARK(BM_QuickEntryCustomerKey);

void BM_PlainEditKey(benchmark::State& state) {
  Typing(state, env->plain.get(), [] { return env->plain->text().size() > 0 ? 1 : 0; });
}
BENCHMARK(BM_PlainEditKey);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QTemporaryDir home;
  setenv("HOME", home.path().toLocal8Bit().constData(), 1);
  setenv("XDG_RUNTIME_DIR", home.path().toLocal8Bit().constData(), 1);
  QApplication app(argc, argv);
  platform::RecordingMessageBoxService boxes;
  platform::ScopedMessageBoxService scope(&boxes);
  return benchsupport::RunBenchmarks(argc, argv, "quick entry typing bench", SetUp, [] {
    delete env;
    env = nullptr;
  });
}
