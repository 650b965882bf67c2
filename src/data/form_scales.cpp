#include "data/form_scales.h"

#include "app/form_app.h"

namespace korvan {

TFormScales::TFormScales(KorvanApp& app) : QDialog(nullptr), app_(app) {
  setWindowTitle(QString::fromUtf8("Měřítka"));
  resize(400, 300);
}

}  // namespace korvan
