#include "support/mock_udisks.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>

#include "platform/process.h"
#include "platform/udisks.h"

namespace korvan::testing {

namespace {

constexpr const char* kAddressVariable = "DBUS_SYSTEM_BUS_ADDRESS";

const MockBlock* BlockAt(const std::vector<MockBlock>& blocks, const char* path) {
  for (const MockBlock& block : blocks) {
    if (path != nullptr && block.object == path) return &block;
  }
  return nullptr;
}

}  // namespace

MockUDisks::MockUDisks(std::vector<MockBlock> blocks) : blocks_(std::move(blocks)) {
  for (MockBlock& block : blocks_) {
    if (block.object.empty()) block.object = UDisksBlockPath(block.device);
  }
  if (const char* old = getenv(kAddressVariable)) old_address_ = old;
  if (!StartDaemon() || !StartService()) return;
  setenv(kAddressVariable, address_.c_str(), 1);
  server_ = std::thread(&MockUDisks::Serve, this);
}

MockUDisks::~MockUDisks() {
  stop_ = true;
  if (server_.joinable()) server_.join();
  if (bus_ != nullptr) sd_bus_flush_close_unref(bus_);
  if (daemon_ > 0) kill(daemon_, SIGTERM);
  if (old_address_) {
    setenv(kAddressVariable, old_address_->c_str(), 1);
  } else {
    unsetenv(kAddressVariable);
  }
}

bool MockUDisks::StartDaemon() {
  const std::string program = FindProgram("dbus-daemon");
  if (program.empty()) {
    failure_ = "dbus-daemon is not installed (package dbus)";
    return false;
  }
  // Anyone may own any name and call anything: the bus of this test alone.
  const std::string config = dir_.File("bus.conf");
  WriteBytes(config,
             "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
             " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
             "<busconfig>\n"
             "  <listen>unix:path=" +
                 dir_.File("bus") +
                 "</listen>\n"
                 "  <auth>EXTERNAL</auth>\n"
                 "  <policy context=\"default\">\n"
                 "    <allow user=\"*\"/>\n"
                 "    <allow own=\"*\"/>\n"
                 "    <allow send_destination=\"*\"/>\n"
                 "    <allow receive_sender=\"*\"/>\n"
                 "  </policy>\n"
                 "</busconfig>\n");
  // It forks once the bus listens, telling where and its process id; its complaints (it may
  // not raise its descriptor limit) go to a log.
  const std::string log = dir_.File("bus.log");
  FILE* out = popen((program + " --fork --print-address=1 --print-pid=1 --config-file='" + config +
                     "' 2>'" + log + "'")
                        .c_str(),
                    "r");
  char line[512];
  for (int i = 0; i < 2 && out != nullptr && fgets(line, sizeof line, out) != nullptr; ++i) {
    const std::string text(line, strcspn(line, "\n"));
    if (text.starts_with("unix:")) {
      address_ = text;
    } else {
      std::from_chars(text.data(), text.data() + text.size(), daemon_);
    }
  }
  if (out != nullptr) pclose(out);
  if (address_.empty() || daemon_ <= 0) {
    failure_ = "dbus-daemon did not start";
    try {
      failure_ += ": " + ReadBytes(log);
    } catch (const std::exception&) {
    }
    return false;
  }
  return true;
}

bool MockUDisks::StartService() {
  static const sd_bus_vtable kBlock[] = {
      SD_BUS_VTABLE_START(0),
      SD_BUS_PROPERTY("Device", "ay", &MockUDisks::GetDevice, 0, SD_BUS_VTABLE_PROPERTY_CONST),
      SD_BUS_METHOD("OpenDevice", "sa{sv}", "h", &MockUDisks::OpenDevice,
                    SD_BUS_VTABLE_UNPRIVILEGED),
      SD_BUS_VTABLE_END};
  static const sd_bus_vtable kManager[] = {
      SD_BUS_VTABLE_START(0),
      SD_BUS_METHOD("GetBlockDevices", "a{sv}", "ao", &MockUDisks::GetBlockDevices,
                    SD_BUS_VTABLE_UNPRIVILEGED),
      SD_BUS_VTABLE_END};
  bool ok = sd_bus_new(&bus_) >= 0 && sd_bus_set_address(bus_, address_.c_str()) >= 0 &&
            sd_bus_set_bus_client(bus_, 1) >= 0 && sd_bus_negotiate_fds(bus_, 1) >= 0 &&
            sd_bus_start(bus_) >= 0;
  for (const MockBlock& block : blocks_) {
    ok = ok && sd_bus_add_object_vtable(bus_, nullptr, block.object.c_str(),
                                        "org.freedesktop.UDisks2.Block", kBlock, this) >= 0;
  }
  ok = ok &&
       sd_bus_add_object_vtable(bus_, nullptr, "/org/freedesktop/UDisks2/Manager",
                                "org.freedesktop.UDisks2.Manager", kManager, this) >= 0 &&
       sd_bus_request_name(bus_, "org.freedesktop.UDisks2", 0) >= 0;
  if (!ok) failure_ = "the mock UDisks2 could not join the private bus";
  return ok;
}

void MockUDisks::Serve() {
  while (!stop_) {
    const int processed = sd_bus_process(bus_, nullptr);
    if (processed < 0) break;
    if (processed == 0) sd_bus_wait(bus_, 50'000);
  }
}

int MockUDisks::GetDevice(sd_bus*, const char* path, const char*, const char*,
                          sd_bus_message* reply, void* userdata, sd_bus_error*) {
  auto* mock = static_cast<MockUDisks*>(userdata);
  ++mock->calls_;
  const MockBlock* block = BlockAt(mock->blocks_, path);
  if (block == nullptr) return -ENOENT;
  // A byte string with its NUL, as UDisks2 gives it.
  return sd_bus_message_append_array(reply, 'y', block->device.c_str(), block->device.size() + 1);
}

int MockUDisks::OpenDevice(sd_bus_message* call, void* userdata, sd_bus_error* error) {
  auto* mock = static_cast<MockUDisks*>(userdata);
  ++mock->calls_;
  const char* mode = nullptr;
  if (sd_bus_message_read(call, "s", &mode) < 0 || sd_bus_message_skip(call, "a{sv}") < 0) {
    return -EINVAL;
  }
  const MockBlock* block = BlockAt(mock->blocks_, sd_bus_message_get_path(call));
  if (block == nullptr) return -ENOENT;
  if (!block->refusal.empty()) {
    return sd_bus_error_set(error, block->refusal.c_str(), "Not authorized to perform operation");
  }
  // polkit cannot ask a caller that does not let it.
  if (sd_bus_message_get_allow_interactive_authorization(call) <= 0) {
    return sd_bus_error_set(error, "org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain",
                            "Authentication is required");
  }
  if (std::strcmp(mode, "r") != 0) {
    return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "only \"r\" is expected");
  }
  const int fd = open(block->image.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -errno;
  // Counted before the reply goes: the caller may look as soon as it has it.
  ++mock->opened_;
  const int replied = sd_bus_reply_method_return(call, "h", fd);
  close(fd);
  return replied;
}

int MockUDisks::GetBlockDevices(sd_bus_message* call, void* userdata, sd_bus_error*) {
  auto* mock = static_cast<MockUDisks*>(userdata);
  ++mock->calls_;
  sd_bus_message* reply = nullptr;
  int r = sd_bus_message_new_method_return(call, &reply);
  if (r >= 0) r = sd_bus_message_open_container(reply, 'a', "o");
  for (const MockBlock& block : mock->blocks_) {
    if (r >= 0) r = sd_bus_message_append(reply, "o", block.object.c_str());
  }
  if (r >= 0) r = sd_bus_message_close_container(reply);
  if (r >= 0) r = sd_bus_send(nullptr, reply, nullptr);
  sd_bus_message_unref(reply);
  return r;
}

std::optional<FatFileOnDevice> ImageExtentQuery::FatDeviceOf(const std::string& path) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
  return FatFileOnDevice{device_, path_inside_, static_cast<uint64_t>(status.st_size)};
}

}  // namespace korvan::testing
