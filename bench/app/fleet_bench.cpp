// Many ports at once: talo7100-cli put of one 16 KiB file to 1, 2 and 4
// simulators paced at 57600 baud, each port's run in a child of the call
// (the fleet). Prints the wall time, its ratio to one port's, and the CPU
// time of the whole call (the parent and every port's run); asserts
// nothing. The aim: four ports within 1.15 x the time of one on a 2-core
// machine, which holds only while a port's run waiting on its paced line
// costs next to no CPU.
//
// The simulators run in child processes forked before anything else, so
// the CPU figures are the command line's alone. FLEET_BENCH_ROUNDS (default
// 3) runs each size that often and reports the median.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "sim/talosim.h"
#include "tests/support/simprocess.h"

extern char** environ;

namespace {

constexpr size_t kFileBytes = 16 * 1024;
constexpr int kMostPorts = 4;

struct Figures {
  double WallSeconds = 0;
  double CpuSeconds = 0;
  int Status = -1;
};

double Seconds(const timeval& time) {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

// One call of the command line; its own and its children's CPU from wait4.
Figures RunCli(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  Figures figures;
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) == pid) {
      figures.CpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
      figures.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
  }
  figures.WallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  posix_spawn_file_actions_destroy(&actions);
  return figures;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

std::string LoadAverage() {
  double load[3] = {0, 0, 0};
  if (getloadavg(load, 3) != 3) return "unknown";
  char text[64];
  std::snprintf(text, sizeof text, "%.2f %.2f %.2f", load[0], load[1], load[2]);
  return text;
}

}  // namespace

int main() {
  const char* roundsText = std::getenv("FLEET_BENCH_ROUNDS");
  const int rounds = std::max(1, roundsText ? std::atoi(roundsText) : 3);
  // Every simulator before anything else (SimProcess forks).
  std::vector<std::unique_ptr<SimProcess>> simulators;
  talosim::SimOptions options;
  options.Baud = 57600;
  for (int i = 0; i < kMostPorts; ++i) {
    simulators.push_back(std::make_unique<SimProcess>());
    if (!simulators.back()->Start(options)) {
      std::fprintf(stderr, "fleet_bench: a simulator did not start\n");
      return 1;
    }
  }
  char folder[] = "/tmp/fleet-bench-XXXXXX";
  if (!mkdtemp(folder)) return 1;
  const std::string file = std::string(folder) + "/PAYLOAD.BIN";
  std::ofstream(file, std::ios::binary) << std::string(kFileBytes, 'p');

  std::printf("talo7100-cli put of %zu KiB to N simulators at 57600 baud, median of %d\n",
              kFileBytes / 1024, rounds);
  std::printf("load average before: %s\n\n", LoadAverage().c_str());
  std::printf("%-6s %-9s %-8s %-9s %s\n", "ports", "wall s", "x one", "CPU s", "CPU s/port");
  std::fflush(stdout);
  double oneWall = 0;
  double fourWall = 0;
  for (const int ports : {1, 2, kMostPorts}) {
    std::vector<double> walls, cpus;
    bool allGood = true;
    for (int round = 0; round < rounds; ++round) {
      std::vector<std::string> arguments{TALO_CLI_PATH};
      for (int i = 0; i < ports; ++i) {
        arguments.push_back("--port");
        arguments.push_back(simulators[i]->Port());
      }
      for (const char* word : {"put", "--force"}) arguments.push_back(word);
      arguments.push_back(file);
      const Figures figures = RunCli(arguments);
      allGood = allGood && figures.Status == 0;
      walls.push_back(figures.WallSeconds);
      cpus.push_back(figures.CpuSeconds);
    }
    const double wall = Median(walls);
    const double cpu = Median(cpus);
    if (ports == 1) oneWall = wall;
    if (ports == kMostPorts) fourWall = wall;
    std::printf("%-6d %-9.2f %-8.2f %-9.3f %.3f%s\n", ports, wall, oneWall > 0 ? wall / oneWall : 0,
                cpu, cpu / ports, allGood ? "" : "   (a run failed)");
    std::fflush(stdout);
  }
  std::printf("\nfour ports / one port: %.2f (aim: at most 1.15)\n",
              oneWall > 0 ? fourWall / oneWall : 0);
  std::printf("load average after: %s\n", LoadAverage().c_str());
  std::remove(file.c_str());
  rmdir(folder);
  // Each simulator forked later holds the release pipes of those before it:
  // the last one started goes first.
  while (!simulators.empty()) simulators.pop_back();
  return 0;
}
