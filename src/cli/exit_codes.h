// The exit codes of corvane-cli, one per kind of failure, so scripts and rigs can tell a dongle
// that is missing from a device that does not answer. The README's "Command line" section lists
// them; keep the two in step.
#pragma once

namespace corvane::cli {

enum ExitCode : int {
  kExitOk = 0,
  // The operation ran and failed: a firmware target that did not take its update, a write the
  // device refused, an import the register file did not fit.
  kExitFailed = 1,
  kExitUsage = 2,         // unknown command or option, missing or malformed argument
  kExitNoDongle = 3,      // no USB dongle found, or it would not open
  kExitPermission = 4,    // the dongle is there but this user may not open it (udev rule)
  kExitDongleInUse = 5,   // another program holds the dongle (the main window's code too)
  kExitTimeout = 6,       // the dongle or the device did not answer in time
  kExitNotInProject = 7,  // the address is not a device of the project
  kExitBadFile = 8,       // a file could not be read, written or understood
};

}  // namespace corvane::cli
