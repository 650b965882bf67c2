#include "data/form_series_style.h"

#include "app/form_app.h"

namespace korvan {

TFormSeriesStyle::TFormSeriesStyle(KorvanApp& app) : QDialog(nullptr), app_(app) {
  setWindowTitle(QString::fromUtf8("Styl grafu"));
  resize(400, 300);
}

}  // namespace korvan
