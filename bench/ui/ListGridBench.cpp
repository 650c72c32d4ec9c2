// The list grid with 100,000 rows of 8 columns, each beside a plain
// QStandardItemModel doing the same work in the same run; both models are
// shown in a table view (offscreen), as a page shows its list.
//
//   BM_GridFill / BM_StandardFill          row by row, then cell by cell, as
//                                          the pages fill their lists
//   BM_GridAppend                          the same rows in one insertion
//   BM_GridAppendRecords                   the same with record ids through
//                                          the grid, as pages 1 and 13 list
//   BM_GridSortNumber / BM_StandardSortNumber   a numeric column (values
//                                          with many ties), both directions
//   BM_GridSortText / BM_StandardSortText  a text column, both directions
//   BM_GridExportText / BM_StandardExportText   the UTF-16 text export to a
//                                          file
//
// Times are per run over all rows.

#include <stdlib.h>

#include <QApplication>
#include <QFile>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "platform/MessageBox.h"
#include "ui/ListGrid.h"
#include "ui/ListGridExport.h"

namespace {

constexpr int kRows = 100000;
constexpr int kColumns = 8;

// Cell texts: column 0 the row number, 1 a waybill number, 2 a weight with
// many repeated values (right-aligned), 3..7 short texts.
const std::vector<std::vector<QString>>& Data() {
  static const std::vector<std::vector<QString>> data = [] {
    std::mt19937 random(42);
    const QString places[] = {"Shanghai", "东京", "Frankfurt", "los angeles", "香港", "Sydney"};
    std::vector<std::vector<QString>> rows(kRows);
    for (int r = 0; r < kRows; ++r) {
      auto& cells = rows[static_cast<size_t>(r)];
      cells.push_back(QString::number(r + 1));
      cells.push_back(QStringLiteral("BR%1CN").arg(random() % 100000000, 8, 10, QChar('0')));
      cells.push_back(QString::number((random() % 400) / 4.0, 'f', 2));
      for (int c = 3; c < kColumns; ++c) cells.push_back(places[random() % 6]);
    }
    return rows;
  }();
  return data;
}

int Format(int column) { return column == 2 ? kGridAlignRight : kGridAlignLeft; }

QTemporaryDir& Folder() {
  static QTemporaryDir folder;
  return folder;
}

struct Grid {
  Grid() {
    grid.resize(1000, 700);
    for (int c = 0; c < kColumns; ++c) {
      grid.InsertColumn(c, 100, u"column", Format(c));
    }
    grid.EnableRowData(true);
    grid.show();
  }
  void Fill() {
    CListGridModel& model = grid.Model();
    const auto& data = Data();
    for (int r = 0; r < kRows; ++r) {
      const auto& cells = data[static_cast<size_t>(r)];
      int row = model.InsertRow(r, cells[0]);
      for (int c = 1; c < kColumns; ++c) model.SetCellText(row, c, cells[static_cast<size_t>(c)]);
    }
  }
  CListGrid grid;
};

struct Standard {
  Standard() {
    view.resize(1000, 700);
    model.setColumnCount(kColumns);
    view.setModel(&model);
    view.show();
  }
  void Fill() {
    const auto& data = Data();
    for (int r = 0; r < kRows; ++r) {
      const auto& cells = data[static_cast<size_t>(r)];
      QList<QStandardItem*> items;
      items.reserve(kColumns);
      for (int c = 0; c < kColumns; ++c) {
        auto* item = new QStandardItem(cells[static_cast<size_t>(c)]);
        if (c == 2) item->setData(cells[2].toDouble(), Qt::UserRole);
        item->setTextAlignment(Format(c) == kGridAlignRight ? Qt::AlignRight : Qt::AlignLeft);
        items.push_back(item);
      }
      model.appendRow(items);
    }
  }
  QStandardItemModel model;
  QTableView view;
};

void BM_GridFill(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto g = std::make_unique<Grid>();
    state.ResumeTiming();
    g->Fill();
    QCoreApplication::processEvents();
    state.PauseTiming();
    g.reset();
    state.ResumeTiming();
  }
}

void BM_GridAppend(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto g = std::make_unique<Grid>();
    std::vector<std::vector<QString>> rows = Data();
    state.ResumeTiming();
    g->grid.Model().AppendRows(std::move(rows));
    QCoreApplication::processEvents();
    state.PauseTiming();
    g.reset();
    state.ResumeTiming();
  }
}

// The same rows with their record ids through the grid, as pages 1 and 13
// list a reply: one insertion, the texts taken over, the view laid out once.
void BM_GridAppendRecords(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto g = std::make_unique<Grid>();
    std::vector<GridNewRow> rows(Data().size());
    for (size_t r = 0; r < rows.size(); ++r) {
      rows[r].cells = Data()[r];
      rows[r].id = static_cast<int32_t>(r + 1);
    }
    state.ResumeTiming();
    g->grid.AppendRows(std::move(rows));
    QCoreApplication::processEvents();
    state.PauseTiming();
    g.reset();
    state.ResumeTiming();
  }
}

void BM_StandardFill(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto s = std::make_unique<Standard>();
    state.ResumeTiming();
    s->Fill();
    QCoreApplication::processEvents();
    state.PauseTiming();
    s.reset();
    state.ResumeTiming();
  }
}

void GridSort(benchmark::State& state, int column) {
  Grid g;
  g.Fill();
  for (auto _ : state) {
    g.grid.SortByColumn(column, false);  // alternates the direction
    QCoreApplication::processEvents();
  }
}

void StandardSort(benchmark::State& state, int column, int role) {
  // Once its rows have moved, a QStandardItemModel takes minutes to delete
  // 800,000 items (each item finds its own row by a linear search); the
  // sorted model is left to the end of the process.
  auto* s = new Standard;
  s->Fill();
  s->model.setSortRole(role);
  bool ascending = true;
  for (auto _ : state) {
    s->model.sort(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    ascending = !ascending;
    QCoreApplication::processEvents();
  }
  s->view.hide();
}

void BM_GridSortNumber(benchmark::State& state) { GridSort(state, 2); }
void BM_GridSortText(benchmark::State& state) { GridSort(state, 4); }
void BM_StandardSortNumber(benchmark::State& state) { StandardSort(state, 2, Qt::UserRole); }
void BM_StandardSortText(benchmark::State& state) { StandardSort(state, 4, Qt::DisplayRole); }

void BM_GridExportText(benchmark::State& state) {
  Grid g;
  g.Fill();
  const std::u16string path = (Folder().path() + "/grid.txt").toStdU16String();
  for (auto _ : state) {
    if (!WriteGridTextFile(g.grid.Model(), path, u"title", u"subtitle")) {
      state.SkipWithError("export failed");
      break;
    }
  }
}

// The plain model written the same way: UTF-16LE with tabs and line ends.
void BM_StandardExportText(benchmark::State& state) {
  Standard s;
  s.Fill();
  const QString path = Folder().path() + "/standard.txt";
  for (auto _ : state) {
    QString text = QStringLiteral("\uFEFFtitle\r\nsubtitle\r\n\r\n");
    for (int c = 0; c < kColumns; ++c) text += QStringLiteral("column\t");
    text += QStringLiteral("\r\n");
    for (int r = 0; r < kRows; ++r) {
      for (int c = 0; c < kColumns; ++c) {
        QString cell = s.model.item(r, c)->text();
        cell.replace(u'\t', u' ').replace(u'\r', u' ').replace(u'\n', u' ');
        text += cell;
        text += u'\t';
      }
      text += QStringLiteral("\r\n");
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
      state.SkipWithError("export failed");
      break;
    }
    file.write(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
  }
}

// The export's "saved" box answers at once.
class SilentBoxes : public platform::MessageBoxService {
 public:
  int Show(std::u16string_view, std::u16string_view, unsigned flags) override {
    return platform::DefaultAnswer(flags);
  }
};

}  // namespace

BENCHMARK(BM_GridFill)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GridAppend)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GridAppendRecords)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StandardFill)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GridSortNumber)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StandardSortNumber)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GridSortText)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StandardSortText)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GridExportText)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StandardExportText)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QTemporaryDir home;
  setenv("HOME", home.path().toLocal8Bit().constData(), 1);
  setenv("XDG_RUNTIME_DIR", home.path().toLocal8Bit().constData(), 1);
  QApplication app(argc, argv);
  SilentBoxes boxes;
  platform::ScopedMessageBoxService scope(&boxes);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
