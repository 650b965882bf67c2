// The graph window's table view, text export and saved copy.
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <algorithm>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "app/date_time.h"
#include "app/error.h"
#include "app/user_dialogs.h"
#include "config/form_format.h"
#include "config/preparation_mark.h"
#include "data/log_copy.h"
#include "data/log_scan.h"
#include "export/export_aggregate.h"
#include "export/export_format.h"
#include "export/form_export_filter.h"
#include "graph/form_graph.h"
#include "graph/form_sheet.h"
#include "widgets/form_long_operation.h"
#include "widgets/form_qt_text.h"
#include "widgets/form_registry.h"

namespace korvan {
namespace {

// The graph window's bar, shown while an operation of the window runs.
class Bar {
 public:
  explicit Bar(QProgressBar* bar) : bar_(bar), operation_(bar) {}
  ~Bar() { bar_->hide(); }
  void Start(uint64_t maximum) {
    bar_->show();
    operation_.SetMaximum(maximum);
  }
  // Work without a count: the busy pointer and the exclusion only.
  void Busy() { operation_.Begin(); }
  void Set(uint64_t position) { operation_.SetPosition(position); }
  void Advance(uint64_t amount) { operation_.Advance(amount); }
  void Finish() {
    operation_.End();
    bar_->hide();
  }

 private:
  QProgressBar* bar_;
  LongOperation operation_;
};

// The save dialog's default extension: a name typed without one gets ".csv".
std::string WithCsvExtension(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t name = slash == std::string::npos ? 0 : slash + 1;
  return path.find('.', name) == std::string::npos ? path + ".csv" : path;
}

// The leading decimal number of an entry "3.  caption", or -1.
int LeadingNumber(const QString& entry) {
  int n = -1;
  for (QChar c : entry) {
    if (!c.isDigit() || c.unicode() > '9') break;
    n = (n < 0 ? 0 : n * 10) + (c.unicode() - '0');
    if (n > kMaxLines) return -1;
  }
  return n;
}

}  // namespace

void TFormGraph::ButtonTextClick() {
  std::unique_ptr<TFormSheet> sheet;
  {
    Bar bar(ProgressBar1);
    SheetRows::Progress progress;
    progress.start = [&](uint32_t maximum) { bar.Start(maximum); };
    progress.position = [&](uint32_t position) { bar.Set(position); };
    progress.finish = [&] { bar.Finish(); };
    sheet = std::make_unique<TFormSheet>(*measurement_, CurrentStampRange(), progress, this);
  }
  sheet->exec();
}

void TFormGraph::ButtonExportClick() {
  TFormExportFilter* filter = app_.ExportFilter();
  if (!filter) return;
  QStringList entries;
  for (uint32_t i = 0; i < measurement_->line_count; ++i) {
    entries << QString::number(i + 1) + ".  " + Q(measurement_->lines[i].caption);
  }
  filter->Fill(entries);
  if (filter->exec() != QDialog::Accepted) return;
  std::vector<int> lines;
  for (int i = 0; i < filter->ListBox2->count(); ++i) {
    const int n = LeadingNumber(filter->ListBox2->item(i)->text());
    if (n >= 1 && static_cast<uint32_t>(n) <= measurement_->line_count) lines.push_back(n - 1);
  }
  if (lines.empty()) return;

  FileDialogOptions options;
  options.title = "Uložení dat";
  options.filter = ExportSaveFilter();
  options.default_extension = "csv";
  const std::optional<std::string> name = app_.Dialogs().SaveFileName(options);
  if (!name || name->empty()) return;
  const std::string path = WithCsvExtension(*name);
  // An export onto one of the card's files would destroy the measurement it reads.
  if (!folder_.empty() && CardFileNamedBy(folder_, path)) {
    app_.Dialogs().ShowError(kExportCreateFailed);
    return;
  }

  LabelStatus->clear();
  Bar bar(ProgressBar1);
  ExportProgress progress;
  progress.start = [&](uint32_t maximum) { bar.Start(maximum); };
  progress.position = [&](uint32_t position) { bar.Set(position); };
  progress.finish = [&] { bar.Finish(); };
  std::optional<uint64_t> rows;
  progress.rows = [&](uint64_t count) { rows = count; };
  ExportRequest request{lines, CurrentStampRange(), {}, progress};
  if (filter->PeriodSeconds() > 0) {
    bar.Busy();
    AggregateOptions aggregate;
    aggregate.period_seconds = filter->PeriodSeconds();
    request.aggregate = aggregate;
  }
  const bool done = ExportRowsToFile(path, ExportFormatOfPath(path), {app_.DecimalSeparator()},
                                     *measurement_, request, app_.Dialogs());
  if (done) LabelStatus->setText(Q(ExportDoneText(path, rows)));
}

void TFormGraph::ButtonSaveClick() { SaveMeasurementCopy(); }

void TFormGraph::SaveMeasurementCopy() {
  // What was loaded is copied, wherever the settings window's choosers point by now.
  if (folder_.empty() || !RefuseInterruptedPreparation(folder_, app_.Dialogs())) return;
  // The recording parameters window then holds the configuration of the copied measurement.
  if (app_.Format()) {
    try {
      app_.Format()->LoadFromCard(FolderDataLocation(folder_));
    } catch (const Error& e) {
      // A quantity file of an instrument that is missing here: the copy does not need it.
      app_.Dialogs().ShowError(e.what());
    }
  }
  LabelStatus->clear();
  const StampRange range = CurrentStampRange();
  const std::string folder = app_.Dialogs().BrowseForFolder("Adresář pro uložení datových souborů");
  if (folder.empty()) return;

  Bar bar(ProgressBar1);
  MeasurementCopyJob job;
  job.source_dir = folder_;
  job.destination_dir = folder;
  job.start = range.start;
  job.end = range.end;
  job.run_limit = ScanTimeLimit(Today());
  job.line_count = static_cast<int>(measurement_->line_count);
  job.write_graph_settings = [this](const std::string& path) { WriteGraphSettings(path); };
  job.progress_start = [&](uint64_t total) { bar.Start(total); };
  job.progress_advance = [&](size_t bytes) { bar.Advance(bytes); };
  job.progress_finish = [&] { bar.Finish(); };
  if (CopyMeasurement(job, app_.Dialogs()) == CopyOutcome::kDone) {
    LabelStatus->setText(Q("Kopie měření uložena do " + folder + "."));
  }
}

}  // namespace korvan
