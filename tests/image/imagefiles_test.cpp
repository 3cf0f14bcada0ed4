// Files back to the PC, as talo7100-cli does it: image ls and image get
// against mtools (mdir, mcopy), a reader nobody here wrote, on an image
// mtools made and on a simulator's drive; image diff; get from a
// controller by both roads.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include "tests/image/imagesimfixture.h"
#include "tests/support/clirun.h"

namespace {

// A program of mtools run to its end: its output, or a failure.
QString Mtools(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(30000) || process.exitCode() != 0) {
    ADD_FAILURE() << program.toStdString() << " " << arguments.join(' ').toStdString()
                  << " failed (mtools missing? .ci/setup installs it): "
                  << process.readAllStandardError().toStdString();
    return {};
  }
  return QString::fromLocal8Bit(process.readAllStandardOutput());
}

QByteArray Pattern(int size, int seed) {
  QByteArray bytes(size, '\0');
  for (int i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + seed * 7) ^ (i >> 5));
  return bytes;
}

bool Write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray Read(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// The C locale: dates as "yyyy/MM/dd HH:mm:ss".
QProcessEnvironment CLocale() {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
  return environment;
}

struct Made {
  QString Image;
  QStringList Folders;  // as mdir names them
  QStringList Files;
};

// mformat's own layout (two-sector clusters, 224 root entries), files put
// with mcopy: a text, a binary, an empty file, one in a folder.
Made MtoolsImage(const QTemporaryDir& dir) {
  const QString image = dir.filePath(QStringLiteral("mtools.img"));
  Mtools(QStringLiteral("mformat"), {"-C", "-i", image, "-T", "2048", "-h", "2", "-s", "32", "-v", "MADE", "::"});
  Mtools(QStringLiteral("mmd"), {"-i", image, "::SUB"});
  const QList<std::pair<QString, QByteArray>> files = {
      {"A.TXT", "alpha\r\n"}, {"B.BIN", Pattern(5000, 1)}, {"EMPTY.DAT", ""}, {"SUB/C.DAT", Pattern(2000, 2)}};
  for (const auto& [name, bytes] : files) {
    const QString local = dir.filePath(QString(name).replace('/', '_'));
    EXPECT_TRUE(Write(local, bytes));
    Mtools(QStringLiteral("mcopy"), {"-m", "-i", image, local, "::" + name});
  }
  return {image, {"", "SUB"}, {"A.TXT", "B.BIN", "EMPTY.DAT", "SUB/C.DAT"}};
}

// The simulator's drive as its backup gives it: the demonstration files.
Made SimulatorImage(const QTemporaryDir& dir) {
  talosim::Simulator sim;
  sim.FillDemo();
  const std::vector<uint8_t> drive = sim.Image();
  const QString image = dir.filePath(QStringLiteral("sim.img"));
  EXPECT_TRUE(Write(image, QByteArray(reinterpret_cast<const char*>(drive.data()),
                                      static_cast<qsizetype>(drive.size()))));
  return {image, {"", "DATA/LOG"}, {"APPMAIN.EXE", "README.TXT", "DATA/LOG/20240403.LOG", "DATA/TREND.DAT"}};
}

using Maker = Made (*)(const QTemporaryDir&);
class AgainstMtools : public ::testing::TestWithParam<std::pair<const char*, Maker>> {
 protected:
  QTemporaryDir Dir;
};

// "NAME.EXT|size|yyyy-MM-dd HH:mm" for each entry, and the free bytes.
std::pair<QSet<QString>, QString> MdirEntries(const QString& text) {
  static const QRegularExpression entry(
      QStringLiteral("^(\\S+) +(\\S{0,3}) +(<DIR>|\\d+) +(\\d{4}-\\d\\d-\\d\\d) +(\\d+):(\\d\\d)"));
  static const QRegularExpression free(QStringLiteral("([\\d ]+) bytes free"));
  QSet<QString> entries;
  QString freeBytes;
  for (const QString& line : text.split('\n')) {
    if (const auto m = free.match(line); m.hasMatch()) freeBytes = m.captured(1).remove(' ');
    const auto m = entry.match(line);
    if (!m.hasMatch() || m.captured(1) == "." || m.captured(1) == "..") continue;
    const QString name = (m.captured(2).isEmpty() ? m.captured(1) : m.captured(1) + '.' + m.captured(2)).toUpper();
    const QString size = m.captured(3) == "<DIR>" ? QString() : m.captured(3);
    entries.insert(QStringLiteral("%1|%2|%3 %4:%5").arg(name, size, m.captured(4))
                       .arg(m.captured(5).toInt(), 2, 10, QLatin1Char('0')).arg(m.captured(6)));
  }
  return {entries, freeBytes};
}

std::pair<QSet<QString>, QString> LsEntries(const QString& text) {
  QSet<QString> entries;
  QString freeBytes;
  for (const QString& line : text.split('\n', Qt::SkipEmptyParts)) {
    const QStringList fields = line.split('\t');
    if (fields.size() < 4) {
      if (line.contains("bytes free")) freeBytes = line.mid(line.indexOf('(')).remove(QRegularExpression("\\D"));
      continue;
    }
    const QDateTime when = QDateTime::fromString(fields[3], QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    const QDateTime day = QDateTime::fromString(fields[3], QStringLiteral("yyyy/MM/dd"));
    entries.insert(QStringLiteral("%1|%2|%3").arg(fields[0], fields[1],
                                                 (when.isValid() ? when : day).toString("yyyy-MM-dd HH:mm")));
  }
  return {entries, freeBytes};
}

TEST_P(AgainstMtools, lsListsWhatMdirLists) {
  const Made made = GetParam().second(Dir);
  for (const QString& folder : made.Folders) {
    SCOPED_TRACE(folder.toStdString());
    const auto mdir = MdirEntries(Mtools(QStringLiteral("mdir"), {"-a", "-i", made.Image, "::/" + folder}));
    const CliResult ls = RunCli({"image", "ls", made.Image, "\\" + QString(folder).replace('/', '\\')}, CLocale());
    ASSERT_EQ(ls.ExitCode, 0) << ls.Err.toStdString();
    const auto ours = LsEntries(ls.Out);
    EXPECT_FALSE(mdir.first.isEmpty());
    EXPECT_EQ(ours.first, mdir.first);
    EXPECT_EQ(ours.second, mdir.second);
  }
}

TEST_P(AgainstMtools, getCopiesWhatMcopyCopies) {
  const Made made = GetParam().second(Dir);
  const QString theirs = Dir.filePath("theirs"), ours = Dir.filePath("ours");
  ASSERT_TRUE(QDir().mkpath(theirs) && QDir().mkpath(ours));
  for (const QString& file : made.Files) {
    SCOPED_TRACE(file.toStdString());
    const QString name = QFileInfo(file).fileName();
    Mtools(QStringLiteral("mcopy"), {"-n", "-m", "-i", made.Image, "::/" + file, theirs + "/" + name});
    const CliResult get = RunCli({"image", "get", made.Image, "\\" + QString(file).replace('/', '\\'), ours});
    ASSERT_EQ(get.ExitCode, 0) << get.Err.toStdString();
    EXPECT_EQ(Read(ours + "/" + name), Read(theirs + "/" + name));
    EXPECT_EQ(QFileInfo(ours + "/" + name).lastModified(), QFileInfo(theirs + "/" + name).lastModified());
  }
}

INSTANTIATE_TEST_SUITE_P(ImageFiles, AgainstMtools,
                         ::testing::Values(std::pair{"madeByMtools", &MtoolsImage},
                                           std::pair{"simulatorDrive", &SimulatorImage}),
                         [](const auto& info) { return std::string(info.param.first); });

// The drive of a simulator whose clock stands still, so that two drives
// made alike hold alike stamps.
QString SavedDrive(const QTemporaryDir& dir, const QString& name,
                   const QList<std::pair<const char*, const char*>>& files) {
  talosim::SimOptions options;
  options.Clock = "2024-05-06 07:08";
  talosim::Simulator sim(options);
  for (const auto& [path, bytes] : files) EXPECT_TRUE(sim.PutFile(path, bytes));
  const std::vector<uint8_t> drive = sim.Image();
  const QString image = dir.filePath(name);
  EXPECT_TRUE(Write(image, QByteArray(reinterpret_cast<const char*>(drive.data()), static_cast<qsizetype>(drive.size()))));
  return image;
}

TEST(ImageFiles, diffNamesEachChangeAndExitsOneWhenNotEqual) {
  QTemporaryDir dir;
  const QString before =
      SavedDrive(dir, "before.img", {{"\\KEEP.TXT", "same"}, {"\\OLD.LOG", "old"}, {"\\CONF\\A.CFG", "one"}});
  const QString after = SavedDrive(
      dir, "after.img", {{"\\KEEP.TXT", "same"}, {"\\CONF\\A.CFG", "one more"}, {"\\NEW\\N.DAT", "n"}});
  const CliResult diff = RunCli({"image", "diff", before, after}, CLocale());
  EXPECT_EQ(diff.ExitCode, 1);
  EXPECT_EQ(diff.Out, "changed\t\\CONF\\A.CFG\t3 -> 8\t2024/05/06 07:08:00\n"
                      "added\t\\NEW\t<DIR>\t2024/05/06 07:08:00\n"
                      "added\t\\NEW\\N.DAT\t1\t2024/05/06 07:08:00\n"
                      "removed\t\\OLD.LOG\t3\t2024/05/06 07:08:00\n"
                      "2 added, 1 removed, 1 changed\n");
  const CliResult same = RunCli({"image", "diff", before, before});
  EXPECT_EQ(same.ExitCode, 0);
  EXPECT_EQ(same.Out, "The images hold the same files and folders.\n");
}

TEST(ImageFiles, anImageWithoutAFileSystemIsRefusedAsSuch) {
  QTemporaryDir dir;
  const QString zeros = dir.filePath("zeros.img");
  ASSERT_TRUE(Write(zeros, QByteArray(1048576, '\0')));
  const CliResult ls = RunCli({"image", "ls", zeros});
  EXPECT_EQ(ls.ExitCode, 1);
  EXPECT_TRUE(ls.Err.contains("This image holds no FAT file system: it can be restored but not browsed"));
}

// get from a controller: texts typed when "type" carries them whole, the
// rest from one backup of the drive; every file back byte for byte.
class GetFromController : public ImageSimFixture {};

TEST_F(GetFromController, bringsFilesBackByteForByteByBothRoads) {
  const QList<std::pair<QString, QByteArray>> files = {
      {"NOEND.TXT", "one\r\nlast"},                               // type
      {"CRLF.BAT", "PROG.EXE\r\n"},                               // type
      {"LF.LOG", "a\nb\n"},                                       // type
      {"PADDED.CFG", "ip ttl 64\r\n" + QByteArray(117, '\0')},    // image: zeros never reach a line
      {"CTRLZ.TXT", "text\x1A" "after the end mark"},              // image
      {"NUL.INI", QByteArray("a\0b\r\n", 5)},                    // image
      {"APP.EXE", Pattern(3000, 3)},                              // image
      {"DIR\\IN.DAT", Pattern(700, 4)}};                          // image
  for (const auto& [path, bytes] : files)
    ASSERT_TRUE(Sim().PutFile("\\" + path.toStdString(), bytes.toStdString()));
  QStringList arguments{"--port", QString::fromStdString(PortPath()), "get"};
  for (const auto& [path, bytes] : files)
    if (!path.startsWith("DIR")) arguments.append("\\" + path);
  arguments << "\\DIR" << Work.path();
  const CliResult get = RunCli(arguments, QProcessEnvironment::systemEnvironment(), 240000);
  ASSERT_EQ(get.ExitCode, 0) << get.Err.toStdString();
  for (const auto& [path, bytes] : files)
    EXPECT_EQ(Read(Work.filePath(QString(path).replace("\\", "/"))), bytes) << path.toStdString();
  EXPECT_EQ(get.Out.count("(type)"), 3) << get.Out.toStdString();
  EXPECT_EQ(get.Out.count("(drive image)"), 5) << get.Out.toStdString();
}

TEST_F(GetFromController, replacesAnExistingFileOnlyWithForce) {
  ASSERT_TRUE(Sim().PutFile("\\A.TXT", "new"));
  ASSERT_TRUE(Write(Work.filePath("A.TXT"), "mine"));
  const QStringList call{"--port", QString::fromStdString(PortPath()), "get", "\\A.TXT", Work.path()};
  EXPECT_EQ(RunCli(call).ExitCode, 1);
  EXPECT_EQ(Read(Work.filePath("A.TXT")), "mine");
  EXPECT_EQ(RunCli(QStringList(call) << "--force").ExitCode, 0);
  EXPECT_EQ(Read(Work.filePath("A.TXT")), "new");
}

}  // namespace
