#include "instruments/form_velic.h"

#include "app/form_app.h"

namespace korvan {

TFormVelic::TFormVelic(KorvanApp& app) : QDialog(nullptr), app_(app) {
  setWindowTitle(QString::fromUtf8("Editor veličin"));
  resize(400, 300);
}

}  // namespace korvan
