#pragma once
// DOS file names, paths and time stamps as the controller's shell knows them:
// 8.3 upper-case names, "\"-separated paths, packed 16-bit dates and times.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talosim {

// Names of the folders from the root down, each a normalised 8.3 name.
using DosPath = std::vector<std::string>;

enum class NameRule {
  Strict,    // a part too long makes the name invalid
  Truncate,  // parts too long are cut to 8 and 3, as DOS's file calls do
};

// Upper-cases a name and checks it against the 8.3 rules. "." and ".." are
// not names. nullopt when the shell would refuse it.
std::optional<std::string> NormalizeDosName(std::string_view name, NameRule rule = NameRule::Strict);

// Splits "NAME.EXT" into its two parts (either may be empty).
void SplitDosName(const std::string& name, std::string& base, std::string& ext);

// "*" and "?" patterns as the shell matches them against 8.3 names: each part
// is matched separately, and a pattern without "." matches any extension
// only when it is "*".
bool MatchesDosPattern(const std::string& name, std::string_view pattern);
bool HasWildcards(std::string_view text);

struct ParsedPath {
  std::optional<char> Drive;       // 'C' or 'D' when the text named one
  bool Absolute = false;           // began with "\" after the drive
  std::vector<std::string> Parts;  // raw components, "." and ".." included
};

// Splits a path text into drive and components without checking names.
ParsedPath ParseDosPath(std::string_view text);

// Applies the components to a starting folder; "." stays, ".." goes up
// (refused at the root, as the shell has no ".." there). Names are
// normalised with the rule. nullopt when a component is invalid.
std::optional<DosPath> ResolveDosPath(const DosPath& start, const std::vector<std::string>& parts,
                                      NameRule rule = NameRule::Strict);

// "D:\DATA\LOG" for drive 'D' and {DATA, LOG}; "D:\" for the root.
std::string DosPathText(char drive, const DosPath& path);

struct DosStamp {
  uint16_t Date = 0;  // (year - 1980) << 9 | month << 5 | day
  uint16_t Time = 0;  // hour << 11 | minute << 5 | seconds / 2

  static DosStamp Make(int year, int month, int day, int hour, int minute, int second = 0);
  static DosStamp Now();
  // "YYYY-MM-DD HH:MM" (a date DOS can hold); nullopt for anything else.
  static std::optional<DosStamp> Parse(std::string_view text);
  int Year() const { return 1980 + (Date >> 9); }
  int Month() const { return (Date >> 5) & 0x0F; }
  int Day() const { return Date & 0x1F; }
  int Hour() const { return Time >> 11; }
  int Minute() const { return (Time >> 5) & 0x3F; }
};

std::string ToUpper(std::string_view text);
std::string Trim(std::string_view text);

}  // namespace talosim
