#pragma once

#include <QComboBox>
#include <QTreeView>
#include <string>
#include <vector>

#include "platform/drives.h"

class QFileSystemModel;

namespace korvan {

// The drive chooser: lists drives with the folder each stands for ("e: /media/tech/KARTA"),
// remembers a letter of its own and shows that drive's item only when the drive is in the list.
class DriveComboBox : public QComboBox {
  Q_OBJECT
 public:
  DriveComboBox(const std::vector<Drive>& drives, char current_letter, QWidget* parent = nullptr);

  void SetDrive(char letter);
  // The drives looked up again: the remembered letter's drive is shown once it is there,
  // otherwise the item shown before stays while its drive does.
  void SetDrives(const std::vector<Drive>& drives);
  char DriveLetter() const { return letter_; }
  // The letter and root of the item shown (0 and "" when none is shown).
  char ShownLetter() const;
  std::string ShownRoot() const;
  // Drops the list down when the user types, as the alternative chooser does.
  void SetDropDownOnTyping(bool on) { drop_down_on_typing_ = on; }

 signals:
  void DriveChanged(char letter);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  // The list is as wide as its longest folder; the box keeps the window's width.
  void showPopup() override;

 private:
  std::vector<Drive> drives_;
  char letter_ = 0;
  bool drop_down_on_typing_ = false;
};

// The directory chooser: a folder tree of one drive with a current directory.
class DirectoryListBox : public QTreeView {
  Q_OBJECT
 public:
  explicit DirectoryListBox(QWidget* parent = nullptr);

  // Shows the folders of the drive whose root is root and makes root current.
  void SetDriveRoot(const std::string& root);
  // Throws Error when the folder cannot be entered.
  void SetDirectory(const std::string& path);
  static void CheckDirectory(const std::string& path);
  // A full path without a trailing "/", except "/" itself.
  std::string Directory() const;

 private:
  QFileSystemModel* model_;
  std::string root_ = "/";
  std::string directory_ = "/";
};

}  // namespace korvan
