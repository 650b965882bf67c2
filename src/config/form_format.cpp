#include "config/form_format.h"

#include "app/form_app.h"

namespace korvan {

TFormFormat::TFormFormat(KorvanApp& app) : QWidget(nullptr), app_(app) {
  setWindowTitle(QString::fromUtf8("Parametry záznamu"));
  resize(400, 300);
}

bool TFormFormat::LoadSettingsFile(const std::string&) { return false; }

void TFormFormat::RebuildInstrumentChoice() {}

}  // namespace korvan
