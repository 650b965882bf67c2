#pragma once

#include <sys/types.h>
#include <systemd/sd-bus.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_extents.h"
#include "support/temp_dir.h"

namespace korvan::testing {

// A block device of the mock: OpenDevice("r") hands out a read-only descriptor of image, or
// answers with the error refusal when one is named.
struct MockBlock {
  std::string device;  // its Device property, /dev/sdz9
  std::string image;
  std::string refusal;  // org.freedesktop.UDisks2.Error.NotAuthorized ...
  std::string object;   // its object path; empty: where UDisks2 puts a device of that name
};

// A private system bus (a dbus-daemon of a configuration of its own) and a small UDisks2 on
// it, served by a thread; DBUS_SYSTEM_BUS_ADDRESS points at it while it lives.
class MockUDisks {
 public:
  explicit MockUDisks(std::vector<MockBlock> blocks);
  ~MockUDisks();
  MockUDisks(const MockUDisks&) = delete;
  MockUDisks& operator=(const MockUDisks&) = delete;

  // Why the bus could not be started (for GTEST_SKIP); empty when it runs.
  const std::string& failure() const { return failure_; }
  // Every question that reached the service: property reads and method calls.
  int calls() const { return calls_; }
  int opened() const { return opened_; }  // descriptors handed out

 private:
  bool StartDaemon();
  bool StartService();
  void Serve();

  static int GetDevice(sd_bus*, const char*, const char*, const char*, sd_bus_message*, void*,
                       sd_bus_error*);
  static int OpenDevice(sd_bus_message*, void*, sd_bus_error*);
  static int GetBlockDevices(sd_bus_message*, void*, sd_bus_error*);

  TempDir dir_;
  std::vector<MockBlock> blocks_;
  std::string failure_;
  std::optional<std::string> old_address_;
  pid_t daemon_ = -1;
  std::string address_;
  sd_bus* bus_ = nullptr;
  std::thread server_;
  std::atomic<bool> stop_{false};
  std::atomic<int> calls_{0};
  std::atomic<int> opened_{0};
};

// The system's ways of asking, with the card's FAT volume given as device (a name that is
// not this machine's) and the file's place on it; forced_unknown makes FIEMAP and FIBMAP
// unable to tell, as on a FAT card without the raw-I/O capability.
class ImageExtentQuery : public SystemExtentQuery {
 public:
  ImageExtentQuery(std::string device, std::string path_inside, bool forced_unknown)
      : device_(std::move(device)),
        path_inside_(std::move(path_inside)),
        forced_unknown_(forced_unknown) {}

  Contiguity ByExtentMap(const std::string& path) override {
    return forced_unknown_ ? Contiguity::kUnknown : SystemExtentQuery::ByExtentMap(path);
  }
  Contiguity ByBlockMap(const std::string& path) override {
    return forced_unknown_ ? Contiguity::kUnknown : SystemExtentQuery::ByBlockMap(path);
  }

 protected:
  // The size is the file's, as the system's answer has it.
  std::optional<FatFileOnDevice> FatDeviceOf(const std::string& path) override;

 private:
  std::string device_;
  std::string path_inside_;
  bool forced_unknown_;
};

}  // namespace korvan::testing
