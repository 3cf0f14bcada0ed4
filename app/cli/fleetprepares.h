#pragma once
// FleetPrepares: what each joining command checks in the fleet's parent
// before any port is touched (Prepare, by the command's name).
//
// Principles of operation
// - Each runs the command's own parse step on the call, so that a wrong
//   call is refused once, before anything starts, with the single-port
//   messages; each returns that refusal, or none.
// - A question the command would ask on every port is named once
//   (FleetCall::Question) unless the call answers it already (--yes).
// - What the ports must not read each on their own is read here once:
//   accounts' passwords (from the environment or the terminal) go to every
//   port's run in its environment, never on a command line.
// - A command that uses the installation folder has it prepared here, so
//   that the ports do not create and seed it all at the same moment.
// - Main thread of the parent only.

#include <QString>
#include <optional>

struct FleetCall;

namespace FleetPrepares {

// The check of the call's command, or none when it has nothing to check
// beyond the ports.
std::optional<QString> Prepare(FleetCall& call);

// netconf: its options, or --table FILE read whole with a row for each port.
std::optional<QString> Netconf(FleetCall& call);
std::optional<QString> Accounts(FleetCall& call);
std::optional<QString> Init(FleetCall& call);
// backup: its FILE must hold "{port}" (several images, never one file).
std::optional<QString> Backup(FleetCall& call);
std::optional<QString> Restore(FleetCall& call);
// dio: not --watch, which polls one controller until Ctrl+C.
std::optional<QString> Dio(FleetCall& call);

}  // namespace FleetPrepares
