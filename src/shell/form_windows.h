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

namespace korvan {

class PrintDialogs;
class UserDialogs;
class TFormMainMenu;
class TFormSetup;
class TFormFormat;
class TFormInstruments;
class TFormVelic;
class TFormExportFilter;
class TFormAbout;
class TFormScales;
class TFormSeriesStyle;
class TFormGraph;

// Owns the nine long-lived windows and the on-demand graph window; the windows reach each
// other through it.
class KorvanApp {
 public:
  KorvanApp(UserDialogs& dialogs, PrintDialogs& printing, ProgramPaths paths,
            char decimal_separator, std::vector<Drive> drives);
  ~KorvanApp();
  KorvanApp(const KorvanApp&) = delete;
  KorvanApp& operator=(const KorvanApp&) = delete;

  // Creates the nine windows once, in their fixed order; the main panel first.
  void CreateWindows();

  TFormMainMenu* MainMenu() const { return main_menu_; }
  TFormSetup* Setup() const { return setup_; }
  TFormFormat* Format() const { return format_; }
  TFormInstruments* Instruments() const { return instruments_; }
  TFormVelic* Velic() const { return velic_; }
  TFormExportFilter* ExportFilter() const { return export_filter_; }
  TFormAbout* About() const { return about_; }
  TFormScales* Scales() const { return scales_; }
  TFormSeriesStyle* SeriesStyle() const { return series_style_; }

  // The graph window of the moment, or null; the flag the main panel owns is its presence.
  TFormGraph* Graph() const { return graph_; }
  bool graph_flag() const { return graph_ != nullptr; }
  // Destroys an existing graph window without its closing steps, then creates a new one.
  void CreateGraphWindow();
  // Called by a graph window that closes or is destroyed.
  void GraphWindowGone(TFormGraph* graph);

  UserDialogs& Dialogs() const { return dialogs_; }
  PrintDialogs& Printing() const { return printing_; }
  const ProgramPaths& Paths() const { return paths_; }
  char DecimalSeparator() const { return decimal_separator_; }
  // The drives as last looked up, as the drive choosers list them.
  const std::vector<Drive>& Drives() const { return drives_; }
  // Where drives are looked up again (the program: ListDrives); none keeps the first list.
  void SetDriveSource(std::function<std::vector<Drive>()> source) {
    drive_source_ = std::move(source);
  }
  // A reader or card connected since start-up joins the list and the choosers.
  void RefreshDrives() const;

  // The disk check's process runner and the extent query of card preparation; tests put
  // fakes in their place (not owned).
  ProcessRunner& Processes() const { return *processes_; }
  ExtentQuery& Extents() const { return *extents_; }
  void SetProcesses(ProcessRunner* processes) {
    processes_ = processes ? processes : &system_processes_;
  }
  void SetExtents(ExtentQuery* extents) { extents_ = extents ? extents : &system_extents_; }

  DataLocation CurrentLocation() const;
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
