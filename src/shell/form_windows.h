#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/data_location.h"
#include "platform/drives.h"
#include "platform/file_extents.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "widgets/form_registry.h"

namespace korvan {

class TFormMainMenu;
class TFormSetup;
class TFormAbout;

// Owns the nine long-lived windows and the on-demand graph window; the windows reach each
// other through it, as their FormRegistry.
class KorvanApp : public FormRegistry {
 public:
  KorvanApp(UserDialogs& dialogs, PrintDialogs& printing, ProgramPaths paths,
            char decimal_separator, std::vector<Drive> drives);
  ~KorvanApp() override;
  KorvanApp(const KorvanApp&) = delete;
  KorvanApp& operator=(const KorvanApp&) = delete;

  // Creates the nine windows once, in their fixed order; the main panel first.
  void CreateWindows();

  TFormMainMenu* MainMenu() const { return main_menu_; }
  TFormSetup* Setup() const { return setup_; }
  TFormFormat* Format() const override { return format_; }
  TFormInstruments* Instruments() const override { return instruments_; }
  TFormVelic* Velic() const override { return velic_; }
  TFormExportFilter* ExportFilter() const override { return export_filter_; }
  TFormAbout* About() const { return about_; }
  TFormScales* Scales() const override { return scales_; }
  TFormSeriesStyle* SeriesStyle() const override { return series_style_; }

  // The graph window of the moment, or null; the flag the main panel owns is its presence.
  TFormGraph* Graph() const { return graph_; }
  bool graph_flag() const { return graph_ != nullptr; }
  // Destroys an existing graph window without its closing steps, then creates a new one.
  void CreateGraphWindow();
  // Called by a graph window that closes or is destroyed.
  void GraphWindowGone(TFormGraph* graph) override;
  QProgressBar* LoadProgressBar() const override;

  UserDialogs& Dialogs() const override { return dialogs_; }
  PrintDialogs& Printing() const override { return printing_; }
  const ProgramPaths& Paths() const override { return paths_; }
  char DecimalSeparator() const override { return decimal_separator_; }
  // The drives as last looked up, as the drive choosers list them.
  const std::vector<Drive>& Drives() const override { return drives_; }
  // Where drives are looked up again (the program: ListDrives); none keeps the first list.
  void SetDriveSource(std::function<std::vector<Drive>()> source) {
    drive_source_ = std::move(source);
  }
  // A reader or card connected since start-up joins the list and the choosers.
  void RefreshDrives() const;

  // The disk check's process runner and the extent query of card preparation; tests put
  // fakes in their place (not owned).
  ProcessRunner& Processes() const override { return *processes_; }
  ExtentQuery& Extents() const override { return *extents_; }
  void SetProcesses(ProcessRunner* processes) {
    processes_ = processes ? processes : &system_processes_;
  }
  void SetExtents(ExtentQuery* extents) { extents_ = extents ? extents : &system_extents_; }

  DataLocation CurrentLocation() const override;
  std::optional<std::string> CardFilePath(std::string_view name, bool report) const;

 private:
  UserDialogs& dialogs_;
  PrintDialogs& printing_;
  ProgramPaths paths_;
  char decimal_separator_;
  // Looked up again when a window asks (RefreshDrives): not part of the program's state.
  mutable std::vector<Drive> drives_;
  std::function<std::vector<Drive>()> drive_source_;
  SystemProcessRunner system_processes_;
  SystemExtentQuery system_extents_;
  ProcessRunner* processes_ = &system_processes_;
  ExtentQuery* extents_ = &system_extents_;

  TFormMainMenu* main_menu_ = nullptr;
  TFormSetup* setup_ = nullptr;
  TFormFormat* format_ = nullptr;
  TFormInstruments* instruments_ = nullptr;
  TFormVelic* velic_ = nullptr;
  TFormExportFilter* export_filter_ = nullptr;
  TFormAbout* about_ = nullptr;
  TFormScales* scales_ = nullptr;
  TFormSeriesStyle* series_style_ = nullptr;
  TFormGraph* graph_ = nullptr;
};

}  // namespace korvan
