#pragma once

#include <QApplication>
#include <string>

class QTranslator;

namespace korvan {

class UserDialogs;

// The Qt application: its event dispatch is the one place where an error that escapes an
// event handler is shown to the user; the handler has stopped, the program goes on.
class KorvanApplication : public QApplication {
 public:
  KorvanApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;

  // Where errors are shown; the default shows a message box with the error's text.
  void SetErrorDialogs(UserDialogs* dialogs) { error_dialogs_ = dialogs; }

 private:
  UserDialogs* error_dialogs_ = nullptr;
  QTranslator* translator_ = nullptr;
};

// Shows an error's text the way uncaught errors are shown (message box "Chyba").
void ShowStandardError(UserDialogs* dialogs, const std::string& text);

// The system's decimal separator as the window system reports it.
char QtDecimalSeparator();

// The whole program: start-up, the command-line settings file, the message loop.
int RunKorvanA(int argc, char** argv);

}  // namespace korvan
