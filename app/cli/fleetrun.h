#pragma once
// RunFleet: talo7100-cli --port A --port B ... COMMAND ARGUMENTS, the
// command run on every port at once.
//
// Principles of operation
// - Everything that can make the call wrong is found before any port is
//   touched (FleetPlan::Prepare: the command joins, the ports are distinct
//   devices with distinct names, the command's own checks such as netconf's
//   table or backup's "{port}"); a wrong call prints why and the command's
//   usage line and ends with 2, nothing sent anywhere.
// - A question the command would ask on every port is asked once, naming
//   every port. The command line answers it as on one port: --yes answers
//   yes for all, otherwise it is refused and no port is started (1).
// - Then each port runs the single-port program in a child process
//   (FleetRunner): the same checks, messages, time-outs and cleanup as on
//   one port, which a port's run cannot break for another. Why processes
//   rather than threads: the single-port code keeps its per-call state in
//   globals of its own (Ctrl+C flags, stdio streams), a port may hang in a
//   driver call, and a child's exit status is the single-port status with
//   no new path to get wrong. A child waits on its line in poll(), so N
//   children on paced lines cost about N times one (bench/app/fleet_bench).
// - Its lines come out as they are printed, "[NAME] " in front (NAME: the
//   port's short name, as in "{port}"); when standard error is a terminal
//   each running port also keeps one progress line there (FleetScreen). At the end one
//   summary line per port in the order given on standard output:
//   "NAME  ok  12.3 s" (with the port's note: "NAME  ok, <note>  12.3 s")
//   or "NAME  failed  <reason in one line>". With --json one object a
//   port instead: {"port", "result": "ok"|"failed", "seconds", "reason"
//   (failed only), "notes": [...]}; the ports' own lines keep their prefix.
// - Exit status: 0 when every port succeeded, 130 after Ctrl+C, 2 when the
//   call was wrong (found here, or by every port alike), 1 otherwise.
// - Main thread only; needs the QCoreApplication.

struct CliCall;

int RunFleet(const CliCall& call);
