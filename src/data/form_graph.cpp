#include "data/form_graph.h"

#include <QCloseEvent>

#include "app/form_app.h"

namespace korvan {

TFormGraph::TFormGraph(KorvanApp& app) : QWidget(nullptr), app_(app) {
  setWindowTitle(QString::fromUtf8("Naměřená data"));
  resize(400, 300);
  show();
}

TFormGraph::~TFormGraph() { app_.GraphWindowGone(this); }

void TFormGraph::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  app_.GraphWindowGone(this);
  deleteLater();
}

}  // namespace korvan
