// Writes a large card folder (CONFIG.INI, CONFIG.BIN, LOG.BIN) for timing korvan-cli from
// outside (never committed, put in /tmp):
//   bench_card FOLDER MEGABYTES LINES in-order|paused|jitter
// Every block holds all lines at one block per second, with a millisecond word. "paused"
// records in runs of an hour that the logger's clock stamped out of order (a pause, then a
// clock set back), so that every line needs time ordering. "jitter" stamps the blocks with
// milliseconds that wander and leaves a second out now and then (a clock that keeps no step).

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/cp1250.h"
#include "app/date_time.h"
#include "app/encodings.h"
#include "config/config_image.h"
#include "config/recording_config.h"
#include "data/log_writer.h"
#include "platform/files.h"

namespace korvan {
namespace {

uint32_t StampAt(double base, uint64_t second) {
  const uint64_t s = second % kSecondsPerDay;
  return PackStamp(base + static_cast<double>(second / kSecondsPerDay),
                   EncodeTime(int(s / 3600), int(s / 60 % 60), int(s % 60), 0));
}

std::string ConfigIni(int lines) {
  std::string text =
      "[Application]\r\nName=Korvan-A\r\nVersion=1.20\r\n[Param]\r\nJobName=bench\r\n";
  for (int n = 1; n <= 4; ++n) text += "SavePeriod" + std::to_string(n) + "=1\r\n";
  text += "Measure=" + std::to_string(lines) + "\r\n[Measure]\r\n";
  for (int i = 0; i < lines; ++i) {
    std::string number = std::to_string(i + 1);
    if (number.size() < 2) number.insert(0, "0");
    text += "Line" + number + "=K" + number + ";teplota;1;01h;R;0010h;U4;1;0;0;0\r\n";
  }
  return text;
}

// The same lines as the logger's image, so that a copy of the folder finds CONFIG.BIN.
std::string ConfigBin(int lines) {
  RecordingConfig config;
  config.job_name = "bench";
  config.intervals = {"1", "1", "1", "1"};
  for (int i = 0; i < lines; ++i) {
    std::string number = std::to_string(i + 1);
    if (number.size() < 2) number.insert(0, "0");
    config.lines.push_back(
        {"K" + number, "teplota", "1", "01h", "R", "0010h", "U4", "1", "0", "0", "0"});
  }
  return BuildConfigImage(config, ',');
}

bool Write(const std::string& path, const std::string& bytes) {
  AtomicWriter writer(path, Durability::kRenameOnly);
  if (writer.Write(bytes) && writer.Commit()) return true;
  std::fprintf(stderr, "%s: %s\n", path.c_str(), writer.reason().c_str());
  return false;
}

int Run(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: bench_card FOLDER MEGABYTES LINES in-order|paused|jitter\n");
    return 2;
  }
  const std::string dir = argv[1];
  const uint64_t bytes = std::strtoull(argv[2], nullptr, 10) << 20;
  const int lines = std::atoi(argv[3]);
  const bool paused = std::string(argv[4]) == "paused";
  const bool jitter = std::string(argv[4]) == "jitter";
  if (lines < 1 || lines > 50 || bytes == 0) return 2;

  const double base = EncodeDate(2020, 1, 1);
  const uint64_t block = 4 + 4 + 2 + 6 * static_cast<uint64_t>(lines);
  const uint64_t blocks = bytes / block;
  constexpr uint64_t kRun = 3600;
  const uint64_t runs = (blocks + kRun - 1) / kRun;
  std::vector<LogEntry> entries(lines);
  std::string log;
  log.reserve(bytes);
  for (uint64_t b = 0; b < blocks; ++b) {
    uint64_t second = b;
    if (paused) {
      // Runs in a scrambled order, each an hour plus a pause of ten minutes.
      const uint64_t run = (b / kRun * 7919) % runs;
      second = run * (kRun + 600) + b % kRun;
    }
    uint16_t milliseconds = uint16_t(b % 1000);
    if (jitter) {
      const uint64_t hash = (b * 2654435761u) >> 9;
      second = b + b / 97;
      milliseconds = uint16_t(hash % 1000);
    }
    for (int i = 0; i < lines; ++i) entries[i] = {uint16_t(i), uint32_t(b * 7 + i)};
    AppendLogBlock(log, StampAt(base, second), MillisecondWord(milliseconds), entries);
  }
  log.resize(bytes, '\xFF');
  return Write(dir + "/CONFIG.INI", Utf8ToCp1250(ConfigIni(lines))) &&
                 Write(dir + "/CONFIG.BIN", ConfigBin(lines)) && Write(dir + "/LOG.BIN", log)
             ? 0
             : 1;
}

}  // namespace
}  // namespace korvan

int main(int argc, char** argv) { return korvan::Run(argc, argv); }
