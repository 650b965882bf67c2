#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/card_preparation.h"
#include "support/fake_card_system.h"
#include "support/fake_dialogs.h"
#include "support/fat_image.h"
#include "support/mock_udisks.h"
#include "support/temp_dir.h"

namespace korvan {
namespace {

using testing::FakeDialogs;
using testing::FakeProcessRunner;
using testing::FatImage;
using testing::ImageExtentQuery;
using testing::MockUDisks;
using testing::TempDir;

// A card whose device the user may not read: UDisks2 (a mock on a private bus) opens it, or
// refuses; the disk check, which would need the device too, is skipped either way.
TEST(CardPreparationThroughUDisks, TheGrantedDeviceDecidesTheMessageAndARefusalAsksToDefragment) {
  if (!FatImage::ToolsPresent()) GTEST_SKIP() << "dosfstools or mtools is not installed";
  TempDir image_dir;
  FatImage image(image_dir, 12);
  image.Copy("LOG.BIN", std::string(1 << 20, '\xFF'));  // as preparation writes 1 MB
  const char* kDevice = "/dev/sdz9";                    // not this machine's: not readable here
  struct Case {
    std::string refusal;
    const char* done;
    int opened;
  };
  const Case cases[] = {
      {"", kCardDone, 1},
      {"org.freedesktop.UDisks2.Error.NotAuthorized", kCardDoneDefragment, 0},
  };
  RecordingConfig config;
  config.lines = {{"Elektroměr", "Teplota", "1", "01h", "R", "0010h", "F4", "1", "0", "100", ""}};
  const InstrumentList instruments{{{"01h", "Elektroměr", "elektro.csv"}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.refusal);
    MockUDisks udisks({{kDevice, image.path(), c.refusal, ""}});
    if (!udisks.failure().empty()) GTEST_SKIP() << udisks.failure();
    TempDir card;
    FakeDialogs dialogs;
    DataLocation location;
    location.card_letter = 'e';
    location.card_root = card.path();
    FakeProcessRunner processes;
    ImageExtentQuery extents(kDevice, "LOG.BIN", true);
    const CardSystem system{&processes, &extents, {{'e', "KARTA", card.path(), kDevice}}};
    struct : CardProgress {
      void SetMaximum(int64_t) override {}
      void SetPosition(int64_t) override {}
    } progress;
    ASSERT_TRUE(PrepareCard({config, instruments, location, ',', dialogs}, progress, system));
    EXPECT_EQ(dialogs.Texts("done"), std::vector<std::string>{c.done});
    EXPECT_EQ(udisks.opened(), c.opened);
    EXPECT_TRUE(processes.runs.empty());
  }
}

}  // namespace
}  // namespace korvan
