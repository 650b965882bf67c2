// The graph window's axes: rescaling to the data, the pan and zoom buttons, the mouse zoom.
#include <qcustomplot.h>

#include <QComboBox>
#include <QMouseEvent>
#include <QTimer>
#include <QWheelEvent>
#include <cmath>

#include "graph/form_graph.h"
#include "graph/form_scales.h"
#include "widgets/form_registry.h"

namespace korvan {

AxisRange TFormGraph::TimeRange() const {
  return {Chart1->xAxis->range().lower, Chart1->xAxis->range().upper};
}
AxisRange TFormGraph::LeftRange() const {
  return {Chart1->yAxis->range().lower, Chart1->yAxis->range().upper};
}
AxisRange TFormGraph::RightRange() const {
  return {Chart1->yAxis2->range().lower, Chart1->yAxis2->range().upper};
}

QCPAxis* TFormGraph::ValueAxis(int channel) const {
  return RadioGroups[channel]->ItemIndex() == 1 ? Chart1->yAxis2 : Chart1->yAxis;
}

void TFormGraph::SetRange(QCPAxis* axis, const AxisRange& range) {
  axis->setRange(range.minimum, range.maximum);
}

void TFormGraph::RescaleAxes(bool time, bool left, bool right) {
  RescaleInput in;
  for (int n = 0; n < kChannels; ++n) {
    const Channel& c = channels_[n];
    if (ComboBoxes[n]->currentIndex() <= 0 || !c.values.used) continue;
    DataExtent& axis = RadioGroups[n]->ItemIndex() == 1 ? in.right : in.left;
    axis.Add(c.values.minimum, c.values.maximum);
    in.time.Add(c.times.minimum, c.times.maximum);
  }
  const ExportRange range = CurrentExportRange();
  in.range_from = range.from;
  in.range_to = range.to;
  if (app_.Scales()) in.scales = app_.Scales()->State();
  const RescaleResult r = ComputeRescale(in, time, left, right, app_.DecimalSeparator());
  if (r.left) SetRange(Chart1->yAxis, *r.left);
  if (r.right) SetRange(Chart1->yAxis2, *r.right);
  if (r.time) SetRange(Chart1->xAxis, *r.time);
  Chart1->replot();
}

void TFormGraph::StepAxis(QCPAxis* axis, AxisStep step) {
  SetRange(axis, korvan::StepAxis({axis->range().lower, axis->range().upper}, step));
  ManualView = true;
  ReplotMoving();
}

void TFormGraph::ButtonRightClick() { StepAxis(Chart1->xAxis, AxisStep::kShiftUp); }
void TFormGraph::ButtonLeftClick() { StepAxis(Chart1->xAxis, AxisStep::kShiftDown); }
void TFormGraph::ButtonZoomXInClick() { StepAxis(Chart1->xAxis, AxisStep::kZoomIn); }
void TFormGraph::ButtonZoomXOutClick() { StepAxis(Chart1->xAxis, AxisStep::kZoomOut); }
void TFormGraph::ButtonlUpClick() { StepAxis(Chart1->yAxis, AxisStep::kShiftDown); }
void TFormGraph::ButtonLDownClick() { StepAxis(Chart1->yAxis, AxisStep::kShiftUp); }
void TFormGraph::ButtonZoomYLInClick() { StepAxis(Chart1->yAxis, AxisStep::kZoomIn); }
void TFormGraph::ButtonZoomYLOutClick() { StepAxis(Chart1->yAxis, AxisStep::kZoomOut); }
void TFormGraph::ButtonRUpClick() { StepAxis(Chart1->yAxis2, AxisStep::kShiftDown); }
void TFormGraph::ButtonRDownClick() { StepAxis(Chart1->yAxis2, AxisStep::kShiftUp); }
void TFormGraph::ButtonZoomYRInClick() { StepAxis(Chart1->yAxis2, AxisStep::kZoomIn); }
void TFormGraph::ButtonButtonZoomYROutClick() { StepAxis(Chart1->yAxis2, AxisStep::kZoomOut); }

void TFormGraph::ButtonUnZoomXClick() {
  RescaleAxes(true, false, false);
  ManualView = false;
}
void TFormGraph::ButtonUnZoomYLClick() {
  RescaleAxes(false, true, false);
  ManualView = false;
}
void TFormGraph::ButtonUnZoomYRClick() {
  RescaleAxes(false, false, true);
  ManualView = false;
}

void TFormGraph::RadioGroupClick(int channel) {
  QCPAxis* axis = ValueAxis(channel);
  if (auto* graph = qobject_cast<QCPGraph*>(channels_[channel].series)) {
    graph->setValueAxis(axis);
  } else if (auto* bars = qobject_cast<QCPBars*>(channels_[channel].series)) {
    bars->setValueAxis(axis);
  }
  if (!ManualView) RescaleAxes(true, true, true);
  Chart1->replot();
}

void TFormGraph::Chart1Zoom(double time_min, double time_max, double left_min, double left_max,
                            double right_min, double right_max) {
  SetRange(Chart1->xAxis, {time_min, time_max});
  SetRange(Chart1->yAxis, {left_min, left_max});
  SetRange(Chart1->yAxis2, {right_min, right_max});
  ManualView = true;
  ReplotMoving();
}

void TFormGraph::Chart1UndoZoom() {
  RescaleAxes(true, true, true);
  ManualView = false;
}

void TFormGraph::ChartMousePress(QMouseEvent* event) { drag_start_ = event->pos(); }

void TFormGraph::ChartSelectionAccepted(const QRect&, QMouseEvent* event) {
  const QPoint end = event->pos();
  // A click is no drag.
  if (std::abs(end.x() - drag_start_.x()) < 4 || std::abs(end.y() - drag_start_.y()) < 4) return;
  QCPAxis* time = Chart1->xAxis;
  QCPAxis* left = Chart1->yAxis;
  QCPAxis* right = Chart1->yAxis2;
  if (!IsZoomDrag(time->pixelToCoord(drag_start_.x()), left->pixelToCoord(drag_start_.y()),
                  time->pixelToCoord(end.x()), left->pixelToCoord(end.y()))) {
    Chart1UndoZoom();
    return;
  }
  Chart1Zoom(time->pixelToCoord(drag_start_.x()), time->pixelToCoord(end.x()),
             left->pixelToCoord(end.y()), left->pixelToCoord(drag_start_.y()),
             right->pixelToCoord(end.y()), right->pixelToCoord(drag_start_.y()));
}

void TFormGraph::ChartWheel(QWheelEvent* event) {
  const double steps = event->angleDelta().y() / 120.0;
  if (steps == 0) return;
  QCPAxis* time = Chart1->xAxis;
  time->scaleRange(std::pow(0.8, steps), time->pixelToCoord(event->position().x()));
  ManualView = true;
  ReplotMoving();
}

void TFormGraph::ReplotMoving() {
  if (!rest_timer_) {
    rest_timer_ = new QTimer(this);
    rest_timer_->setSingleShot(true);
    rest_timer_->setInterval(150);
    connect(rest_timer_, &QTimer::timeout, this, &TFormGraph::ReplotResting);
  }
  Chart1->setNotAntialiasedElements(QCP::aeAll);
  Chart1->replot();
  rest_timer_->start();
}

void TFormGraph::RestoreQuality() {
  // The resting picture, printouts and pictures match one drawn without any interaction.
  if (rest_timer_) rest_timer_->stop();
  Chart1->setNotAntialiasedElements(QCP::aeNone);
}

void TFormGraph::ReplotResting() {
  RestoreQuality();
  Chart1->replot();
}

}  // namespace korvan
