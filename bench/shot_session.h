#pragma once
// The program with its windows over fresh folders, for the picture and timing programs.

#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <memory>
#include <string>
#include <vector>

#include "graph/form_graph.h"
#include "platform/drives.h"
#include "shell/form_setup.h"
#include "shell/form_windows.h"
#include "support/card_builder.h"
#include "support/qt/fake_window_dialogs.h"
#include "support/temp_dir.h"
#include "widgets/form_drive_chooser.h"

namespace korvan {

// The application with its nine windows over a fresh folder, as the window tests have it.
class Session {
 public:
  Session() {
    paths_.program_dir = dir_.path() + "/";
    paths_.settings_file = dir_.File("korvan-a.ini");
    paths_.quantity_dir = dir_.File("Instrument/");
    mkdir(paths_.quantity_dir.c_str(), 0755);
    app_ = std::make_unique<KorvanApp>(dialogs_, dialogs_, paths_, ',',
                                       std::vector<Drive>{{'c', "", "/", ""}});
    app_->CreateWindows();
  }
  ~Session() {
    if (app_->Graph()) delete app_->Graph();
    app_.reset();
    QApplication::processEvents();
  }

  KorvanApp& app() { return *app_; }
  testing::FakeWindowDialogs& dialogs() { return dialogs_; }
  std::string QuantityFile(const std::string& name) const { return paths_.quantity_dir + name; }

  // The graph window over a card folder of its own.
  TFormGraph& OpenGraph(const testing::CardBuilder& card) {
    card.WriteAll(data_.path());
    app_->Setup()->CheckBoxAlt->setChecked(true);
    app_->Setup()->DirectoryListBoxAlt->SetDirectory(data_.path());
    app_->CreateGraphWindow();
    return *app_->Graph();
  }
  // The graph window over a folder as the alternative data location.
  TFormGraph& OpenGraphIn(const std::string& folder) {
    if (app_->Graph()) delete app_->Graph();
    app_->Setup()->CheckBoxAlt->setChecked(true);
    app_->Setup()->DirectoryListBoxAlt->SetDirectory(folder);
    app_->CreateGraphWindow();
    return *app_->Graph();
  }
  std::string QuantityDir() const { return paths_.quantity_dir; }
  // The folder that OpenGraph writes its card into.
  const std::string& data() const { return data_.path(); }

 private:
  testing::TempDir dir_;
  testing::TempDir data_;
  testing::FakeWindowDialogs dialogs_;
  ProgramPaths paths_;
  std::unique_ptr<KorvanApp> app_;
};

}  // namespace korvan
