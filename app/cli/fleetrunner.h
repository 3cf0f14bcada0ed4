#pragma once
// FleetRunner: one run of talo7100-cli per port, at most Jobs at a time.
//
// Principles of operation
// - Each port runs in a child process of this same program with the
//   single-port command line (FleetPlan::ChildArguments): the single-port
//   code, its checks, its time-outs and its exit status, unchanged. A port
//   that fails or hangs up cannot disturb another: they share no port
//   object, no thread and no memory.
// - The children's standard output and error are read line by line as they
//   come and handed to the screen, which prefixes them; progress frames
//   (ProgressLine) go to the screen's block instead. Their standard input
//   is empty: nothing can be asked of them but through --yes.
// - Ctrl+C: the children run in a process group of their own, so the
//   terminal's SIGINT reaches this program only, which passes it on to each
//   running child exactly once; each stops as the single-port command stops
//   (uploads cancelled, the image worker stopped, the port released), no
//   further port is started, and Run returns once all have ended. A second
//   Ctrl+C is passed on too, and then ends this program the usual way. A
//   child whose parent dies gets SIGINT as well (PR_SET_PDEATHSIG).
// - Waiting costs no CPU: the loop sleeps in the event loop until a child
//   writes or ends, with a 100 ms tick only while progress is drawn.
// - Main thread only; the signal handler only writes to a pipe or, the
//   second time, signals the children.

#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <memory>

class FleetScreen;

class FleetRunner {
 public:
  struct Result {
    bool Started = false;
    int Status = -1;  // the exit status; -1 when it did not start or died
    double Seconds = 0;
    QStringList ErrorLines;  // its standard error, the last kKeptErrorLines
  };
  static constexpr int kKeptErrorLines = 200;

  // arguments: each port's command line; jobs: how many run at once.
  FleetRunner(FleetScreen& screen, QList<QStringList> arguments, int jobs,
              QProcessEnvironment environment);
  ~FleetRunner();
  FleetRunner(const FleetRunner&) = delete;
  FleetRunner& operator=(const FleetRunner&) = delete;

  // Runs every port; returns when all have ended.
  void Run();
  bool Interrupted() const { return WasInterrupted; }
  const QList<Result>& Results() const { return Ports; }

 private:
  struct Child;

  void StartNext();
  void Read(int port, bool error);
  void Finish(int port, int status);
  void Interrupt();

  FleetScreen& Screen;
  QList<QStringList> Arguments;
  int Jobs;
  QProcessEnvironment Environment;
  QList<Result> Ports;
  std::vector<std::unique_ptr<Child>> Children;
  int NextPort = 0;
  int Running = 0;
  bool WasInterrupted = false;
};
