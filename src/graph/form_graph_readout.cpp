#include "graph/form_graph_readout.h"

#include <qcustomplot.h>

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>

#include "data/measurement.h"
#include "export/export.h"
#include "graph/range_stats.h"
#include "graph/readout.h"
#include "widgets/form_qt_text.h"

namespace korvan {

namespace {

constexpr int kBoxOffset = 12;  // pixels between the line and the box

// Light channel colours (yellow, aqua, lime) are darkened for the text on the light box; the
// swatch keeps the channel's own colour.
QColor TextColor(const QColor& color) {
  return color.lightness() > 150 ? color.darker(170) : color;
}

}  // namespace

GraphReadout::GraphReadout(QCustomPlot* chart, ChannelSource channels,
                           const Measurement& measurement, char decimal_separator)
    : QObject(chart),
      chart_(chart),
      channels_(std::move(channels)),
      measurement_(measurement),
      decimal_separator_(decimal_separator) {
  chart_->addLayer("readout", chart_->layer("overlay"), QCustomPlot::limAbove);
  layer_ = chart_->layer("readout");
  layer_->setMode(QCPLayer::lmBuffered);
  line_ = new QCPItemStraightLine(chart_);
  line_->setLayer(layer_);
  line_->setPen(QPen(QColor(60, 60, 60), 0));
  line_->setSelectable(false);
  line_->point1->setTypeY(QCPItemPosition::ptAxisRectRatio);
  line_->point2->setTypeY(QCPItemPosition::ptAxisRectRatio);
  line_->setVisible(false);

  box_ = new QLabel(chart_);
  box_->setTextFormat(Qt::RichText);
  box_->setAttribute(Qt::WA_TransparentForMouseEvents);
  box_->setAutoFillBackground(true);
  box_->setFrameShape(QFrame::Box);
  box_->setMargin(3);
  QPalette palette = box_->palette();
  palette.setColor(QPalette::Window, QColor(255, 255, 238));
  palette.setColor(QPalette::WindowText, Qt::black);
  palette.setColor(QPalette::Dark, QColor(120, 120, 120));
  box_->setPalette(palette);
  box_->hide();

  chart_->setMouseTracking(true);
  chart_->installEventFilter(this);
  // Panning or zooming moves the data under a resting mouse.
  connect(chart_->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, [this] {
    if (Visible()) Refresh();
  });
}

bool GraphReadout::Visible() const { return line_->visible(); }

bool GraphReadout::eventFilter(QObject* watched, QEvent* event) {
  if (watched == chart_) {
    if (event->type() == QEvent::MouseMove) {
      MoveTo(static_cast<QMouseEvent*>(event)->pos());
    } else if (event->type() == QEvent::Leave) {
      Hide();
    }
  }
  return QObject::eventFilter(watched, event);
}

void GraphReadout::MoveTo(const QPoint& position) {
  position_ = position;
  if (!chart_->axisRect()->rect().contains(position)) {
    Hide();
    return;
  }
  Refresh();
}

void GraphReadout::Hide() {
  if (!Visible()) return;
  line_->setVisible(false);
  box_->hide();
  layer_->replot();
}

void GraphReadout::Refresh() {
  QCPAxis* time = chart_->xAxis;
  const double x = time->pixelToCoord(position_.x());
  const QCPRange span = time->range();
  line_->point1->setCoords(x, 0);
  line_->point2->setCoords(x, 1);
  line_->setVisible(true);

  lines_.clear();
  QString time_text = Q("—");
  if (const std::optional<SampleTime> t = SampleTimeOf(x)) {
    time_text =
        Q(TableRowTimeText(t->stamp, t->milliseconds, measurement_.subseconds_present)).trimmed();
  }
  lines_ << time_text;
  QString html = "<b>" + time_text.toHtmlEscaped() + "</b>";
  for (const DrawnChannel& c : channels_()) {
    std::string value = "—";
    const std::optional<DetailPoint> nearest =
        c.detail ? c.detail->Nearest(c.span, x, span.lower, span.upper) : std::nullopt;
    const bool has_value = nearest && nearest->value != kNoValue;
    if (has_value) value = ShownValueText(nearest->value, c.single_precision, decimal_separator_);
    const QString line = Q(ReadoutLineText(S(c.caption), value, has_value));
    lines_ << line;
    const QColor color = ToQColor(c.color);
    html +=
        QString("<br><span style=\"color:%1\">&#9632;</span> <span style=\"color:%2\">%3</span>")
            .arg(color.name(), TextColor(color).name(), line.toHtmlEscaped());
  }
  box_->setText(html);
  box_->adjustSize();
  // Right of the line, or left of it where the box would leave the chart.
  const QRect plot = chart_->axisRect()->rect();
  int left = position_.x() + kBoxOffset;
  if (left + box_->width() > plot.right()) left = position_.x() - kBoxOffset - box_->width();
  box_->move(std::max(left, 0), plot.top() + 4);
  box_->show();
  box_->raise();
  layer_->replot();
}

}  // namespace korvan
