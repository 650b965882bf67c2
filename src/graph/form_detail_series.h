#pragma once
// The chart's series of a channel, filled just before each drawing with what that drawing's
// pixels need (the level of detail of the line), so that the chart holds no copy of the
// samples and a drawing at any size or resolution gets its own points.
#include <qcustomplot.h>

#include <functional>
#include <utility>

namespace korvan {

// A line, stairs or point marks. The line goes through the chart's own reduction of the points
// it is given; the marks are drawn as given.
class DetailGraph : public QCPGraph {
 public:
  using Fill = std::function<void(DetailGraph&)>;
  DetailGraph(QCPAxis* keys, QCPAxis* values, Fill fill)
      : QCPGraph(keys, values), fill_(std::move(fill)) {
    setAdaptiveSampling(true);
  }
  QVector<QCPGraphData>& Marks() { return marks_; }

 protected:
  void draw(QCPPainter* painter) override {
    fill_(*this);
    QCPGraph::draw(painter);
  }
  void getOptimizedScatterData(QVector<QCPGraphData>* marks, QCPGraphDataContainer::const_iterator,
                               QCPGraphDataContainer::const_iterator) const override {
    *marks = marks_;
  }

 private:
  Fill fill_;
  QVector<QCPGraphData> marks_;
};

class DetailBars : public QCPBars {
 public:
  using Fill = std::function<void(DetailBars&)>;
  DetailBars(QCPAxis* keys, QCPAxis* values, Fill fill)
      : QCPBars(keys, values), fill_(std::move(fill)) {
    setWidthType(QCPBars::wtAbsolute);
    setWidth(1);
  }

 protected:
  void draw(QCPPainter* painter) override {
    fill_(*this);
    QCPBars::draw(painter);
  }

 private:
  Fill fill_;
};

}  // namespace korvan
