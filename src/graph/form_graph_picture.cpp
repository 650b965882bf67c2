// The chart as a picture: saved as PNG, JPEG or PDF, or copied to the clipboard, with the
// printout's legend and foot line.
#include <qcustomplot.h>

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QPdfWriter>
#include <algorithm>
#include <cctype>

#include "app/constants.h"
#include "app/scope_exit.h"
#include "app/user_dialogs.h"
#include "graph/form_graph.h"
#include "graph/form_graph_readout.h"
#include "platform/files.h"
#include "widgets/form_qt_text.h"
#include "widgets/form_registry.h"

namespace korvan {

namespace {

enum class PictureKind { kNone, kPng, kJpeg, kPdf };

PictureKind KindOfName(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) {
    return PictureKind::kNone;
  }
  std::string extension = path.substr(dot + 1);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (extension == "png") return PictureKind::kPng;
  if (extension == "jpg" || extension == "jpeg") return PictureKind::kJpeg;
  if (extension == "pdf") return PictureKind::kPdf;
  return PictureKind::kNone;
}

constexpr const char* kPictureKindRefused =
    "Obrázek lze uložit jako PNG, JPEG nebo PDF: zvolte soubor s příponou .png, .jpg nebo .pdf.";

}  // namespace

void TFormGraph::ChartContextMenu(const QPoint& position) {
  QMenu menu(this);
  QAction* save = menu.addAction(Q("Uložit obrázek…"));
  QAction* copy = menu.addAction(Q("Kopírovat obrázek"));
  QAction* chosen = menu.exec(Chart1->mapToGlobal(position));
  if (chosen == save) SavePictureClick();
  if (chosen == copy) CopyPictureClick();
}

void TFormGraph::SavePictureClick() {
  FileDialogOptions options;
  options.title = "Uložit obrázek";
  options.filter =
      "Obrázek PNG [*.png]|*.png|Obrázek JPEG [*.jpg]|*.jpg;*.jpeg|Dokument PDF [*.pdf]|*.pdf";
  options.default_extension = "png";
  options.overwrite_prompt = true;
  const std::optional<std::string> name = app_.Dialogs().SaveFileName(options);
  if (name) SavePicture(*name);
}

void TFormGraph::CopyPictureClick() {
  QGuiApplication::clipboard()->setImage(Picture(Chart1->devicePixelRatioF()));
}

// Drawn as the printout draws it: the legend of the drawn channels and the foot line are in
// place while the chart renders, the read-out cursor is not.
template <typename Draw>
void TFormGraph::WithPrintExtras(const Draw& draw) {
  if (readout_) readout_->Hide();
  PrepareLegend();
  AttachPrintExtras();
  const ScopeExit detach([this] { DetachPrintExtras(); });
  draw();
}

QImage TFormGraph::Picture(double scale) {
  QImage image;
  WithPrintExtras(
      [&] { image = Chart1->toPixmap(Chart1->width(), Chart1->height(), scale).toImage(); });
  return image;
}

QByteArray TFormGraph::PdfPicture() {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  const int width = Chart1->width();
  const int height = Chart1->height();
  WithPrintExtras([&] {
    QPdfWriter writer(&buffer);
    writer.setCreator(QString("%1 v%2").arg(kAppName, kAppVersion));
    // A page of the widget's size, 96 pixels to the inch.
    writer.setPageSize(QPageSize(QSizeF(width * 72.0 / 96.0, height * 72.0 / 96.0),
                                 QPageSize::Point, QString(), QPageSize::ExactMatch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QCPPainter painter;
    if (!painter.begin(&writer)) return;
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    painter.scale(writer.width() / static_cast<double>(width),
                  writer.height() / static_cast<double>(height));
    Chart1->toPainter(&painter, width, height);
    painter.end();
  });
  return bytes;
}

bool TFormGraph::SavePicture(const std::string& path) {
  const PictureKind kind = KindOfName(path);
  if (kind == PictureKind::kNone) {
    app_.Dialogs().ShowError(kPictureKindRefused);
    return false;
  }
  QByteArray bytes;
  if (kind == PictureKind::kPdf) {
    bytes = PdfPicture();
  } else {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    Picture(Chart1->devicePixelRatioF())
        .save(&buffer, kind == PictureKind::kPng ? "PNG" : "JPEG",
              kind == PictureKind::kJpeg ? 92 : -1);
  }
  std::string reason;
  if (bytes.isEmpty() ||
      !WriteFileAtomically(path, std::string_view(bytes.constData(), bytes.size()), &reason)) {
    app_.Dialogs().ShowError("Obrázek nelze uložit do souboru " + path + ". " + reason);
    return false;
  }
  return true;
}

}  // namespace korvan
