#include "widgets/form_drive_chooser.h"

#include <QAbstractItemView>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QKeyEvent>

#include "app/error.h"
#include "platform/paths.h"
#include "widgets/form_qt_text.h"

namespace korvan {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Normalized(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

DriveComboBox::DriveComboBox(const std::vector<Drive>& drives, char current_letter, QWidget* parent)
    : QComboBox(parent) {
  setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  setMinimumContentsLength(12);
  SetDrives(drives);
  SetDrive(current_letter);
  connect(this, &QComboBox::activated, this, [this](int index) {
    if (index < 0 || index >= static_cast<int>(drives_.size())) return;
    letter_ = drives_[static_cast<size_t>(index)].letter;
    emit DriveChanged(letter_);
  });
}

void DriveComboBox::SetDrive(char letter) {
  letter_ = Lower(letter);
  for (size_t i = 0; i < drives_.size(); ++i) {
    if (drives_[i].letter == letter_) {
      setCurrentIndex(static_cast<int>(i));
      return;
    }
  }
}

void DriveComboBox::SetDrives(const std::vector<Drive>& drives) {
  const char shown = ShownLetter();
  drives_ = drives;
  clear();
  for (const auto& drive : drives_) {
    addItem(QString(QChar(drive.letter)) + ": " + Q(drive.root), Q(drive.root));
  }
  setCurrentIndex(-1);
  const char remembered = letter_;
  if (shown != 0) SetDrive(shown);
  if (remembered != 0) SetDrive(remembered);
  letter_ = remembered;
}

char DriveComboBox::ShownLetter() const {
  QString text = currentText();
  return text.isEmpty() ? 0 : static_cast<char>(text.at(0).toLatin1());
}

std::string DriveComboBox::ShownRoot() const {
  int index = currentIndex();
  if (index < 0 || index >= static_cast<int>(drives_.size())) return "";
  return drives_[static_cast<size_t>(index)].root;
}

void DriveComboBox::showPopup() {
  view()->setMinimumWidth(view()->sizeHintForColumn(0) + 2 * view()->frameWidth());
  QComboBox::showPopup();
}

void DriveComboBox::keyPressEvent(QKeyEvent* event) {
  if (drop_down_on_typing_ && !event->text().isEmpty() && event->text().at(0).isLetter()) {
    showPopup();
  }
  QComboBox::keyPressEvent(event);
}

DirectoryListBox::DirectoryListBox(QWidget* parent)
    : QTreeView(parent), model_(new QFileSystemModel(this)) {
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
  model_->setReadOnly(true);
  setModel(model_);
  for (int column = 1; column < model_->columnCount(); ++column) hideColumn(column);
  header()->hide();
  setUniformRowHeights(true);
  // The highlighted folder is the current one, however it was reached (a click, the keys).
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& index) {
            if (index.isValid()) directory_ = Normalized(S(model_->filePath(index)));
          });
  SetDriveRoot("/");
}

void DirectoryListBox::SetDriveRoot(const std::string& root) {
  root_ = Normalized(root.empty() ? std::string("/") : root);
  QModelIndex index = model_->setRootPath(Q(root_));
  setRootIndex(index);
  directory_ = root_;
  clearSelection();
}

void DirectoryListBox::CheckDirectory(const std::string& path) {
  if (!path.empty() && !DirectoryExists(Normalized(path))) {
    throw Error("Adresář '" + path + "' nelze otevřít.");
  }
}

void DirectoryListBox::SetDirectory(const std::string& path) {
  if (path.empty()) return;
  CheckDirectory(path);
  std::string target = Normalized(path);
  directory_ = target;
  QModelIndex index = model_->index(Q(target));
  if (index.isValid()) {
    setCurrentIndex(index);
    scrollTo(index);
  }
}

std::string DirectoryListBox::Directory() const { return directory_; }

}  // namespace korvan
