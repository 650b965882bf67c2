#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <functional>
#include <vector>

#include "graph/plot_detail.h"

class QCPAbstractPlottable;
class QCPItemStraightLine;
class QCPLayer;
class QCustomPlot;
class QLabel;

namespace korvan {

struct Measurement;

// A channel as the chart draws it, for the read-out and the statistics.
struct DrawnChannel {
  int channel = 0;                     // 0-7
  int line = 0;                        // 0-based line of the measurement
  const LineDetail* detail = nullptr;  // the samples the channel shows
  LineDetail::Span span;
  uint32_t color = 0;  // window-system colour value
  QString caption;
  bool single_precision = false;  // the line's numbers are types A or F
};

// The read-out cursor: while the mouse is over the chart's plot area, a thin vertical line
// under it and a small box with the time there and each drawn channel's value nearest in time.
// The line lives on a layer of its own, so following the mouse repaints that layer only, never
// the curves.
class GraphReadout : public QObject {
  Q_OBJECT
 public:
  using ChannelSource = std::function<std::vector<DrawnChannel>()>;
  // The measurement says whether times show hundredths; it outlives the read-out.
  GraphReadout(QCustomPlot* chart, ChannelSource channels, const Measurement& measurement,
               char decimal_separator);

  // Shows the cursor at a widget position of the chart; outside the plot area it hides.
  void MoveTo(const QPoint& position);
  void Hide();
  bool Visible() const;
  // The box's lines as plain text: the time, then "caption: value unit" per channel.
  QStringList Lines() const { return lines_; }
  QLabel* Box() const { return box_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Refresh();

  QCustomPlot* chart_;
  ChannelSource channels_;
  const Measurement& measurement_;
  char decimal_separator_;
  QCPLayer* layer_;
  QCPItemStraightLine* line_;
  QLabel* box_;
  QPoint position_;
  QStringList lines_;
};

}  // namespace korvan
