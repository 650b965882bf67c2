#include "platform/udisks.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <optional>
#include <vector>

#include "platform/process.h"

extern char** environ;

namespace korvan {

namespace {

constexpr const char* kService = "org.freedesktop.UDisks2";
constexpr const char* kBlock = "org.freedesktop.UDisks2.Block";
constexpr const char* kBlockFolder = "/org/freedesktop/UDisks2/block_devices/";
// The user types a password meanwhile; one who walks away gets the "defragment" message.
constexpr uint64_t kPromptMicroseconds = 180'000'000;

struct BusClose {
  void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageUnref {
  void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using Bus = std::unique_ptr<sd_bus, BusClose>;
using Message = std::unique_ptr<sd_bus_message, MessageUnref>;

// An error reply's name and text, freed with it.
struct BusError {
  sd_bus_error error = SD_BUS_ERROR_NULL;
  ~BusError() { sd_bus_error_free(&error); }
};

// The Device property of a block object (a byte string that ends in a NUL).
std::optional<std::string> DeviceOf(sd_bus* bus, const char* object) {
  BusError error;
  sd_bus_message* raw = nullptr;
  if (sd_bus_get_property(bus, kService, object, kBlock, "Device", &error.error, &raw, "ay") < 0) {
    return std::nullopt;
  }
  const Message reply(raw);
  const void* bytes = nullptr;
  size_t size = 0;
  if (sd_bus_message_read_array(reply.get(), 'y', &bytes, &size) < 0) return std::nullopt;
  std::string device(static_cast<const char*>(bytes), size);
  while (!device.empty() && device.back() == '\0') device.pop_back();
  return device;
}

// The block object of device: where its name puts it, else among all block devices (a
// device-mapper name, a UDisks2 that names objects otherwise).
std::optional<std::string> BlockObjectOf(sd_bus* bus, const std::string& device) {
  const std::string derived = UDisksBlockPath(device);
  if (DeviceOf(bus, derived.c_str()) == device) return derived;
  BusError error;
  sd_bus_message* raw = nullptr;
  if (sd_bus_call_method(bus, kService, "/org/freedesktop/UDisks2/Manager",
                         "org.freedesktop.UDisks2.Manager", "GetBlockDevices", &error.error, &raw,
                         "a{sv}", 0) < 0) {
    return std::nullopt;
  }
  const Message reply(raw);
  if (sd_bus_message_enter_container(reply.get(), 'a', "o") < 0) return std::nullopt;
  const char* object = nullptr;
  while (sd_bus_message_read(reply.get(), "o", &object) > 0) {
    if (object != derived && DeviceOf(bus, object) == device) return std::string(object);
  }
  return std::nullopt;
}

}  // namespace

std::string UDisksBlockPath(const std::string& device) {
  const size_t slash = device.rfind('/');
  const std::string name = slash == std::string::npos ? device : device.substr(slash + 1);
  std::string path = kBlockFolder;
  constexpr char kHex[] = "0123456789abcdef";
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'z') ||
        (byte >= 'A' && byte <= 'Z')) {
      path += c;
    } else {
      path += '_';
      path += kHex[byte >> 4];
      path += kHex[byte & 0x0F];
    }
  }
  return path;
}

int OpenDeviceThroughUDisks(const std::string& device) {
  sd_bus* raw_bus = nullptr;
  if (sd_bus_open_system(&raw_bus) < 0) return -1;
  const Bus bus(raw_bus);
  const std::optional<std::string> object = BlockObjectOf(bus.get(), device);
  if (!object) return -1;

  sd_bus_message* raw_call = nullptr;
  if (sd_bus_message_new_method_call(bus.get(), &raw_call, kService, object->c_str(), kBlock,
                                     "OpenDevice") < 0) {
    return -1;
  }
  const Message call(raw_call);
  // polkit may ask for a password only when the caller allows it to.
  if (sd_bus_message_set_allow_interactive_authorization(call.get(), 1) < 0 ||
      sd_bus_message_append(call.get(), "sa{sv}", "r", 0) < 0) {
    return -1;
  }
  BusError error;
  sd_bus_message* raw_reply = nullptr;
  // A refusal (NotAuthorized...), a cancelled prompt or a time-out is an error reply.
  if (sd_bus_call(bus.get(), call.get(), kPromptMicroseconds, &error.error, &raw_reply) < 0) {
    return -1;
  }
  const Message reply(raw_reply);
  int fd = -1;
  if (sd_bus_message_read(reply.get(), "h", &fd) < 0 || fd < 0) return -1;
  // The reply owns its descriptor and closes it with the message.
  return fcntl(fd, F_DUPFD_CLOEXEC, 3);
}

TerminalAuthAgent::TerminalAuthAgent() {
  if (isatty(STDIN_FILENO) != 1) return;
  const std::string program = FindProgram("pkttyagent");
  if (program.empty()) return;
  int ready[2];
  if (pipe2(ready, O_CLOEXEC) != 0) return;
  // The agent closes the descriptor it is given once it has registered; --fallback leaves a
  // desktop's agent in charge where there is one.
  const int notify = ready[1] == 3 ? 4 : 3;
  std::vector<std::string> args = {program, "--notify-fd", std::to_string(notify), "--fallback"};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, ready[1], notify);
  if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
    pid_ = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  close(ready[1]);
  if (pid_ > 0) {
    pollfd wait_for{ready[0], POLLIN, 0};
    while (poll(&wait_for, 1, 5000) < 0 && errno == EINTR) {
    }
  }
  close(ready[0]);
}

TerminalAuthAgent::~TerminalAuthAgent() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace korvan
