#include "instruments/form_velic.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

#include "app/error.h"
#include "app/scope_exit.h"
#include "widgets/form_qt_text.h"
#include "widgets/form_registry.h"

namespace korvan {

namespace {

// A field can hold neither ";" nor a line end: the file format has no way to write them, and
// one typed in would shift every later field of the row when the file is read again.
std::string FieldText(const QString& text) {
  std::string field = S(text);
  std::erase_if(field, [](char c) { return c == ';' || c == '\r' || c == '\n'; });
  return field;
}

}  // namespace

// Column 0 is the fixed row-number column, columns 1..8 the fields of table rows 1..999.
class QuantityTableModel : public QAbstractTableModel {
 public:
  QuantityTableModel(QuantityTable& table, QObject* parent)
      : QAbstractTableModel(parent), table_(table) {}

  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : kQuantityRows;
  }
  int columnCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : kQuantityFields + 1;
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid()) return {};
    const int column = index.column();
    if (column == 0) {
      if (role == Qt::DisplayRole) return index.row() + 1;
      if (role == Qt::BackgroundRole) return QApplication::palette().button();
      if (role == Qt::ForegroundRole) return QApplication::palette().buttonText();
      if (role == Qt::TextAlignmentRole) return int(Qt::AlignRight | Qt::AlignVCenter);
      return {};
    }
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
      return Q(table_.rows[index.row()][column - 1]);
    }
    return {};
  }

  bool setData(const QModelIndex& index, const QVariant& value, int role) override {
    if (!index.isValid() || index.column() == 0 || role != Qt::EditRole) return false;
    std::string& cell = table_.rows[index.row()][index.column() - 1];
    std::string text = FieldText(value.toString());
    if (cell == text) return true;
    cell = std::move(text);
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
  }

  Qt::ItemFlags flags(const QModelIndex& index) const override {
    // The row numbers are neither selectable nor editable, and Tab passes them by.
    if (!index.isValid() || index.column() == 0) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
  }

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    if (section == 0) return Q(kRowNumberHeader);
    return Q(kQuantityHeaders[section - 1]);
  }

  void Reset(const std::function<void()>& change) {
    beginResetModel();
    const ScopeExit end([this] { endResetModel(); });
    change();
  }

 private:
  QuantityTable& table_;
};

namespace {

// Every keystroke reaches the table at once, so a save by accelerator key never misses the
// text still in the cell editor.
class LiveCellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                        const QModelIndex&) const override {
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    editor->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[^;\\r\\n]*"), editor));
    auto* self = const_cast<LiveCellDelegate*>(this);
    connect(editor, &QLineEdit::textEdited, self,
            [self, editor] { emit self->commitData(editor); });
    return editor;
  }
};

}  // namespace

TFormVelic::TFormVelic(FormRegistry& app) : QDialog(nullptr), app_(app) {
  setWindowTitle(Q(QuantityEditorCaption("")));
  setWindowFlag(Qt::WindowMaximizeButtonHint, true);
  setSizeGripEnabled(true);
  resize(749, 633);

  model_ = new QuantityTableModel(table_, this);
  StringGridVelic = new QTableView(this);
  StringGridVelic->setModel(model_);
  StringGridVelic->setItemDelegate(new LiveCellDelegate(StringGridVelic));
  StringGridVelic->verticalHeader()->hide();
  StringGridVelic->verticalHeader()->setMinimumSectionSize(12);
  StringGridVelic->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  StringGridVelic->verticalHeader()->setDefaultSectionSize(
      std::max(16, StringGridVelic->fontMetrics().height() + 3));
  StringGridVelic->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  StringGridVelic->horizontalHeader()->setHighlightSections(false);
  StringGridVelic->horizontalHeader()->setDefaultSectionSize(60);
  StringGridVelic->setColumnWidth(1 + kFieldDescription, 221);
  StringGridVelic->setEditTriggers(QAbstractItemView::AllEditTriggers);
  StringGridVelic->setSelectionMode(QAbstractItemView::SingleSelection);
  StringGridVelic->setSelectionBehavior(QAbstractItemView::SelectItems);
  StringGridVelic->setTabKeyNavigation(true);
  StringGridVelic->setWordWrap(false);
  StringGridVelic->setCurrentIndex(model_->index(0, 1));

  ButtonLoad = new QPushButton(Q("&Otevři"), this);
  ButtonSave = new QPushButton(Q("&Ulož"), this);
  ButtonSaveAs = new QPushButton(Q("&Ulož jako"), this);
  Button1 = new QPushButton(Q("&Prázdný"), this);
  ButtonKonec = new QPushButton(Q("&Konec"), this);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {ButtonLoad, ButtonSave, ButtonSaveAs, Button1, ButtonKonec}) {
    // Enter belongs to the cell editor, never to a button.
    button->setAutoDefault(false);
    button->setMinimumWidth(80);
    if (button == ButtonKonec) buttons->addStretch(1);
    buttons->addWidget(button);
  }
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 6);
  layout->setSpacing(6);
  layout->addWidget(StringGridVelic, 1);
  layout->addLayout(buttons);

  OpenDialogVelic.default_extension = "csv";
  OpenDialogVelic.file_name = "*.csv";
  OpenDialogVelic.filter = "Formátovaný text       *.csv|*.csv|Vše       *.*|*.*";
  OpenDialogVelic.file_must_exist = true;
  OpenDialogVelic.initial_dir = app_.Paths().quantity_dir;
  SaveDialogVelic.default_extension = "csv";
  SaveDialogVelic.file_name = "*.csv";
  SaveDialogVelic.filter = "Formátovaný text       [*.csv]|*.csv|Vše       [*.*]|*.*";
  SaveDialogVelic.overwrite_prompt = true;
  SaveDialogVelic.initial_dir = app_.Paths().quantity_dir;

  connect(ButtonLoad, &QPushButton::clicked, this, &TFormVelic::ButtonLoadClick);
  connect(ButtonSave, &QPushButton::clicked, this, &TFormVelic::ButtonSaveClick);
  connect(ButtonSaveAs, &QPushButton::clicked, this, &TFormVelic::ButtonSaveAsClick);
  connect(Button1, &QPushButton::clicked, this, &TFormVelic::ButtonEmptyClick);
  connect(ButtonKonec, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormVelic::LoadQuantityFile(const std::string& name) {
  model_->Reset(
      [&] { korvan::LoadQuantityFile(table_, name, app_.Paths().quantity_dir, app_.Drives()); });
  setWindowTitle(Q(QuantityEditorCaption(table_.file_name)));
}

bool TFormVelic::SaveQuantityFile() {
  try {
    korvan::SaveQuantityFile(table_);
  } catch (const Error& e) {
    app_.Dialogs().ShowError(e.what());
    return false;
  }
  setWindowTitle(Q(QuantityEditorCaption(table_.file_name)));
  return true;
}

void TFormVelic::SetCell(int row, int column, const std::string& text) {
  model_->setData(model_->index(row - 1, column), Q(text), Qt::EditRole);
}

void TFormVelic::ButtonLoadClick() {
  auto chosen = app_.Dialogs().OpenFileName(OpenDialogVelic);
  if (!chosen) return;
  LoadQuantityFile(*chosen);
}

void TFormVelic::ButtonSaveClick() {
  if (table_.file_name.empty()) {
    ButtonSaveAsClick();
    return;
  }
  SaveQuantityFile();
}

void TFormVelic::ButtonSaveAsClick() {
  SaveDialogVelic.initial_dir = app_.Paths().program_dir;
  SaveDialogVelic.file_name = table_.file_name;
  auto chosen = app_.Dialogs().SaveFileName(SaveDialogVelic);
  if (!chosen) return;
  table_.file_name = *chosen;
  SaveQuantityFile();
}

void TFormVelic::ButtonEmptyClick() {
  if (app_.Dialogs().Confirm("Opravdu chcete data smazat ?")) {
    model_->Reset([&] { table_.Clear(); });
  }
  table_.file_name.clear();
  setWindowTitle(Q(QuantityEditorCaption("")));
}

}  // namespace korvan
