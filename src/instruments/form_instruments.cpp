#include "instruments/form_instruments.h"

#include "app/form_app.h"

namespace korvan {

TFormInstruments::TFormInstruments(KorvanApp& app) : QDialog(nullptr), app_(app) {
  setWindowTitle(QString::fromUtf8("Definice přístrojů"));
  resize(400, 300);
}

}  // namespace korvan
