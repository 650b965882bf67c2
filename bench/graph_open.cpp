// How long "Naměřená data" takes to open a large card and to pan and zoom it, and how much
// memory it holds. Not a test: nothing is checked. Run each figure in a process of its own
// (peak memory is the process's):
//
//   graph_open make FOLDER MEGABYTES   a card of 8 float lines, one block a second with
//                                      milliseconds (CONFIG.INI and CONFIG.BIN), and a
//                                      GRAPH.INI showing all 8 lines
//   graph_open FOLDER [8|0]            opens the graph window on it with the 8 lines shown
//                                      (default) or none, then pans and zooms (8 only)
//   graph_open FOLDER table            opens it with none shown, then "&Tabulka": the time to
//                                      the shown table, the memory it adds, and page
//                                      repaints scrolled to the end and back
//
// It uses only the windows' public handlers and the bench session, so the same file builds
// against older trees for before/after figures.
#include <qcustomplot.h>
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/cp1250.h"
#include "app/date_time.h"
#include "app/encodings.h"
#include "config/config_image.h"
#include "config/recording_config.h"
#include "data/graph_settings_file.h"
#include "data/log_writer.h"
#include "graph/form_graph.h"
#include "graph/form_sheet.h"
#include "platform/files.h"
#include "shot_session.h"

namespace korvan {
namespace {

constexpr int kLines = 8;

uint32_t StampAt(double base, uint64_t second) {
  const uint64_t s = second % kSecondsPerDay;
  return PackStamp(base + static_cast<double>(second / kSecondsPerDay),
                   EncodeTime(int(s / 3600), int(s / 60 % 60), int(s % 60), 0));
}

std::string ConfigIni() {
  std::string text =
      "[Application]\r\nName=Korvan-A\r\nVersion=1.20\r\n[Param]\r\nJobName=graph\r\n";
  for (int n = 1; n <= 4; ++n) text += "SavePeriod" + std::to_string(n) + "=1\r\n";
  text += "Measure=" + std::to_string(kLines) + "\r\n[Measure]\r\n";
  for (int i = 0; i < kLines; ++i) {
    const std::string number = "0" + std::to_string(i + 1);
    text += "Line" + number + "=K" + number + ";teplota;1;01h;R;0010h;F4;1;0;0;0\r\n";
  }
  return text;
}

// A slow wave with noise, each line shifted so that the channels do not cover each other.
float Value(uint64_t block, int line) {
  const uint32_t noise = static_cast<uint32_t>((block * 2654435761u) >> 7) % 17;
  return static_cast<float>(100 * std::sin(static_cast<double>(block) / 5000.0 + line) + noise +
                            line * 30);
}

bool Make(const std::string& dir, uint64_t megabytes) {
  const double base = EncodeDate(2020, 1, 1);
  const uint64_t bytes = megabytes << 20;
  const uint64_t block = 4 + 4 + 2 + 6 * kLines;
  const uint64_t blocks = bytes / block;
  AtomicWriter log(dir + "/LOG.BIN", Durability::kRenameOnly);
  std::vector<LogEntry> entries(kLines);
  std::string chunk;
  for (uint64_t b = 0; b < blocks; ++b) {
    for (int i = 0; i < kLines; ++i) {
      entries[i] = {uint16_t(i), std::bit_cast<uint32_t>(Value(b, i))};
    }
    AppendLogBlock(chunk, StampAt(base, b), MillisecondWord(uint16_t(b * 7 % 1000)), entries);
    if (chunk.size() > (8u << 20)) {
      log.Write(chunk);
      chunk.clear();
    }
  }
  chunk.resize(chunk.size() + (bytes - blocks * block), '\xFF');
  log.Write(chunk);
  AtomicWriter config(dir + "/CONFIG.INI", Durability::kRenameOnly);
  config.Write(Utf8ToCp1250(ConfigIni()));
  // The logger's image of the same lines, which a saved copy of the card needs.
  RecordingConfig recording;
  recording.job_name = "graph";
  recording.intervals = {"1", "1", "1", "1"};
  for (int i = 0; i < kLines; ++i) {
    const std::string number = "0" + std::to_string(i + 1);
    recording.lines.push_back(
        {"K" + number, "teplota", "1", "01h", "R", "0010h", "F4", "1", "0", "0", "0"});
  }
  AtomicWriter image(dir + "/CONFIG.BIN", Durability::kRenameOnly);
  image.Write(BuildConfigImage(recording, ','));
  if (!log.Commit() || !config.Commit() || !image.Commit()) {
    std::fprintf(stderr, "graph_open: cannot write the card into %s\n", dir.c_str());
    return false;
  }
  // The stored view: the whole range, channels 1-4 on the left axis, 5-8 on the right.
  GraphViewState view;
  view.range_from = view.time_min = UnpackStamp(StampAt(base, 0), 0);
  view.range_to = view.time_max = UnpackStamp(StampAt(base, blocks - 1), 0);
  view.left_min = view.right_min = -120;
  view.left_max = view.right_max = 350;
  for (int n = 0; n < kChannels; ++n) {
    view.channels[n].value = n + 1;
    view.channels[n].axis = n < 4 ? 0 : 1;
    view.channels[n].style = {0, kDefaultChannelColors[n], n < 2 ? 1 : 2, 0, 0, 0};
  }
  WriteGraphSettingsFile(dir + "/GRAPH.INI", view, ',');
  std::printf("%s: %llu blocks, %llu samples\n", dir.c_str(),
              static_cast<unsigned long long>(blocks),
              static_cast<unsigned long long>(blocks * kLines));
  return true;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

double PeakRssMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

int Open(const std::string& dir, bool shown) {
  // The stored view decides what opens: all eight channels, or the same view with none.
  const std::string ini = dir + "/GRAPH.INI";
  GraphViewState view;
  if (!ReadGraphSettingsFile(ini, view, Now())) {
    std::fprintf(stderr, "graph_open: %s has no stored view (run graph_open make)\n", ini.c_str());
    return 1;
  }
  for (int n = 0; n < kChannels; ++n) view.channels[n].value = shown ? n + 1 : 0;
  WriteGraphSettingsFile(ini, view, ',');

  Session s;
  // The settings window reads the program's settings once, half a second after start-up; a
  // long load would let that happen midway and take the card's folder away.
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 700) QApplication::processEvents(QEventLoop::AllEvents, 50);
  timer.start();
  TFormGraph& g = s.OpenGraphIn(dir);
  g.resize(1300, 820);
  QApplication::processEvents();
  g.Chart1->repaint();
  const double open_ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
  for (const auto& m : s.dialogs().messages) {
    std::printf("message (%s): %s\n", m.kind.c_str(), m.text.c_str());
  }
  uint64_t samples = 0;
  for (const TBuf& b : g.CurrentMeasurement().buffers) samples += b.count();
  // Memory is the peak RSS below: how the samples are stored is the store's own business.
  std::printf("open, %d channels shown: %.0f ms; %llu samples\n", shown ? kChannels : 0, open_ms,
              static_cast<unsigned long long>(samples));

  // A picture of the opened window, to look at (GRAPH_OPEN_SHOT=file.png).
  if (const QByteArray shot = qgetenv("GRAPH_OPEN_SHOT"); !shot.isEmpty()) g.grab().save(shot);
  if (shown) {
    std::vector<double> pan, zoom, full;
    for (int k = 0; k < 10; ++k) {
      timer.start();
      k % 2 ? g.ButtonLeftClick() : g.ButtonRightClick();
      g.Chart1->repaint();
      pan.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
      // The same view at full quality, as every press repainted before the fast repaint.
      timer.start();
      g.Chart1->setNotAntialiasedElements(QCP::aeNone);
      g.Chart1->replot();
      g.Chart1->repaint();
      full.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
      timer.start();
      k % 2 ? g.ButtonZoomXOutClick() : g.ButtonZoomXInClick();
      g.Chart1->repaint();
      zoom.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::printf("pan + repaint: median %.1f ms (min %.1f, max %.1f)\n", Median(pan),
                *std::min_element(pan.begin(), pan.end()),
                *std::max_element(pan.begin(), pan.end()));
    std::printf("full-quality repaint: median %.1f ms (min %.1f, max %.1f)\n", Median(full),
                *std::min_element(full.begin(), full.end()),
                *std::max_element(full.begin(), full.end()));
    std::printf("zoom + repaint: median %.1f ms (min %.1f, max %.1f)\n", Median(zoom),
                *std::min_element(zoom.begin(), zoom.end()),
                *std::max_element(zoom.begin(), zoom.end()));
  }
  std::printf("peak RSS: %.0f MiB\n", PeakRssMiB());
  // Back to the stored view with all channels, for the next run.
  for (int n = 0; n < kChannels; ++n) view.channels[n].value = n + 1;
  WriteGraphSettingsFile(ini, view, ',');
  return 0;
}

// Resident memory now (not the peak, which the load sets).
double RssMiB() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<double>(resident) * 4096.0 / (1 << 20);
}

int Table(const std::string& dir) {
  const std::string ini = dir + "/GRAPH.INI";
  GraphViewState view;
  if (!ReadGraphSettingsFile(ini, view, Now())) {
    std::fprintf(stderr, "graph_open: %s has no stored view (run graph_open make)\n", ini.c_str());
    return 1;
  }
  for (int n = 0; n < kChannels; ++n) view.channels[n].value = 0;
  WriteGraphSettingsFile(ini, view, ',');
  Session s;
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 700) QApplication::processEvents(QEventLoop::AllEvents, 50);
  TFormGraph& g = s.OpenGraphIn(dir);
  QApplication::processEvents();
  const double before = RssMiB();
  double open_ms = 0, added = 0;
  int rows = 0;
  std::vector<double> pages, ends;
  QTimer poll;
  poll.setInterval(0);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* sheet = qobject_cast<TFormSheet*>(QApplication::activeModalWidget());
    if (!sheet) return;
    poll.stop();
    QTableView* grid = sheet->StringGrid1;
    // Painted into a picture: the offscreen platform paints only what it exposes.
    grid->grab();
    open_ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    added = RssMiB() - before;
    rows = static_cast<int>(sheet->Rows().RowCount());
    // The vertical bar over the most rows: the view's own, or one beside a view of a window.
    QScrollBar* bar = grid->verticalScrollBar();
    for (QScrollBar* b : sheet->findChildren<QScrollBar*>()) {
      if (b->orientation() == Qt::Vertical && b->maximum() > bar->maximum()) bar = b;
    }
    // To the end and back, then page by page from a row in the middle.
    for (int k = 0; k < 6; ++k) {
      timer.start();
      bar->setValue(k % 2 ? 0 : bar->maximum());
      grid->grab();
      ends.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    bar->setValue(bar->maximum() / 3);
    for (int k = 0; k < 20; ++k) {
      timer.start();
      bar->setValue(bar->value() + bar->pageStep());
      grid->grab();
      pages.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    sheet->reject();
  });
  poll.start();
  timer.start();
  g.ButtonTextClick();
  std::printf("table: %d rows open in %.0f ms; %.1f MiB added (%.2f bytes a row)\n", rows, open_ms,
              added, added * (1 << 20) / std::max(rows, 1));
  std::printf("to the end or the start + repaint: median %.1f ms (max %.1f)\n", Median(ends),
              ends.empty() ? 0.0 : *std::max_element(ends.begin(), ends.end()));
  std::printf("a page down + repaint: median %.1f ms (max %.1f)\n", Median(pages),
              pages.empty() ? 0.0 : *std::max_element(pages.begin(), pages.end()));
  for (int n = 0; n < kChannels; ++n) view.channels[n].value = n + 1;
  WriteGraphSettingsFile(ini, view, ',');
  return 0;
}

int Run(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "make") {
    return Make(argv[2], std::strtoull(argv[3], nullptr, 10)) ? 0 : 1;
  }
  if (argc == 3 && std::string(argv[2]) == "table") return Table(argv[1]);
  if (argc == 2 || (argc == 3 && (std::string(argv[2]) == "8" || std::string(argv[2]) == "0"))) {
    return Open(argv[1], argc == 2 || std::string(argv[2]) == "8");
  }
  std::fprintf(stderr, "usage: graph_open make FOLDER MEGABYTES | graph_open FOLDER [8|0|table]\n");
  return 2;
}

}  // namespace
}  // namespace korvan

int main(int argc, char** argv) {
  if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return korvan::Run(argc, argv);
}
