#include "shell/form_app.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTimer>
#include <QTranslator>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>

#include "app/constants.h"
#include "app/error.h"
#include "app/program_settings.h"
#include "app/user_dialogs.h"
#include "config/form_format.h"
#include "export/form_export_filter.h"
#include "graph/form_graph.h"
#include "graph/form_scales.h"
#include "graph/form_series_style.h"
#include "instruments/form_instruments.h"
#include "instruments/form_velic.h"
#include "instruments/quantity_file.h"
#include "platform/paths.h"
#include "shell/command_line.h"
#include "shell/form_about.h"
#include "shell/form_main_menu.h"
#include "shell/form_setup.h"
#include "shell/form_windows.h"
#include "widgets/form_qt_dialogs.h"
#include "widgets/form_qt_text.h"

namespace korvan {

namespace {

// The menu entry's name without ".desktop" (desktop/CMakeLists.txt installs it so).
constexpr const char* kDesktopFileName = "example.korvan_a.KorvanA";

}  // namespace

KorvanApplication::KorvanApplication(int& argc, char** argv) : QApplication(argc, argv) {
  // The program speaks Czech whatever the locale, and so must the toolkit's own dialogs
  // (open and save, colour, print, the message box buttons).
  translator_ = new QTranslator(this);
  if (translator_->load(QLocale(QLocale::Czech), "qtbase", "_",
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    installTranslator(translator_);
  }
}

namespace {

// The events through which the user starts a handler.
bool IsUserAction(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool KorvanApplication::notify(QObject* receiver, QEvent* event) {
  // What the handler shows (its error included) opens over the window the user acted in.
  std::optional<DialogOwnerScope> owner;
  if (receiver->isWidgetType() && IsUserAction(event->type())) {
    owner.emplace(static_cast<QWidget*>(receiver)->window());
  }
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    ShowStandardError(error_dialogs_, e.what());
  } catch (...) {
    ShowStandardError(error_dialogs_, "Neznámá chyba.");
  }
  return false;
}

void ShowStandardError(UserDialogs* dialogs, const std::string& text) {
  if (dialogs != nullptr) {
    dialogs->ShowError(text);
    return;
  }
  QMessageBox box(QMessageBox::Critical, Q("Chyba"), Q(text), QMessageBox::Ok, DialogOwner());
  box.exec();
}

char QtDecimalSeparator() {
  QString point = QLocale::system().decimalPoint();
  return point == "," ? ',' : '.';
}

int RunKorvanA(int argc, char** argv) {
  // Before the toolkit, which would want a display for printing a text.
  if (auto text = InformationText({argv + std::min(argc, 1), argv + argc})) {
    std::fputs(text->c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  // Step 1: the folder the program was started in, for a relative settings-file name.
  std::string start_dir = CurrentDirectory();
  KorvanApplication application(argc, argv);
  // No display name: the toolkit would append it to every window title, and the titles are
  // the program's own texts.
  application.setApplicationName(kAppName);
  // Desktops match the windows to the menu entry (its icon and name) by this.
  application.setDesktopFileName(kDesktopFileName);
  application.setQuitOnLastWindowClosed(false);

  QtUserDialogs dialogs;
  application.SetErrorDialogs(&dialogs);
  ProgramPaths paths = DefaultProgramPaths();
  dialogs.SetChooserFolders(
      {[file = paths.settings_file](const std::string& title) {
         try {
           return ReadChooserFolder(file, title);
         } catch (const Error&) {
           return std::string();  // a damaged file is told where the settings are read
         }
       },
       [file = paths.settings_file, &dialogs](const std::string& title, const std::string& folder) {
         try {
           WriteChooserFolder(file, title, folder);
         } catch (const Error& e) {
           dialogs.ShowError(e.what());
         }
       }});
  // Before the windows, so that a settings file given on the first start finds them; a file
  // that cannot be copied is told and the program goes on without it.
  try {
    CopyShippedQuantityFiles(paths);
  } catch (const std::exception& e) {
    dialogs.ShowError(e.what());
  }
  std::unique_ptr<KorvanApp> app;
  try {
    app = std::make_unique<KorvanApp>(dialogs, dialogs, std::move(paths), QtDecimalSeparator(),
                                      ListDrives());
    app->SetDriveSource(ListDrives);
    app->CreateWindows();
    application.setWindowIcon(app->MainMenu()->windowIcon());
  } catch (const std::exception& e) {
    dialogs.ShowError(e.what());
    return 1;
  }
  // The rest of the command line is one settings file; the shell already split it.
  const std::string argument = SettingsFileArgument({argv + std::min(argc, 1), argv + argc});
  if (!argument.empty()) {
    // By the time an error comes (an instrument's quantity file that is not on this
    // computer) the configuration is loaded; ending the program would only lock the user out.
    try {
      app->Format()->LoadSettingsFile(CommandLinePath(argument, start_dir));
    } catch (const std::exception& e) {
      dialogs.ShowError(e.what());
    }
  }
  app->MainMenu()->show();
  int code = application.exec();
  app.reset();
  return code;
}

}  // namespace korvan
