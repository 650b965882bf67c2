#pragma once

#include <vector>

#include "app/data_location.h"
#include "platform/drives.h"
#include "platform/file_extents.h"
#include "platform/paths.h"
#include "platform/process.h"

class QProgressBar;

namespace korvan {

class PrintDialogs;
class UserDialogs;
class TFormFormat;
class TFormInstruments;
class TFormVelic;
class TFormExportFilter;
class TFormScales;
class TFormSeriesStyle;
class TFormGraph;

// What the windows reach of one another and of the program's shared services. The program's
// application object implements it; a window takes it in its constructor and never sees the
// object itself, so the windows stay below the start-up and the main panel.
class FormRegistry {
 public:
  virtual ~FormRegistry() = default;

  // The long-lived windows a window opens or fills; null before they are created.
  virtual TFormFormat* Format() const = 0;
  virtual TFormInstruments* Instruments() const = 0;
  virtual TFormVelic* Velic() const = 0;
  virtual TFormExportFilter* ExportFilter() const = 0;
  virtual TFormScales* Scales() const = 0;
  virtual TFormSeriesStyle* SeriesStyle() const = 0;
  // Called by a graph window that closes or is destroyed.
  virtual void GraphWindowGone(TFormGraph* graph) = 0;
  // The bar that shows a measurement's loading (the main panel's), or null.
  virtual QProgressBar* LoadProgressBar() const = 0;

  virtual UserDialogs& Dialogs() const = 0;
  virtual PrintDialogs& Printing() const = 0;
  virtual const ProgramPaths& Paths() const = 0;
  virtual char DecimalSeparator() const = 0;
  // The drives as last looked up, as the drive choosers list them.
  virtual const std::vector<Drive>& Drives() const = 0;
  // The disk check's process runner and the extent query of card preparation.
  virtual ProcessRunner& Processes() const = 0;
  virtual ExtentQuery& Extents() const = 0;
  // Where the card's files are read, as the settings window says now.
  virtual DataLocation CurrentLocation() const = 0;
};

}  // namespace korvan
