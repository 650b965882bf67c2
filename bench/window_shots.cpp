// Pictures and timings of the windows for a person to look at: each window in a typical
// state as a PNG, the graph window also printed to PDF, and how long plotting and
// redrawing eight channels of a million samples take. Not a test: nothing is checked.
//
//   window_shots FOLDER     (scripts/shots runs it on the offscreen platform)
#include <qcustomplot.h>
#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/cp1250.h"
#include "app/date_time.h"
#include "app/encodings.h"
#include "config/form_format.h"
#include "data/graph_settings_file.h"
#include "data/log_copy.h"
#include "data/log_scan.h"
#include "data/log_writer.h"
#include "data/measurement_merge.h"
#include "export/form_export_filter.h"
#include "graph/form_graph.h"
#include "graph/form_scales.h"
#include "graph/form_series_style.h"
#include "graph/form_sheet.h"
#include "instruments/form_instruments.h"
#include "instruments/form_velic.h"
#include "shell/form_app.h"
#include "shell/form_setup.h"
#include "shell/form_windows.h"
#include "shot_session.h"
#include "sim/demo_card.h"
#include "support/card_builder.h"
#include "support/qt/fake_window_dialogs.h"
#include "support/quantity_text.h"
#include "support/temp_dir.h"
#include "widgets/form_drive_chooser.h"

namespace korvan {
namespace {

using testing::CardBuilder;
using testing::CardLine;
using testing::FloatBits;
using testing::MakeStamp;
using testing::TempDir;
using testing::WriteBytes;

constexpr double kSecond = 1.0 / kSecondsPerDay;

CardLine Line(const char* name, const char* label) {
  CardLine line;
  line.name = name;
  line.label = label;
  return line;
}

class Shots {
 public:
  explicit Shots(QString folder) : folder_(std::move(folder)) {}

  void Save(QWidget* window, const char* name) {
    QApplication::processEvents();
    const QString path = folder_ + "/" + name;
    if (!window->grab().save(path)) Fail("cannot write " + path);
    Say(path);
  }
  QString Path(const char* name) const { return folder_ + "/" + name; }
  void Say(const QString& line) {
    std::fputs((line + "\n").toUtf8().constData(), stdout);
    std::fflush(stdout);
  }
  void Timing(const QString& line) {
    Say(line);
    timings_ << line;
  }
  void Fail(const QString& why) {
    Say("window_shots: " + why);
    failed_ = true;
  }
  // The timing figures beside the pictures.
  bool Finish() {
    QFile file(Path("timings.txt"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
      Fail("cannot write " + file.fileName());
    } else {
      file.write((timings_.join("\n") + "\n").toUtf8());
      Say(file.fileName());
    }
    return !failed_;
  }

 private:
  QString folder_;
  QStringList timings_;
  bool failed_ = false;
};

void FormatWindow(Shots& shots) {
  Session s;
  auto quantity = [&](const char* name, const std::vector<std::string>& rows) {
    std::string text = "Registr;Adresa;Popis;Typ čísla;Násobitel;Minimum;Maximum;Ofset\r\n";
    for (const std::string& row : rows) text += row + "\r\n";
    WriteBytes(s.QuantityFile(name), Utf8ToCp1250(text));
  };
  quantity("elektro.csv",
           {"R;0010h;Napětí;F4;0,1;0;400;", "R;0012h;Proud;F4;0,01;0;100;", "H;20;Výkon;S2;1;;;5"});
  TFormFormat* form = s.app().Format();
  s.app().Instruments()->SetList(InstrumentList{{{"01h", "Elektroměr", "elektro.csv"}}});
  form->RebuildInstrumentChoice();
  form->EditNazev->setText("Kotelna – zima 2024");
  for (int i = 0; i < 3; ++i) {
    form->ComboBoxInterval->setCurrentIndex(i);
    form->ButtonAddClick();
  }
  form->show();
  shots.Save(form, "format.png");
}

void InstrumentWindows(Shots& shots) {
  Session s;
  TFormInstruments* instruments = s.app().Instruments();
  for (const char* name : {"k.csv", "kotel.csv"}) {
    WriteBytes(s.QuantityFile(name), "Registr\r\nH;1;Teplota\r\n");
  }
  instruments->EditFile->setText("k.csv");
  instruments->show();
  shots.Save(instruments, "instruments_empty.png");
  instruments->SetList({{{"01h", "Elektroměr hlavní rozvaděč", "elektromer_em24.csv"},
                         {"02h", "Kotel K1 – teploty", "kotel.csv"},
                         {"0Ah", "Čerpadlo oběhové", "Grundfos\\magna3.csv"},
                         {"1Fh", "Frekvenční měnič ventilátoru", "..\\sdilene\\menic.csv"},
                         {"200", "Průtokoměr", "/media/usb/mapy/prutokomer.csv"}}});
  instruments->EditAdresa->setText("20h");
  instruments->EditPopis->setText("Přístr.6");
  instruments->SelectRow(3);
  instruments->show();
  shots.Save(instruments, "instruments.png");
  instruments->hide();
}

void QuantityWindow(Shots& shots) {
  Session s;
  WriteBytes(s.QuantityFile("em24.csv"), testing::kMeterMap);
  TFormVelic* velic = s.app().Velic();
  velic->LoadQuantityFile("em24.csv");
  velic->show();
  velic->StringGridVelic->setCurrentIndex(velic->StringGridVelic->model()->index(6, 3));
  shots.Save(velic, "velic.png");
  velic->hide();
}

void GraphDialogs(Shots& shots) {
  Session s;
  TFormScales* scales = s.app().Scales();
  scales->adjustSize();
  shots.Save(scales, "scales.png");
  TFormSeriesStyle* style = s.app().SeriesStyle();
  style->SetStyle({0, 255, 0, 0, 0, 0});
  style->adjustSize();
  shots.Save(style, "series_style.png");
}

// A week of four channels on two axes, its last minute sampled twenty times a second.
CardBuilder BoilerRoomWeek() {
  CardBuilder card;
  card.job_name = "Kotelna - týden";
  card.lines = {Line("Teploměr", "Voda výstup"), Line("Teploměr", "Voda vstup"),
                Line("Tlakoměr", "Tlak okruhu"), Line("Elektroměr", "Příkon")};
  for (int i = 0; i < 7 * 24 * 60; ++i) {
    const int day = 6 + i / 1440;
    const double h = i / 60.0;
    const float out = static_cast<float>(60 + 12 * std::sin(h / 24 * 2 * M_PI) + (i % 7) * 0.2);
    const float in = out - 15 - static_cast<float>(3 * std::cos(h / 5));
    const float p = static_cast<float>(1.8 + 0.3 * std::sin(h / 9) + (i % 3) * 0.01);
    const float w = static_cast<float>(i % 120 < 40 ? 12 + (i % 11) : 2);
    card.Block(MakeStamp(2024, 5, day, i / 60 % 24, i % 60, 0),
               {{0, FloatBits(out)}, {1, FloatBits(in)}, {2, FloatBits(p)}, {3, FloatBits(w)}});
  }
  for (int k = 0; k < 20 * 60; ++k) {
    const float v = static_cast<float>(50 + 5 * std::sin(k / 7.0));
    card.Block(
        MakeStamp(2024, 5, 13, 0, 0, k / 20),
        {{0, FloatBits(v)}, {1, FloatBits(v - 10)}, {2, FloatBits(1.9f)}, {3, FloatBits(v / 5)}},
        static_cast<uint16_t>(k % 20 * 50));
  }
  return card;
}

void Pick(TFormGraph& g, int channel, int item) {
  g.ComboBoxes[channel]->setCurrentIndex(item);
  g.ComboBoxChange(channel);
}

void GraphWeek(Shots& shots) {
  Session s;
  TFormGraph& g = s.OpenGraph(BoilerRoomWeek());
  g.resize(1300, 820);
  for (int n = 0; n < 4; ++n) Pick(g, n, n + 1);
  for (int n : {2, 3}) {
    g.RadioGroups[n]->SetItemIndex(1);
    g.RadioGroupClick(n);
  }
  g.ApplySeriesStyle(1, {1, 33023, 1, 0, 0, 0});     // stairs
  g.ApplySeriesStyle(3, {2, 65280, 1, 0, 0, 0});     // bars
  g.ApplySeriesStyle(2, {0, 16711680, 1, 1, 0, 0});  // dashed
  shots.Save(&g, "week.png");

  const double end = EncodeDate(2024, 5, 13);
  g.Chart1->xAxis->setRange(end + 10 * kSecond, end + 11.2 * kSecond);
  g.RescaleAxes(false, true, true);
  g.ApplySeriesStyle(0, {0, 255, 1, 0, 2, 1});  // points
  shots.Save(&g, "seconds.png");

  const QString pdf = shots.Path("graph.pdf");
  s.dialogs().on_print = [&](QPrinter* printer) {
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(pdf);
    return true;
  };
  g.Chart1->xAxis->setRange(EncodeDate(2024, 5, 6), EncodeDate(2024, 5, 13));
  g.RescaleAxes(false, true, true);
  g.ButtonPrintClick();
  if (QFile::exists(pdf)) {
    shots.Say(pdf);
  } else {
    shots.Fail("no printout in " + pdf);
  }
}

// Saved copies of three ranges of the demonstration card, the last after a gap, joined: the
// graph window over the joined folder.
void GraphJoined(Shots& shots) {
  TempDir card, joined;
  const double last_day = Today();
  WriteDemoCard(card.path(), last_day, ',');
  const double first = last_day - 7;
  const double cuts[3][2] = {{first, first + 2.5}, {first + 2, first + 4.5}, {first + 5, last_day}};
  std::vector<std::unique_ptr<TempDir>> copies;
  testing::FakeDialogs dialogs;
  for (const auto& cut : cuts) {
    copies.push_back(std::make_unique<TempDir>());
    MeasurementCopyJob job;
    job.source_dir = card.path();
    job.destination_dir = copies.back()->path();
    job.start = PackStamp(cut[0], cut[0]);
    job.end = PackStamp(cut[1], cut[1]);
    job.run_limit = ScanTimeLimit(Today());
    job.line_count = 4;
    job.write_graph_settings = [&](const std::string& path) {
      GraphViewState view;
      ViewOfFolder(card.path(), 4, Now(), view);
      view.range_from = view.time_min = cut[0];
      view.range_to = view.time_max = cut[1];
      WriteGraphSettingsFile(path, view, ',');
    };
    if (CopyMeasurement(job, dialogs) != CopyOutcome::kDone) shots.Fail("copy failed");
  }
  MeasurementMergeJob job;
  job.source_dirs = {copies[2]->path(), copies[0]->path(), copies[1]->path()};
  job.destination_dir = joined.path();
  job.run_limit = ScanTimeLimit(Today());
  job.now = Now();
  QElapsedTimer timer;
  timer.start();
  const MergeReport report = MergeMeasurements(job, dialogs);
  if (report.outcome != MergeOutcome::kDone) shots.Fail("join failed");
  shots.Timing(QString("join of three copies of the demonstration card: %1 ms, %2 blocks, %3 "
                       "duplicates")
                   .arg(timer.elapsed())
                   .arg(report.log.blocks)
                   .arg(report.log.duplicates));
  Session s;
  TFormGraph& g = s.OpenGraphIn(joined.path());
  g.resize(1300, 820);
  shots.Save(&g, "joined.png");
}

void GraphMillion(Shots& shots) {
  CardBuilder big;
  big.lines.assign(8, Line("Přístroj", "Veličina"));
  big.log.reserve(1000000 * 58);
  for (int i = 0; i < 1000000; ++i) {
    const int s = i % kSecondsPerDay;
    const float v = static_cast<float>(std::sin(i / 5000.0) * 100 + i % 17);
    std::vector<LogEntry> entries;
    for (uint16_t l = 0; l < 8; ++l) entries.push_back({l, FloatBits(v + l * 30)});
    AppendLogBlock(big.log,
                   MakeStamp(2024, 1, 1 + i / kSecondsPerDay, s / 3600, s / 60 % 60, s % 60),
                   std::nullopt, entries);
  }
  big.intervals = {1, 1, 1, 1};
  Session s;
  TFormGraph& b = s.OpenGraph(big);
  b.resize(1300, 820);
  QApplication::processEvents();
  QElapsedTimer timer;
  for (int n = 0; n < 8; ++n) {
    b.ComboBoxes[n]->setCurrentIndex(n + 1);
    timer.start();
    b.ComboBoxChange(n);
    shots.Timing(QString("PlotChannel %1, %2 points: %3 ms")
                     .arg(n + 1)
                     .arg(b.PointCount(n))
                     .arg(timer.elapsed()));
  }
  for (int k = 0; k < 3; ++k) {
    timer.start();
    b.ButtonRightClick();
    b.Chart1->repaint();
    shots.Timing(QString("pan + repaint, 8 x 1M: %1 ms").arg(timer.elapsed()));
    timer.start();
    b.ButtonZoomXInClick();
    b.Chart1->repaint();
    shots.Timing(QString("zoom + repaint, 8 x 1M: %1 ms").arg(timer.elapsed()));
  }
  shots.Save(&b, "million.png");

  // The table over all of it: from the click until the last row is on screen.
  timer.start();
  TFormSheet sheet(b.CurrentMeasurement(), b.CurrentStampRange(), {}, &b);
  sheet.show();
  QApplication::processEvents();
  const qint64 opened = timer.elapsed();
  timer.start();
  sheet.StringGrid1->RowBar()->setValue(sheet.StringGrid1->RowBar()->maximum());
  sheet.StringGrid1->repaint();
  shots.Timing(QString("table of %1 rows x 8 lines: open %2 ms, jump to the end %3 ms, %4 bytes "
                       "per row")
                   .arg(sheet.Rows().RowCount())
                   .arg(opened)
                   .arg(timer.elapsed())
                   .arg(static_cast<double>(sheet.Rows().MemoryBytes()) /
                        static_cast<double>(sheet.Rows().RowCount())));
  shots.Save(&sheet, "table_million.png");
  sheet.close();

  // The export through the window: filter, save dialog, progress bar, file.
  TempDir out;
  s.dialogs().file_names.push_back(out.File("million"));
  QTimer::singleShot(0, &b, [&] {
    TFormExportFilter* filter = s.app().ExportFilter();
    filter->ListBox1->selectAll();
    filter->ButtonOKClick();
    timer.start();
  });
  b.ButtonExportClick();
  const qint64 exported = timer.elapsed();
  shots.Timing(QString("window export of 1000000 rows x 8 lines: %1 ms, %2 rows/s")
                   .arg(exported)
                   .arg(exported > 0 ? 1000000 * 1000 / exported : 0));
  // The core writer alone on the same rows and the same disk, for comparison.
  const std::vector<int> all = {0, 1, 2, 3, 4, 5, 6, 7};
  timer.start();
  ExportToFile(out.File("core.csv"), b.CurrentMeasurement(), all, b.CurrentStampRange(), ',',
               s.dialogs());
  const qint64 core = timer.elapsed();
  shots.Timing(QString("core export of the same rows: %1 ms, %2 rows/s")
                   .arg(core)
                   .arg(core > 0 ? 1000000 * 1000 / core : 0));
}

// The table, the export filter and a saved copy over the demonstration card.
void TableWindows(Shots& shots) {
  Session s;
  TempDir demo, copy;
  WriteDemoCard(demo.path(), std::floor(Now()), ',');
  WriteDemoQuantityFiles(s.QuantityDir(), ',');
  TFormGraph& g = s.OpenGraphIn(demo.path());
  g.resize(1100, 760);
  {
    TFormSheet sheet(g.CurrentMeasurement(), g.CurrentStampRange(), {}, &g);
    sheet.show();
    sheet.StringGrid1->SelectColumns(1, 1);
    shots.Save(&sheet, "table.png");
  }
  QTimer::singleShot(0, &g, [&] {
    TFormExportFilter* filter = s.app().ExportFilter();
    filter->ListBox1->item(0)->setSelected(true);
    filter->ListBox1->item(2)->setSelected(true);
    shots.Save(filter, "export_filter.png");
    filter->reject();
  });
  g.ButtonExportClick();

  // The last day of the week into another folder, then that folder opened.
  const double last = g.CurrentExportRange().to;
  g.SetExportRange(last - 1, last);
  s.dialogs().folders.push_back(copy.path());
  QElapsedTimer timer;
  timer.start();
  g.ButtonSaveClick();
  shots.Timing(QString("saving a copy of one day: %1 ms").arg(timer.elapsed()));
  for (const auto& m : s.dialogs().messages) shots.Say(QString::fromStdString(m.text));
  TFormGraph& c = s.OpenGraphIn(copy.path());
  c.resize(1100, 760);
  shots.Save(&c, "copy_opened.png");
}

// The README's picture: the graph window over the demonstration card as it comes.
void ReadmePicture(Shots& shots) {
  TempDir card;
  WriteDemoCard(card.path(), Today(), ',');
  Session s;
  TFormGraph& g = s.OpenGraphIn(card.path());
  g.resize(1100, 760);
  shots.Save(&g, "graph.png");
}

}  // namespace
}  // namespace korvan

int main(int argc, char** argv) {
  korvan::KorvanApplication application(argc, argv);
  const QStringList args = QApplication::arguments();
  if (args.size() != 2 && !(args.size() == 3 && (args[2] == "joined" || args[2] == "readme"))) {
    std::fputs("usage: window_shots FOLDER [joined|readme]\n", stderr);
    return 2;
  }
  korvan::Shots shots(args[1]);
  if (args.size() == 3) {  // one picture alone
    if (args[2] == "joined") korvan::GraphJoined(shots);
    if (args[2] == "readme") korvan::ReadmePicture(shots);
    return shots.Finish() ? 0 : 1;
  }
  korvan::FormatWindow(shots);
  korvan::InstrumentWindows(shots);
  korvan::QuantityWindow(shots);
  korvan::GraphDialogs(shots);
  korvan::GraphWeek(shots);
  korvan::GraphJoined(shots);
  korvan::TableWindows(shots);
  korvan::GraphMillion(shots);
  return shots.Finish() ? 0 : 1;
}
