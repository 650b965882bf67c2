#pragma once

#include <QWidget>

#include <string>

namespace korvan {

class KorvanApp;

// Empty frame with its caption; its issue fills it.
class TFormFormat : public QWidget {
  Q_OBJECT
 public:
  explicit TFormFormat(KorvanApp& app);

  // Loads a settings file into the window and the instrument list; false when the file
  // is not one of ours. Filled by the recording-configuration work.
  bool LoadSettingsFile(const std::string& path);
  // Rebuilds the instrument choice from the instrument list.
  void RebuildInstrumentChoice();

 private:
  KorvanApp& app_;
};

}  // namespace korvan
