#include "sim/dosname.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>

namespace talosim {
namespace {

bool IsDosNameChar(char c) {
  if (std::isalnum(static_cast<unsigned char>(c))) return true;
  return std::string_view("!#$%&'()-@^_`{}~").find(c) != std::string_view::npos;
}

bool MatchPart(std::string_view text, std::string_view pattern) {
  size_t t = 0;
  for (size_t p = 0; p < pattern.size(); ++p) {
    if (pattern[p] == '*') return true;  // DOS ignores what follows a star
    if (pattern[p] == '?') {
      if (t < text.size()) ++t;  // "?" also matches nothing at the end
      continue;
    }
    if (t >= text.size() || pattern[p] != text[t]) return false;
    ++t;
  }
  return t == text.size();
}

}  // namespace

std::string ToUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string Trim(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  return std::string(text.substr(begin, end - begin));
}

std::optional<std::string> NormalizeDosName(std::string_view name, NameRule rule) {
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  const size_t dot = name.find('.');
  std::string base(name.substr(0, dot));
  std::string ext = dot == std::string_view::npos ? std::string() : std::string(name.substr(dot + 1));
  if (ext.find('.') != std::string::npos) return std::nullopt;
  if (base.empty()) return std::nullopt;
  if (rule == NameRule::Truncate) {
    if (base.size() > 8) base.resize(8);
    if (ext.size() > 3) ext.resize(3);
  }
  if (base.size() > 8 || ext.size() > 3) return std::nullopt;
  if (!std::all_of(base.begin(), base.end(), IsDosNameChar) ||
      !std::all_of(ext.begin(), ext.end(), IsDosNameChar))
    return std::nullopt;
  std::string out = ToUpper(base);
  if (!ext.empty()) out += "." + ToUpper(ext);
  return out;
}

void SplitDosName(const std::string& name, std::string& base, std::string& ext) {
  const size_t dot = name.find('.');
  base = name.substr(0, dot);
  ext = dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

bool HasWildcards(std::string_view text) { return text.find_first_of("*?") != std::string_view::npos; }

bool MatchesDosPattern(const std::string& name, std::string_view pattern) {
  const std::string upper = ToUpper(pattern);
  std::string base, ext;
  SplitDosName(name, base, ext);
  const size_t dot = upper.find('.');
  const std::string_view patBase = std::string_view(upper).substr(0, dot);
  const std::string_view patExt =
      dot == std::string::npos ? std::string_view(upper == "*" ? "*" : "") : std::string_view(upper).substr(dot + 1);
  return MatchPart(base, patBase) && MatchPart(ext, patExt);
}

ParsedPath ParseDosPath(std::string_view text) {
  ParsedPath out;
  if (text.size() >= 2 && text[1] == ':' && std::isalpha(static_cast<unsigned char>(text[0]))) {
    out.Drive = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    text.remove_prefix(2);
  }
  if (!text.empty() && text[0] == '\\') {
    out.Absolute = true;
    text.remove_prefix(1);
  }
  while (!text.empty()) {
    const size_t slash = text.find('\\');
    out.Parts.emplace_back(text.substr(0, slash));
    if (slash == std::string_view::npos) break;
    text.remove_prefix(slash + 1);
  }
  // "DATA\" names the folder DATA: a trailing separator adds nothing.
  if (!out.Parts.empty() && out.Parts.back().empty()) out.Parts.pop_back();
  return out;
}

std::optional<DosPath> ResolveDosPath(const DosPath& start, const std::vector<std::string>& parts, NameRule rule) {
  DosPath path = start;
  for (const std::string& part : parts) {
    if (part == ".") continue;
    if (part == "..") {
      if (path.empty()) return std::nullopt;
      path.pop_back();
      continue;
    }
    auto name = NormalizeDosName(part, rule);
    if (!name) return std::nullopt;
    path.push_back(*name);
  }
  return path;
}

std::string DosPathText(char drive, const DosPath& path) {
  std::string out{drive, ':', '\\'};
  for (size_t i = 0; i < path.size(); ++i) {
    if (i) out += '\\';
    out += path[i];
  }
  return out;
}

DosStamp DosStamp::Make(int year, int month, int day, int hour, int minute, int second) {
  year = std::clamp(year, 1980, 2107);
  DosStamp stamp;
  stamp.Date = static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day);
  stamp.Time = static_cast<uint16_t>((hour << 11) | (minute << 5) | (second / 2));
  return stamp;
}

std::optional<DosStamp> DosStamp::Parse(std::string_view text) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
  char tail = 0;
  const std::string copy(text);
  if (std::sscanf(copy.c_str(), "%4d-%2d-%2d %2d:%2d%c", &year, &month, &day, &hour, &minute, &tail) != 5 ||
      year < 1980 || year > 2107 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 ||
      minute > 59 || hour < 0 || minute < 0)
    return std::nullopt;
  return Make(year, month, day, hour, minute);
}

DosStamp DosStamp::Now() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return Make(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
}

}  // namespace talosim
