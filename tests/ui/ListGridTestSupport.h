#pragma once
// Helpers of the list grid tests: a window that records the private
// messages it receives, the grid's language texts, and small fills.

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QWidget>

#include <fstream>
#include <string>
#include <vector>

#include "common/LanguageTable.h"
#include "platform/QtMessages.h"
#include "ui/ListGridModel.h"

namespace gridtest {

struct Received {
  int message;
  quintptr wParam;
  qintptr lParam;
};

// A window that keeps every private message; `onMessage` runs as each
// arrives (to look at the grid's state at that moment).
class MessageSink : public QWidget {
 public:
  std::vector<Received> received;
  std::function<void(const Received&)> onMessage;

  int Count(int message) const {
    int n = 0;
    for (const Received& r : received) n += r.message == message;
    return n;
  }

 protected:
  bool event(QEvent* e) override {
    if (auto* m = platform::AsPrivateMessage(e)) {
      Received r{m->Message(), m->WParam(), m->LParam()};
      received.push_back(r);
      if (onMessage) onMessage(r);
      return true;
    }
    return QWidget::event(e);
  }
};

inline void DrainEvents() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

inline std::u16string U16(const QString& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                        static_cast<size_t>(text.size()));
}

// Loads the grid's language texts from localserver/lang/grid.txt through a
// language file in a temporary folder: the Chinese texts for language "00",
// the English ones for any other code.
inline void LoadGridLanguage(const std::string& code = "01") {
  QTemporaryDir folder;
  std::ifstream in(std::string(BRANTLE_SOURCE_DIR) + "/localserver/lang/grid.txt");
  QString text = QStringLiteral("\uFEFF  ");
  std::string line;
  while (std::getline(in, line)) {
    QStringList parts = QString::fromUtf8(line).split(u'\t');
    if (parts.size() < 3) continue;
    text += QStringLiteral("<D> ") + parts[0] + u',' + parts[1] + QStringLiteral("[*==*]") +
            parts[2] + QStringLiteral("</D>\r\n");
  }
  std::string bytes;
  for (QChar c : text) {
    bytes.push_back(static_cast<char>(c.unicode() & 0xFF));
    bytes.push_back(static_cast<char>(c.unicode() >> 8));
  }
  std::string dir = folder.path().toStdString() + "/";
  std::ofstream(dir + "TolvaneLan_" + code + ".txt", std::ios::binary) << bytes;
  AppLanguage().Load(dir, code);
}

// Rows of cell texts into a model with that many columns (all left-aligned
// unless `formats` says otherwise).
inline void Fill(CListGridModel& model, const std::vector<std::vector<QString>>& rows,
                 const std::vector<int>& formats = {}) {
  size_t columns = rows.empty() ? formats.size() : rows[0].size();
  for (size_t c = static_cast<size_t>(model.ColumnCount()); c < columns; ++c) {
    model.InsertColumn(static_cast<int>(c), u"C" + std::u16string(1, char16_t(u'0' + c)), 80,
                       c < formats.size() ? formats[c] : kGridAlignLeft);
  }
  for (const auto& cells : rows) {
    int r = model.InsertRow(model.RowCount(), cells.empty() ? QString() : cells[0]);
    for (size_t c = 1; c < cells.size(); ++c) model.SetCellText(r, static_cast<int>(c), cells[c]);
  }
}

// Column `column` of every row.
inline std::vector<QString> ColumnTexts(const CListGridModel& model, int column) {
  std::vector<QString> out;
  for (int r = 0; r < model.RowCount(); ++r) out.push_back(model.CellText(r, column));
  return out;
}

}  // namespace gridtest
