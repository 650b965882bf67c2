#pragma once

#include <sys/types.h>

#include <string>

namespace korvan {

// The card's device for a user who may not read it: UDisks2 on the system bus opens it on
// request, after polkit has asked the user (once, remembered for a few minutes), instead of
// the user being given every disk of the machine through the disk group.

// The object path under which UDisks2 publishes a block device (/dev/sdb1): the kernel name
// with every byte but a letter or a digit written as "_" and two hex digits.
std::string UDisksBlockPath(const std::string& device);

// Asks UDisks2 to open device (a /dev path) for reading. The block object is the one at
// UDisksBlockPath whose Device is device, else the one of UDisks2's block devices that says
// so. Returns the descriptor, owned by the caller, or -1: no system bus
// (DBUS_SYSTEM_BUS_ADDRESS names another), no UDisks2, no such block device, or the request
// was refused or the prompt cancelled.
int OpenDeviceThroughUDisks(const std::string& device);

// polkit's text agent (pkttyagent) for this process's terminal, as long as it lives: a
// password prompt of a command-line program then asks in the terminal when no desktop agent
// does. Does nothing when standard input is not a terminal or pkttyagent is not installed.
class TerminalAuthAgent {
 public:
  TerminalAuthAgent();
  ~TerminalAuthAgent();
  TerminalAuthAgent(const TerminalAuthAgent&) = delete;
  TerminalAuthAgent& operator=(const TerminalAuthAgent&) = delete;

 private:
  pid_t pid_ = -1;
};

}  // namespace korvan
