#pragma once
// The fault matrix's bookkeeping: which faults exist, what each cell came to,
// the process resources a cell must give back, and the printed table.
//
// A cell is one operation run once against a simulator that injects one
// fault. It holds when the user was told (or the operation succeeded and the
// result is really there), the port opens again at once, nothing was lost,
// and the process has as many threads and file descriptors as before.

#include <dirent.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace faultmatrix {

enum class Fault {
  NoEcho,
  WrongEcho,
  Drop,
  Corrupt,
  NakBlock,
  CanBlock,
  CorruptFrame,
  RestoreReply,
  NoHelper,
  Stall,
  HangUp,
  // Echoes damaged now and then during the operation; then, without
  // faults, the next operation (a listing) must run as typed.
  EchoThenNext,
};
inline constexpr std::array kFaults = {
    Fault::NoEcho,       Fault::WrongEcho,    Fault::Drop,  Fault::Corrupt, Fault::NakBlock,
    Fault::CanBlock,     Fault::CorruptFrame, Fault::RestoreReply, Fault::NoHelper,
    Fault::Stall,        Fault::HangUp,       Fault::EchoThenNext};

// The simulator's option for each fault, as the table's column heads.
inline const char* FaultName(Fault fault) {
  switch (fault) {
    case Fault::NoEcho: return "no-echo";
    case Fault::WrongEcho: return "wrong-echo";
    case Fault::Drop: return "drop";
    case Fault::Corrupt: return "corrupt";
    case Fault::NakBlock: return "nak-block";
    case Fault::CanBlock: return "can-block";
    case Fault::CorruptFrame: return "corrupt-frame";
    case Fault::RestoreReply: return "restore-reply";
    case Fault::NoHelper: return "no-keepers";
    case Fault::Stall: return "stall-after";
    case Fault::HangUp: return "hangup-after";
    case Fault::EchoThenNext: return "echo-then-next";
  }
  return "?";
}

enum class Verdict { NotApplicable, Held, Failed };

inline const char* VerdictName(Verdict verdict) {
  switch (verdict) {
    case Verdict::NotApplicable: return "n/a";
    case Verdict::Held: return "held";
    case Verdict::Failed: return "FAILED";
  }
  return "?";
}

// What a cell's checks found wrong; empty when the cell held.
using Findings = std::vector<std::string>;

// The rows in the order they are run, and every cell's verdict.
class Matrix {
 public:
  void Record(const std::string& row, Fault fault, Verdict verdict, const std::string& note = {}) {
    if (Cells.find(row) == Cells.end()) Rows.push_back(row);
    Cells[row][fault] = verdict;
    if (!note.empty()) Notes.push_back(row + " x " + FaultName(fault) + ": " + note);
  }

  // One line per cell, "row<TAB>fault<TAB>verdict<TAB>note", for a parent
  // process that gathers the rows its children ran.
  bool Save(const std::string& path) const {
    std::ofstream out(path);
    for (const std::string& row : Rows)
      for (const auto& [fault, verdict] : Cells.at(row)) {
        std::string note;
        const std::string prefix = row + " x " + FaultName(fault) + ": ";
        for (const std::string& n : Notes)
          if (n.rfind(prefix, 0) == 0) note = n.substr(prefix.size());
        out << row << '\t' << static_cast<int>(fault) << '\t' << static_cast<int>(verdict) << '\t'
            << note << '\n';
      }
    return static_cast<bool>(out);
  }
  // Adds the cells Save wrote; false when the file is missing or unreadable.
  bool Load(const std::string& path) {
    std::ifstream in(path);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
      std::istringstream fields(line);
      std::string row, fault, verdict, note;
      if (!std::getline(fields, row, '\t') || !std::getline(fields, fault, '\t') ||
          !std::getline(fields, verdict, '\t'))
        return false;
      std::getline(fields, note);
      Record(row, static_cast<Fault>(std::stoi(fault)), static_cast<Verdict>(std::stoi(verdict)),
             note);
    }
    return true;
  }
  // A row that produced no cells at all (its process failed before any).
  void RecordBrokenRow(const std::string& row, const std::string& why) {
    Rows.push_back(row);
    Cells[row];
    Notes.push_back(row + ": " + why);
    ++BrokenRows;
  }
  int Failed() const {
    int failed = BrokenRows;
    for (const auto& [row, cells] : Cells)
      for (const auto& [fault, verdict] : cells) failed += verdict == Verdict::Failed;
    return failed;
  }

  void Print(FILE* out) const {
    std::fprintf(out, "\n%-22s", "operation \\ fault");
    for (Fault fault : kFaults) std::fprintf(out, " %-13s", FaultName(fault));
    std::fprintf(out, "\n");
    int tried = 0, held = 0, failed = 0;
    for (const std::string& row : Rows) {
      std::fprintf(out, "%-22s", row.c_str());
      for (Fault fault : kFaults) {
        const auto found = Cells.at(row).find(fault);
        const Verdict verdict =
            found == Cells.at(row).end() ? Verdict::NotApplicable : found->second;
        std::fprintf(out, " %-13s", VerdictName(verdict));
        tried += verdict == Verdict::Held || verdict == Verdict::Failed;
        held += verdict == Verdict::Held;
        failed += verdict == Verdict::Failed;
      }
      std::fprintf(out, "\n");
    }
    for (const std::string& note : Notes) std::fprintf(out, "  %s\n", note.c_str());
    std::fprintf(out, "fault matrix: %d cells tried, %d held, %d failed\n", tried, held,
                 failed + BrokenRows);
    std::fflush(out);
  }

 private:
  std::vector<std::string> Rows;
  std::map<std::string, std::map<Fault, Verdict>> Cells;
  std::vector<std::string> Notes;
  int BrokenRows = 0;
};

// Threads and open file descriptors of this process.
struct Resources {
  int Threads = 0;
  int Descriptors = 0;
  bool operator==(const Resources&) const = default;

  static int CountEntries(const char* folder) {
    DIR* dir = opendir(folder);
    if (!dir) return -1;
    int count = 0;
    while (const dirent* entry = readdir(dir))
      if (entry->d_name[0] != '.') ++count;
    closedir(dir);
    return count;
  }
  static Resources Now() { return {CountEntries("/proc/self/task"), CountEntries("/proc/self/fd")}; }

  // Threads the cell joined may take a moment to leave the task list: the
  // counts are read again for a while before they count as leaked. This is a
  // deadline for a leak, not a timing the test asserts.
  static Resources SettledTo(const Resources& before) {
    Resources now = Now();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!(now == before) && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      now = Now();
    }
    return now;
  }
};

}  // namespace faultmatrix
