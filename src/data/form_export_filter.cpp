#include "data/form_export_filter.h"

#include "shell/form_app.h"

namespace korvan {

TFormExportFilter::TFormExportFilter(KorvanApp& app) : QDialog(nullptr), app_(app) {
  setWindowTitle(QString::fromUtf8("Filtr exportu"));
  resize(400, 300);
}

}  // namespace korvan
