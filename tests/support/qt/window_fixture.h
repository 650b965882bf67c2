#pragma once

#include <sys/stat.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "platform/paths.h"
#include "shell/form_windows.h"
#include "support/qt/fake_window_dialogs.h"
#include "support/temp_dir.h"

namespace korvan::testing {

// The application with its nine windows over a fresh folder: program files in it, the
// quantity-file directory Instrument/ below it, no drives besides the root. A test that
// records more of the dialogs gives its own FakeWindowDialogs.
template <typename Dialogs = FakeWindowDialogs>
struct BasicWindowFixture {
  // more_drives gives the drives besides the root, given the fresh folder to put them in.
  explicit BasicWindowFixture(
      const std::function<std::vector<Drive>(const TempDir&)>& more_drives = nullptr) {
    paths.program_dir = dir.path() + "/";
    paths.settings_file = dir.File("korvan-a.ini");
    paths.quantity_dir = dir.File("Instrument/");
    MakeFolder(paths.quantity_dir);
    std::vector<Drive> drives{{'c', "", "/", ""}};
    if (more_drives) {
      for (Drive& d : more_drives(dir)) drives.push_back(std::move(d));
    }
    app = std::make_unique<KorvanApp>(dialogs, dialogs, paths, ',', drives);
    app->CreateWindows();
  }
  static void MakeFolder(const std::string& path) { mkdir(path.c_str(), 0755); }

  TempDir dir;
  Dialogs dialogs;
  ProgramPaths paths;
  std::unique_ptr<KorvanApp> app;
};

using WindowFixture = BasicWindowFixture<>;

}  // namespace korvan::testing
