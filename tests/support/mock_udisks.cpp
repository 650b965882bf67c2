#include "support/mock_udisks.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>

#include "platform/process.h"
#include "platform/udisks.h"

extern char** environ;

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
  if (daemon_ > 0) {
    kill(daemon_, SIGTERM);
    waitpid(daemon_, nullptr, 0);
  }
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
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) {
    failure_ = "no pipe";
    return false;
  }
  std::vector<std::string> args = {program, "--config-file=" + config, "--nofork",
                                   "--print-address"};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  // Its complaints (it may not raise its descriptor limit) go to a log for a failure's text.
  const std::string log = dir_.File("bus.log");
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const int started =
      posix_spawn(&daemon_, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (started != 0) daemon_ = -1;
  // The address is printed once the bus listens.
  while (daemon_ > 0 && address_.find('\n') == std::string::npos) {
    pollfd ready{out[0], POLLIN, 0};
    char chunk[256];
    ssize_t n = 0;
    if (poll(&ready, 1, 10000) <= 0 || (n = read(out[0], chunk, sizeof chunk)) <= 0) break;
    address_.append(chunk, static_cast<size_t>(n));
  }
  close(out[0]);
  if (address_.find('\n') == std::string::npos) {
    failure_ = "dbus-daemon did not start";
    try {
      failure_ += ": " + ReadBytes(log);
    } catch (const std::exception&) {
    }
    return false;
  }
  address_.erase(address_.find('\n'));
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
