#include "graph/form_chart_tickers.h"

#include <algorithm>

#include "app/numbers.h"
#include "widgets/form_qt_text.h"

namespace korvan {

namespace {

// Ticks are computed before the layout pass of the same replot, so the axis rectangle still
// has its size from the previous one (tiny on the first drawing, before a resize on the
// next). The viewport less the current margins is the size this drawing will have.
QSize PlotArea(const QCPAxis* axis) {
  const QCPAxisRect* rect = axis->axisRect();
  if (rect == nullptr || axis->parentPlot() == nullptr) return {600, 400};
  const QMargins margins = rect->margins();
  const QRect viewport = axis->parentPlot()->viewport();
  return {std::max(1, viewport.width() - margins.left() - margins.right()),
          std::max(1, viewport.height() - margins.top() - margins.bottom())};
}

}  // namespace

double TimeAxisTicker::getTickStep(const QCPRange& range) {
  const double length = PlotArea(axis_).width();
  // Turned labels stand side by side: one needs its line height and a little air.
  const double pitch = QFontMetrics(axis_->tickLabelFont()).height() * 1.5;
  format_ = ChooseTimeAxisFormat(range.size(), length, pitch);
  return format_.increment;
}

int TimeAxisTicker::getSubTickCount(double) { return format_.minor_ticks; }

QString TimeAxisTicker::getTickLabel(double tick, const QLocale&, QChar, int) {
  return Q(TimeAxisLabel(format_, tick, decimal_separator_));
}

double ValueAxisTicker::getTickStep(const QCPRange& range) {
  const double length = PlotArea(axis_).height();
  const int label = QFontMetrics(axis_->tickLabelFont()).height();
  setTickCount(std::max(2, static_cast<int>(length / (label + label_separation_))));
  return QCPAxisTicker::getTickStep(range);
}

QString ValueAxisTicker::getTickLabel(double tick, const QLocale&, QChar, int) {
  // Ticks near zero come out as tiny remainders of the step arithmetic.
  if (std::abs(tick) < 1e-12 * std::max(1.0, std::abs(axis_->range().size()))) tick = 0;
  return Q(FormatFloat(pattern_, tick, decimal_separator_, thousand_separator_));
}

}  // namespace korvan
