#include "shell/form_windows.h"

#include "config/form_format.h"
#include "export/form_export_filter.h"
#include "graph/form_graph.h"
#include "graph/form_scales.h"
#include "graph/form_series_style.h"
#include "instruments/form_instruments.h"
#include "instruments/form_velic.h"
#include "shell/form_about.h"
#include "shell/form_main_menu.h"
#include "shell/form_setup.h"
#include "widgets/form_drive_chooser.h"

namespace korvan {

KorvanApp::KorvanApp(UserDialogs& dialogs, PrintDialogs& printing, ProgramPaths paths,
                     char decimal_separator, std::vector<Drive> drives)
    : dialogs_(dialogs),
      printing_(printing),
      paths_(std::move(paths)),
      decimal_separator_(decimal_separator),
      drives_(std::move(drives)) {}

KorvanApp::~KorvanApp() {
  // Without any closing steps: nothing is asked or saved when the program ends.
  delete graph_;
  graph_ = nullptr;
  delete series_style_;
  delete scales_;
  delete about_;
  delete export_filter_;
  delete velic_;
  delete instruments_;
  delete format_;
  delete setup_;
  delete main_menu_;
}

void KorvanApp::CreateWindows() {
  main_menu_ = new TFormMainMenu(*this);
  setup_ = new TFormSetup(*this);
  format_ = new TFormFormat(*this);
  instruments_ = new TFormInstruments(*this);
  velic_ = new TFormVelic(*this);
  export_filter_ = new TFormExportFilter(*this);
  about_ = new TFormAbout(*this);
  scales_ = new TFormScales(*this);
  series_style_ = new TFormSeriesStyle(*this);
}

void KorvanApp::CreateGraphWindow() {
  if (graph_ != nullptr) {
    TFormGraph* old = graph_;
    graph_ = nullptr;
    delete old;
  }
  graph_ = new TFormGraph(*this);
}

void KorvanApp::GraphWindowGone(TFormGraph* graph) {
  if (graph_ == graph) {
    graph_ = nullptr;
  }
}

QProgressBar* KorvanApp::LoadProgressBar() const {
  return main_menu_ ? main_menu_->ProgressBar1 : nullptr;
}

void KorvanApp::RefreshDrives() const {
  if (!drive_source_) return;
  drives_ = drive_source_();
  if (setup_) setup_->SetDrives(drives_);
}

DataLocation KorvanApp::CurrentLocation() const {
  if (!setup_) return {};
  DataLocation location = setup_->CurrentLocation();
  // The stored card drive not there (yet): the card may have been put in since.
  if (!location.alternative && location.card_letter != setup_->DriveComboBoxCard->DriveLetter()) {
    RefreshDrives();
    location = setup_->CurrentLocation();
  }
  return location;
}

std::optional<std::string> KorvanApp::CardFilePath(std::string_view name, bool report) const {
  return korvan::CardFilePath(CurrentLocation(), name, report, dialogs_);
}

}  // namespace korvan
