#include "sim/transcript.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

namespace talosim {
namespace {

bool IsPlain(unsigned char c) { return c >= 0x20 && c < 0x7F; }
bool IsText(unsigned char c) { return IsPlain(c) || c == '\r' || c == '\n' || c == '\t'; }

// Longer bursts: by length and CRC-32 when binary.
constexpr size_t kLongestLiteral = 8;

std::string Hex32(uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", value);
  return text;
}

}  // namespace

Transcript::Transcript(std::ostream& out, std::chrono::milliseconds quantum)
    : Out(out), QuantumUs(std::max<int64_t>(1, quantum.count()) * 1000) {
  Write("# talo7100-sim transcript: > from the PC, < to the PC, = typed and echoed, ~ silence (" +
        std::to_string(QuantumUs / 1000) + " ms quanta), | port, * repeated");
}

uint32_t Transcript::Crc32(std::string_view bytes, uint32_t crc) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (const char byte : bytes) crc = table[(crc ^ static_cast<uint8_t>(byte)) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

std::string Transcript::Escaped(std::string_view bytes) { return Escape(bytes, false); }

std::string Transcript::Escape(std::string_view bytes, bool breakLines) {
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c == '\\') {
      const bool next = i + 1 < bytes.size();
      const auto after = next ? static_cast<unsigned char>(bytes[i + 1]) : 0;
      out += next && (!IsPlain(after) || std::strchr("rntx\\", after)) ? "\\\\" : "\\";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
      if (breakLines && i + 1 < bytes.size()) out += "\n  ";
    } else if (c == '\t') {
      out += "\\t";
    } else if (IsPlain(c)) {
      out += static_cast<char>(c);
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    }
  }
  return out;
}

void Transcript::Mark(Clock::time_point at, bool portEvent) {
  at = std::max(at, Last);
  if (Started) {
    const int64_t us = std::chrono::duration_cast<std::chrono::microseconds>(at - Last).count();
    const int64_t quanta = LastWasPort ? (us + QuantumUs / 2) / QuantumUs : (us + QuantumUs / 4) / QuantumUs;
    if (quanta > 0) {
      Flush();
      const std::string text = "~ " + std::to_string(quanta * QuantumUs / 1000) + " ms";
      Fold({text, text, '~', {}});
    }
  }
  Started = true;
  Last = at;
  LastWasPort = portEvent;
}

void Transcript::Received(std::string_view bytes, Clock::time_point at) {
  if (bytes.empty()) return;
  Mark(at, false);
  if (Lone) {
    // The lone byte before was not typed: it begins a plain burst.
    const char lone = *Lone;
    Lone.reset();
    CloseBurst();
    BurstKind = '>';
    Burst.assign(1, lone);
    Burst.append(bytes);
    return;
  }
  if (BurstKind == '>') {
    Burst.append(bytes);
    return;
  }
  if (bytes.size() == 1) {
    if (BurstKind != '=') CloseBurst();
    Lone = bytes[0];
    return;
  }
  CloseBurst();
  BurstKind = '>';
  Burst.assign(bytes);
}

void Transcript::Sent(std::string_view bytes, Clock::time_point at) {
  if (bytes.empty()) return;
  if (HeldClose && at - *HeldClose >= std::chrono::microseconds(QuantumUs)) TellClose();
  Mark(at, false);
  if (Lone) {
    const char lone = *Lone;
    Lone.reset();
    if (bytes.front() == lone) {
      if (BurstKind != '=') {
        CloseBurst();
        BurstKind = '=';
      }
      Burst.push_back(lone);
      bytes.remove_prefix(1);
      if (bytes.empty()) return;
    } else {
      CloseBurst();
      Emit('>', std::string(1, lone));
    }
  }
  if (BurstKind != '<') {
    CloseBurst();
    BurstKind = '<';
  }
  Burst.append(bytes);
}

void Transcript::Port(PortEvent event, Clock::time_point at) {
  TellClose();
  if (event == PortEvent::Opened) ++PcDescriptors;
  if (event == PortEvent::Closed) {
    PcDescriptors = std::max(0, PcDescriptors - 1);
    // While another descriptor is open, what comes may be written through it.
    if (PcDescriptors == 0) {
      HeldClose = at;
      return;
    }
  }
  Mark(at, true);
  Flush();
  const char* text = event == PortEvent::Opened ? "| open" : event == PortEvent::Closed ? "| close" : "| hang-up";
  Fold({text, text, '|', {}});
}

void Transcript::TellClose() {
  if (!HeldClose) return;
  Mark(*HeldClose, true);
  HeldClose.reset();
  Flush();
  Fold({"| close", "| close", '|', {}});
}

void Transcript::CloseBurst() {
  if (BurstKind) Emit(BurstKind, Burst);
  BurstKind = 0;
  Burst.clear();
}

void Transcript::Flush() {
  if (Lone) {
    const char lone = *Lone;
    Lone.reset();
    CloseBurst();
    Emit('>', std::string(1, lone));
  }
  CloseBurst();
}

void Transcript::Emit(char kind, const std::string& bytes) {
  const std::string head = std::string(1, kind) + " ";
  bool binary = false;
  for (const char c : bytes) binary = binary || !IsText(static_cast<unsigned char>(c));
  if (bytes.size() <= kLongestLiteral) {
    const std::string text = head + Escape(bytes, true);
    Fold({text, text, kind, {}});
    return;
  }
  const std::string length = head + "[" + std::to_string(bytes.size()) + " bytes";
  if (binary) {
    Fold({length + " crc32 " + Hex32(Crc32(bytes)) + "]", length + "]", kind, bytes});
    return;
  }
  // A block of data may happen to be all text: a run still takes it by its
  // length. The shell's lines, which end in line feeds, are matched as text.
  const std::string text = head + Escape(bytes, true);
  const bool lines = bytes.find('\n') != std::string::npos;
  Fold({text, lines ? text : length + "]", kind, lines ? std::string() : bytes});
}

void Transcript::Fold(Item item) {
  if (InRun) {
    if (item.Shape == Unit[Partial.size()]) {
      Lull.reset();
      Partial.push_back(std::move(item));
      if (Partial.size() == Unit.size()) {
        for (const Item& part : Partial) {
          RunTotal& total = part.Kind == '<' ? RunSent : RunReceived;
          total.Bytes += part.Counted.size();
          total.Crc = Crc32(part.Counted, total.Crc);
        }
        ++Repeats;
        Partial.clear();
      }
      return;
    }
    if (item.Kind == '~' && !Lull) {
      Lull = std::move(item);
      return;
    }
    EndRun();
    Fold(std::move(item));  // the run's last lines may have begun another
    return;
  }
  Pending.push_back(std::move(item));
  for (size_t length = 1; length <= kLongestUnit; ++length) {
    const size_t span = length * kRunRepeats;
    if (Pending.size() < span) break;
    const size_t first = Pending.size() - span;
    bool repeats = true;
    for (size_t i = first; repeats && i + length < Pending.size(); ++i)
      repeats = Pending[i].Shape == Pending[i + length].Shape;
    if (!repeats) continue;
    while (Pending.size() > span) {
      Write(Pending.front().Text);
      Pending.pop_front();
    }
    InRun = true;
    Unit.clear();
    Repeats = 0;
    RunSent = RunReceived = {};
    std::deque<Item> run;
    run.swap(Pending);
    for (size_t i = 0; i < length; ++i) Unit.push_back(run[i].Shape);
    for (Item& part : run) Fold(std::move(part));
    return;
  }
  while (Pending.size() > kLongestUnit * kRunRepeats) {
    Write(Pending.front().Text);
    Pending.pop_front();
  }
}

void Transcript::EndRun() {
  std::string text = "* " + std::to_string(Repeats) + " x {";
  for (const std::string& shape : Unit) {
    text += "\n  ";
    for (const char c : shape) text += c == '\n' ? std::string("\n  ") : std::string(1, c);
  }
  text += "\n}";
  for (const auto& [direction, total] : {std::pair{'<', RunSent}, std::pair{'>', RunReceived}})
    if (total.Bytes > 0)
      text += std::string(" ") + direction + " " + std::to_string(total.Bytes) + " bytes crc32 " + Hex32(total.Crc);
  Write(text);
  InRun = false;
  std::vector<Item> rest;
  rest.swap(Partial);
  if (Lull) rest.push_back(std::move(*Lull));
  Lull.reset();
  for (Item& part : rest) Fold(std::move(part));
}

void Transcript::Finish() {
  TellClose();
  Flush();
  // The unfinished repetition of a run may begin a shorter one.
  while (InRun) EndRun();
  while (!Pending.empty()) {
    Write(Pending.front().Text);
    Pending.pop_front();
  }
}

void Transcript::Write(const std::string& text) {
  Out << text << '\n';
  Out.flush();
}

}  // namespace talosim
