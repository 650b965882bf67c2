#pragma once

#include <QWidget>
#include <vector>

class QLabel;
class QTableWidget;
class QTimer;

namespace korvan {

class TFormGraph;

// "Statistika": for each channel the graph window draws, the figures of its samples within the
// visible time range. A tool window of the graph window; it follows zooming, panning and
// re-plotting while it is shown.
class TFormStats : public QWidget {
  Q_OBJECT
 public:
  TFormStats(TFormGraph& graph, char decimal_separator);

  // Recomputes when what the chart shows has changed since the last time.
  void Refresh();
  // Refresh on the next turn of the event loop; many changes in a row cost one refresh.
  void ScheduleRefresh();

  QLabel* LabelRange;
  QTableWidget* GridStats;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;  // Escape closes it, as the other tool windows

 private:
  std::vector<double> ShownState() const;
  void FitToTable();

  TFormGraph& graph_;
  char decimal_separator_;
  QTimer* timer_;
  std::vector<double> shown_;  // what the figures were computed for
  QSize fitted_;               // the size the window was last fitted to
};

}  // namespace korvan
