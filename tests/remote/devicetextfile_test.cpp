// The text of a "type" answer: what is text, what is the shell's refusal,
// and the lines the viewer and cat show.
#include "remote/devicetextfile.h"

#include <gtest/gtest.h>

namespace {

struct AnswerCase {
  const char* Name;
  QByteArrayList Lines;  // as the exchange passes them on
  QByteArray Text;
  const char* Refusal;
};

class TypeAnswer : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(TypeAnswer, keepsTheFilesBytesAndNothingElse) {
  const DeviceTextFile::Answer answer = DeviceTextFile::FromAnswer(GetParam().Lines);
  EXPECT_EQ(answer.Text, GetParam().Text);
  EXPECT_EQ(answer.Refusal, QLatin1String(GetParam().Refusal));
}

INSTANTIATE_TEST_SUITE_P(
    DeviceTextFile, TypeAnswer,
    ::testing::Values(
        AnswerCase{"twoLines", {"\r\n", "PROG.EXE\r\n", "REM x\r\n"}, "PROG.EXE\r\nREM x", ""},
        AnswerCase{"loneLineFeedAfterEcho", {"\n", "A\r\n"}, "A", ""},
        AnswerCase{"empty", {"\r\n", "\r\n"}, "", ""},
        AnswerCase{"xmodemPadding", {"\r\n", "ip ttl 64\r\n", QByteArray(100, '\0') + "\r\n"},
                   "ip ttl 64\r\n", ""},
        AnswerCase{"endOfTextThenPadding",
                   {"\r\n", "A\r\n", "B\x1A" + QByteArray(5, '\0') + "\r\n"}, "A\r\nB", ""},
        AnswerCase{"onlyTheFinalEndOfText", {"\r\n", "\x1A" "A\x1A\x1A\r\n"}, "\x1A" "A\x1A", ""},
        AnswerCase{"lineFeedsOnly", {"\r\n", "a\n", "b\n", "\r\n"}, "a\nb\n", ""},
        AnswerCase{"fileNotFound", {"\r\n", "File not found\r\n"}, "", "File not found"},
        AnswerCase{"folder", {"\r\n", "Access denied\r\n"}, "", "Access denied"},
        AnswerCase{"refusalFollowedByThePath", {"\r\n", "File not found - D:\\NOSUCH.TXT\r\n"},
                   "", "File not found - D:\\NOSUCH.TXT"},
        AnswerCase{"refusalWordsInsideAText", {"\r\n", "File not found\r\n", "x\r\n"},
                   "File not found\r\nx", ""}),
    [](const auto& info) { return std::string(info.param.Name); });

// What "type" gave (the shell's own line end taken off) against the
// listed size: the file's bytes only when one reading fits.
struct WholeCase {
  const char* Name;
  QByteArray Typed;
  int64_t Size;
  std::optional<QByteArray> File;
};
void PrintTo(const WholeCase& whole, std::ostream* out) { *out << whole.Name; }

class WholeText : public ::testing::TestWithParam<WholeCase> {};

TEST_P(WholeText, isTheFileOnlyWhenItsSizeAllowsOneReading) {
  EXPECT_EQ(DeviceTextFile::FileBytes(GetParam().Typed, GetParam().Size), GetParam().File);
}

INSTANTIATE_TEST_SUITE_P(
    DeviceTextFile, WholeText,
    ::testing::Values(
        WholeCase{"noFinalLineEnd", "a\r\nb", 4, QByteArray("a\r\nb")},
        WholeCase{"finalLineEndTheShellsStoodFor", "a\r\nb", 6, QByteArray("a\r\nb\r\n")},
        WholeCase{"finalLineFeed", "a\nb", 4, QByteArray("a\nb\n")},
        WholeCase{"paddingZerosAtTheEnd", QByteArray("ab\0\0", 4), 4, QByteArray("ab\0\0", 4)},
        WholeCase{"cutAtAnEndMark", "abc", 9, std::nullopt},
        WholeCase{"endMarkTyped", "ab\x1A" "c", 4, std::nullopt},
        WholeCase{"zeroBeforeTheEnd", QByteArray("a\0b", 3), 3, std::nullopt},
        WholeCase{"longerThanListed", "abcdef", 3, std::nullopt}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(DeviceTextFile, linesDropTheirEndsAndAFinalEndAddsNoLine) {
  EXPECT_EQ(DeviceTextFile::Lines("a\r\nb\n\r\nc\r\n"), QStringList({"a", "b", "", "c"}));
  EXPECT_EQ(DeviceTextFile::Lines("a\rb"), QStringList({"a\rb"}));
  EXPECT_EQ(DeviceTextFile::Lines("\n"), QStringList({""}));
  EXPECT_TRUE(DeviceTextFile::Lines("").isEmpty());
}

// Batch files are programs: a double-click runs them.
// Texts by extension in any case; batch files are texts that run rather
// than open in the viewer.
TEST(DeviceTextFile, textNamesByExtensionInAnyCase) {
  struct Case {
    const char* Name;
    bool Text;
    bool Viewer;
  };
  for (const Case& c : {Case{"socket.cfg", true, true}, Case{"SOCKET.UPW", true, true},
                        Case{"A.TXT", true, true}, Case{"X.INI", true, true},
                        Case{"Y.Log", true, true}, Case{"AUTORUN.BAT", true, false},
                        Case{"start.bat", true, false}, Case{"PROG.EXE", false, false},
                        Case{"BAT", false, false}, Case{"CFG.DAT", false, false},
                        Case{"README", false, false}}) {
    EXPECT_EQ(DeviceTextFile::IsTextName(QLatin1String(c.Name)), c.Text) << c.Name;
    EXPECT_EQ(DeviceTextFile::OpensInViewer(QLatin1String(c.Name)), c.Viewer) << c.Name;
  }
}

}  // namespace
