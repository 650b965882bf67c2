#pragma once

#include <QPoint>
#include <QTimer>
#include <QWidget>
#include <array>
#include <memory>
#include <string>

#include "data/graph_settings_file.h"
#include "data/measurement.h"
#include "export/export.h"
#include "graph/axis_scaling.h"
#include "graph/form_graph_readout.h"
#include "graph/plot_detail.h"
#include "widgets/form_placement.h"

class QCPAbstractPlottable;
class QCPAxis;
class QCPLayoutElement;
class QCPTextElement;
class QComboBox;
class QCustomPlot;
class QDateEdit;
class QFrame;
class QGridLayout;
class QImage;
class QLabel;
class QMouseEvent;
class QPrinter;
class QProgressBar;
class QPushButton;
class QTimeEdit;
class QToolButton;
class QVBoxLayout;
class QWheelEvent;

namespace korvan {

class DetailBars;
class DetailGraph;
class FormRegistry;
class RadioGroup;
class TFormStats;
class TimeAxisTicker;

// "Naměřená data": the chart of up to eight channels of the loaded measurement over time.
// Creating it loads the measurement; it is shown only when that succeeded. It deletes
// itself when closed.
class TFormGraph : public QWidget {
  Q_OBJECT
 public:
  explicit TFormGraph(FormRegistry& app);
  ~TFormGraph() override;

  bool Loaded() const { return loaded_; }
  Measurement& CurrentMeasurement() { return *measurement_; }

  // The "Od"/"Do" pickers as date-time values and as packed stamps.
  ExportRange CurrentExportRange() const;
  StampRange CurrentStampRange() const;
  void SetExportRange(double from, double to);

  // Channels are numbered 0-7 here (channel n of the window is n - 1).
  void PlotChannel(int channel);
  void ComboBoxChange(int channel) { PlotChannel(channel); }
  void RescaleAxes(bool time, bool left, bool right);
  // Gives the channel this style and draws it.
  void ApplySeriesStyle(int channel, const SeriesStyle& style);
  // The style that the series style dialog is handed for the channel (see ReadBackStyle).
  SeriesStyle LoadSeriesStyle(int channel) const;
  void RadioGroupClick(int channel);
  void PanelDblClick(int channel);

  void ButtonRightClick();
  void ButtonLeftClick();
  void ButtonZoomXInClick();
  void ButtonZoomXOutClick();
  void ButtonUnZoomXClick();
  void ButtonlUpClick();
  void ButtonLDownClick();
  void ButtonZoomYLInClick();
  void ButtonZoomYLOutClick();
  void ButtonUnZoomYLClick();
  void ButtonRUpClick();
  void ButtonRDownClick();
  void ButtonZoomYRInClick();
  void ButtonButtonZoomYROutClick();
  void ButtonUnZoomYRClick();
  void ButtonRedrawClick();
  void ButtonScalesClick();
  void ButtonPrintClick();
  void ButtonTextClick();
  void ButtonSaveClick();
  void ButtonExportClick();
  // "&Ulož": the measurement's files over the chosen range into a folder the user picks.
  void SaveMeasurementCopy();
  void Image1Click();
  // "&Statistika": the figures of the drawn channels over the visible time range.
  void ButtonStatsClick();

  // The chart's context menu and its two pictures, drawn as the printout draws the chart
  // (legend and foot line) at the chart's size on screen.
  void ChartContextMenu(const QPoint& position);
  void SavePictureClick();
  void CopyPictureClick();
  // PNG, JPEG or PDF by the file's extension; failures are told to the user, false then.
  bool SavePicture(const std::string& path);
  // scale: device pixels per chart pixel.
  QImage Picture(double scale);

  // The channels that show a line, in channel order, and the stamps each was plotted for.
  std::vector<DrawnChannel> DrawnChannels() const;
  StampRange PlottedRange(int channel) const { return channels_[channel].plotted; }
  GraphReadout* Readout() const { return readout_; }
  TFormStats* Stats() const { return stats_; }

  // The user dragged a rectangle (axis values): towards the lower right zooms to it,
  // otherwise the zoom is undone.
  void Chart1Zoom(double time_min, double time_max, double left_min, double left_max,
                  double right_min, double right_max);
  void Chart1UndoZoom();

  // GRAPH.INI: the window and its two dialogs to and from the file.
  GraphViewState ViewState();
  void WriteGraphSettings(const std::string& path);
  void ReadGraphSettings();

  // Axis ranges and the series of a channel, for the dialogs and for tests.
  AxisRange TimeRange() const;
  AxisRange LeftRange() const;
  AxisRange RightRange() const;
  const SeriesStyle& ChannelStyle(int channel) const { return channels_[channel].style; }
  SeriesKind Kind(int channel) const { return SeriesKindOf(channels_[channel].style); }
  QCPAbstractPlottable* Series(int channel) const { return channels_[channel].series; }
  int PointCount(int channel) const;
  // The time-axis format of the last drawing.
  const TimeAxisFormat& TimeFormat() const;
  // The page of the last printout (printer of the print dialog), kept between printouts.
  QPrinter* Printer() const { return printer_.get(); }
  QCPLayoutElement* Legend() const;
  QCPTextElement* Foot() const { return foot_; }

  bool ManualView = false;

  QCustomPlot* Chart1;
  std::array<QComboBox*, kChannels> ComboBoxes;    // ComboBox1 .. ComboBox8
  std::array<RadioGroup*, kChannels> RadioGroups;  // RadioGroup1 .. RadioGroup8
  std::array<QFrame*, kChannels> Panels;           // Panel1 .. Panel8
  QPushButton* ButtonRight;
  QPushButton* ButtonLeft;
  QPushButton* ButtonZoomXIn;
  QPushButton* ButtonZoomXOut;
  QPushButton* ButtonUnZoomX;
  QPushButton* ButtonlUp;
  QPushButton* ButtonLDown;
  QPushButton* ButtonZoomYLIn;
  QPushButton* ButtonZoomYLOut;
  QPushButton* ButtonUnZoomYL;
  QPushButton* ButtonRUp;
  QPushButton* ButtonRDown;
  QPushButton* ButtonZoomYRIn;
  QPushButton* ButtonButtonZoomYROut;
  QPushButton* ButtonUnZoomYR;
  QPushButton* ButtonRedraw;
  QPushButton* ButtonScales;
  QPushButton* ButtonPrint;
  QPushButton* ButtonText;
  QPushButton* ButtonSave;
  QPushButton* ButtonExport;
  QPushButton* ButtonStats;
  QLabel* Image1;
  QDateEdit* DateFrom;
  QTimeEdit* TimeFrom;
  QDateEdit* DateTo;
  QTimeEdit* TimeTo;
  QProgressBar* ProgressBar1;
  // Where the last export or copy went, instead of a message to click away.
  QLabel* LabelStatus;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // A repaint that follows a press, drag or wheel: drawn fast, full quality once the view rests.
  void ReplotMoving();
  void ReplotResting();
  void RestoreQuality();
  QTimer* rest_timer_ = nullptr;
  struct Channel {
    QCPAbstractPlottable* series = nullptr;  // of the kind that draws style
    SeriesStyle style;
    // The line shown and its samples within the plotted range, which the series draws from.
    std::shared_ptr<const LineDetail> detail;
    LineDetail::Span span;
    uint64_t count = 0;
    // Extremes of the plotted samples.
    DataExtent values;
    DataExtent times;
    StampRange plotted;  // the "Od"/"Do" range of the last plotting
  };

  // Where the window's tool windows go.
  ToolSpot ToolSpace() const;
  void BuildControls();
  void AddChartRow(QVBoxLayout* layout);
  void AddTimeRow(QVBoxLayout* layout);
  void AddChannelRow(QVBoxLayout* layout, QGridLayout* commands);
  QGridLayout* CommandButtons();
  void BuildChart();
  void SetUpAxes();
  void SetUpPrintExtras();
  void ConnectChart();
  void FormCreate();
  void FormClose();
  QCPAxis* ValueAxis(int channel) const;
  void StepAxis(QCPAxis* axis, AxisStep step);
  void SetRange(QCPAxis* axis, const AxisRange& range);
  void ReplaceSeries(int channel, SeriesKind kind);
  QCPAbstractPlottable* MakeSeries(int channel, SeriesKind kind, QCPAxis* value_axis);
  // The line's pyramid, built on its first showing (for a range, when stored out of order).
  std::shared_ptr<const LineDetail> DetailOf(int line, const StampRange& range);
  // Just before each drawing: the series get the points that drawing needs.
  void FillGraph(int channel, DetailGraph& graph);
  void FillBars(int channel, DetailBars& bars);
  // Each push button to its click handler.
  void ConnectButtons();
  // Draws the channel in its style; its swatch shows the style's colour.
  void DrawStyle(int channel);
  void ShowSwatch(int channel);
  void PrintChart(QPrinter& printer);
  void PrepareLegend();
  void AttachPrintExtras();
  template <typename Draw>
  void WithPrintExtras(const Draw& draw);
  QByteArray PdfPicture();
  void DetachPrintExtras();
  void ChartMousePress(QMouseEvent* event);
  void ChartSelectionAccepted(const QRect& rect, QMouseEvent* event);
  void ChartWheel(QWheelEvent* event);

  FormRegistry& app_;
  std::unique_ptr<Measurement> measurement_;
  bool loaded_ = false;
  // The folder the load read: the copy, GRAPH.INI and the export's refusal use it, never the
  // settings window's choosers of a later moment. Empty when the load resolved none.
  std::string folder_;
  std::array<Channel, kChannels> channels_;
  std::array<std::shared_ptr<const LineDetail>, kMaxLines> details_;
  TimeAxisTicker* time_ticker_ = nullptr;  // owned by the axis
  QCPTextElement* title_ = nullptr;
  QCPTextElement* foot_ = nullptr;
  std::unique_ptr<QPrinter> printer_;
  QPoint drag_start_;
  GraphReadout* readout_ = nullptr;  // owned by the chart
  TFormStats* stats_ = nullptr;      // owned by the window
};

}  // namespace korvan
