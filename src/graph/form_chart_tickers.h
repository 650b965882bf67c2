#pragma once

#include <qcustomplot.h>

#include <string>

#include "graph/time_axis.h"

namespace korvan {

// The time axis: labels chosen from the visible span (see ChooseTimeAxisFormat), ticks at
// whole multiples of the increment counted from 30 December 1899, so that days start at
// midnight and hours on the hour of the records' own local time.
class TimeAxisTicker : public QCPAxisTicker {
 public:
  TimeAxisTicker(QCPAxis* axis, char decimal_separator)
      : axis_(axis), decimal_separator_(decimal_separator) {}

  // The format that the last drawing used.
  const TimeAxisFormat& Format() const { return format_; }

 protected:
  double getTickStep(const QCPRange& range) override;
  int getSubTickCount(double tick_step) override;
  QString getTickLabel(double tick, const QLocale& locale, QChar format_char,
                       int precision) override;

 private:
  QCPAxis* axis_;
  char decimal_separator_;
  TimeAxisFormat format_;
};

// A value axis: labels written with a FormatFloat pattern, ticks kept a label height plus
// the label separation apart.
class ValueAxisTicker : public QCPAxisTicker {
 public:
  ValueAxisTicker(QCPAxis* axis, std::string pattern, char decimal_separator,
                  std::string thousand_separator, int label_separation)
      : axis_(axis),
        pattern_(std::move(pattern)),
        decimal_separator_(decimal_separator),
        thousand_separator_(std::move(thousand_separator)),
        label_separation_(label_separation) {}

 protected:
  double getTickStep(const QCPRange& range) override;
  QString getTickLabel(double tick, const QLocale& locale, QChar format_char,
                       int precision) override;

 private:
  QCPAxis* axis_;
  std::string pattern_;
  char decimal_separator_;
  std::string thousand_separator_;
  int label_separation_;
};

}  // namespace korvan
