#pragma once

#include <QWidget>
#include <string>
#include <vector>

class QProgressBar;
class QToolButton;

namespace korvan {

class KorvanApp;

// The control panel: six large buttons between two progress bars.
class TFormMainMenu : public QWidget {
  Q_OBJECT
 public:
  explicit TFormMainMenu(KorvanApp& app);

  void BitBtnInstrClick();
  void BitBtnApplClick();
  void BitBtnMeasuredClick();
  void BitBtnSetupClick();
  void BitBtnAboutClick();
  void BitBtnCloseClick();
  // A card folder dropped on the panel becomes the data location and opens "Naměřená data";
  // several are joined first into a folder the user chooses; anything else is refused with
  // a message.
  void FormDropFiles(const std::vector<std::string>& paths);
  // The first-run check: the settings window, modally, until the user once confirms it.
  void FormShow();

  QProgressBar* ProgressBar2;
  QToolButton* BitBtnInstr;
  QToolButton* BitBtnAppl;
  QToolButton* BitBtnMeasured;
  QToolButton* BitBtnSetup;
  QToolButton* BitBtnAbout;
  QToolButton* BitBtnClose;
  QProgressBar* ProgressBar1;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // The joined folder, or the empty text when the user declined or the join failed (told).
  std::string JoinDroppedFolders(const std::vector<std::string>& paths);

  KorvanApp& app_;
};

}  // namespace korvan
