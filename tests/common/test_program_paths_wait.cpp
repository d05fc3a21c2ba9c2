// SPDX-License-Identifier: GPL-3.0-or-later
#include "BuildPaths.h"
#include "common/ProgramPaths.h"
#include "common/Wait.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <ctime>
#include <gtest/gtest.h>
#include <map>
#include <string>

namespace {

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Restores an environment variable when the test ends.
class EnvGuard {
  public:
    explicit EnvGuard(const char* name)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
    }
    ~EnvGuard()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

  private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

TEST(ProgramPathsTest, ZarvoHomeIsTheProgramDirectoryAndIsLookedInFirst)
{
    EnvGuard guard("ZARVO_HOME");
    QTemporaryDir dir;
    const QString home = dir.filePath("sub/home");
    qputenv("ZARVO_HOME", home.toUtf8());
    EXPECT_EQ(zarvo::ProgramPaths::programDir(), home);
    EXPECT_TRUE(QDir(home).exists()); // created on first use
    EXPECT_EQ(zarvo::ProgramPaths::programFile("ZARVO2.ini"), home + "/ZARVO2.ini");
    EXPECT_EQ(zarvo::ProgramPaths::logFile(), home + "/ZARVO.LOG");

    // A copy in the program directory wins.
    EXPECT_TRUE(zarvo::ProgramPaths::findData("no-such-file.dat").isEmpty());
    QFile own(home + "/RFCG3.DAT");
    ASSERT_TRUE(own.open(QIODevice::WriteOnly));
    own.close();
    EXPECT_EQ(zarvo::ProgramPaths::findData("RFCG3.DAT"), home + "/RFCG3.DAT");
}

TEST(ProgramPathsTest, OnlyAProgramInItsBuildTreeLooksInTheSourceTree)
{
    QTemporaryDir root;
    auto make = [&](const QString& dir) { return QDir().mkpath(root.filePath(dir)); };
    auto write = [&](const QString& name, const QByteArray& text) {
        QFile file(root.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
    };
    const QString source = root.filePath("src");
    ASSERT_TRUE(make("src/data") && make("build/src/app") && make("build/a/b/c/d") && make("usr/bin") &&
                make("other/bin") && make("stale/bin"));
    ASSERT_TRUE(write("build/CMakeCache.txt", "# comment\nCMAKE_BUILD_TYPE:STRING=Release\n"
                                              "Zarvo_SOURCE_DIR:STATIC=" +
                                                  source.toUtf8() + "\n"));
    ASSERT_TRUE(write("other/CMakeCache.txt", "Other_SOURCE_DIR:STATIC=" + source.toUtf8() + "\n"));
    ASSERT_TRUE(write("stale/CMakeCache.txt", "Zarvo_SOURCE_DIR:STATIC=" + root.filePath("gone").toUtf8()));

    const struct {
        const char* exeDir;
        bool inBuildTree;
    } cases[] = {
        {"build", true},       {"build/src/app", true},
        {"build/a/b/c", true}, {"build/a/b/c/d", false}, // too deep to be one of our programs
        {"usr/bin", false},    {"other/bin", false},     // another project's build tree
        {"stale/bin", false},                            // its source tree is gone
    };
    for (const auto& c : cases) {
        const QString found = zarvo::ProgramPaths::buildTreeDataDir(root.filePath(c.exeDir));
        EXPECT_EQ(found, c.inBuildTree ? source + "/data" : QString()) << c.exeDir;
    }

    // Order: home, the installed data beside the program, the source tree, the XDG data folders.
    const QString home = root.filePath("home");
    EXPECT_EQ(zarvo::ProgramPaths::dataPlaces(home, root.filePath("usr/bin"), {root.filePath("xdg")}),
              QStringList({home, root.filePath("usr/share/zarvo"), root.filePath("xdg/zarvo")}));
    EXPECT_EQ(zarvo::ProgramPaths::dataPlaces(home, root.filePath("build/src/app"), {}),
              QStringList({home, root.filePath("build/src/share/zarvo"), source + "/data"}));
}

TEST(ProgramPathsTest, XdgDataDirsWithTheirDefaults)
{
    EnvGuard home("XDG_DATA_HOME"), dirs("XDG_DATA_DIRS");
    qputenv("XDG_DATA_HOME", "/h");
    qputenv("XDG_DATA_DIRS", "/a:relative::/b");
    EXPECT_EQ(zarvo::ProgramPaths::xdgDataDirs(), QStringList({"/h", "/a", "/b"}));
    qputenv("XDG_DATA_HOME", "relative");
    qputenv("XDG_DATA_DIRS", "");
    EXPECT_EQ(zarvo::ProgramPaths::xdgDataDirs(),
              QStringList({QDir::homePath() + "/.local/share", "/usr/local/share", "/usr/share"}));
}

TEST(ProgramPathsTest, ThisTestProgramKnowsItsSourceTree)
{
    const QString exeDir = QFileInfo(zarvo::ProgramPaths::executablePath()).absolutePath();
    EXPECT_EQ(zarvo::ProgramPaths::buildTreeDataDir(exeDir), QDir::cleanPath(ZARVO_SOURCE_DATADIR));
    EXPECT_FALSE(zarvo::ProgramPaths::findData("RFCG3.DAT").isEmpty());
}

TEST(ProgramPathsTest, WithoutZarvoHomeTheXdgFoldersNeverTheProgramFolder)
{
    using zarvo::ProgramPaths::userFolders;
    std::map<std::string, QByteArray> env;
    auto read = [&env](const char* name) { return env.count(name) ? env[name] : QByteArray(); };
    const QString home = "/home/anna", exe = "/usr/bin";

    auto f = userFolders(read, home, exe, 42);
    EXPECT_EQ(f.config, "/home/anna/.config/zarvo");
    EXPECT_EQ(f.state, "/home/anna/.local/state/zarvo");
    EXPECT_EQ(f.runtime, "/home/anna/.cache/zarvo") << "no runtime folder: the cache";
    EXPECT_EQ(f.work, "/home/anna/.cache/zarvo/work-42");
    EXPECT_EQ(f.oldSettingsPlaces, QStringList({"/home/anna/.local/share/zarvo", "/usr/bin"}));

    env = {{"XDG_CONFIG_HOME", "/c"},
           {"XDG_STATE_HOME", "/s/"},
           {"XDG_RUNTIME_DIR", "/run/user/1000"},
           {"XDG_DATA_HOME", "/d"},
           {"XDG_CACHE_HOME", "relative/is/ignored"}};
    f = userFolders(read, home, exe, 7);
    EXPECT_EQ(f.config, "/c/zarvo");
    EXPECT_EQ(f.state, "/s/zarvo");
    EXPECT_EQ(f.runtime, "/run/user/1000/zarvo");
    EXPECT_EQ(f.work, "/run/user/1000/zarvo/work-7") << "two processes never share a work file";
    EXPECT_NE(userFolders(read, home, exe, 8).work, f.work);
    EXPECT_EQ(f.oldSettingsPlaces.front(), "/d/zarvo");

    env = {{"XDG_RUNTIME_DIR", "run"}, {"XDG_CONFIG_HOME", "cfg"}};
    f = userFolders(read, home, exe, 7);
    EXPECT_EQ(f.runtime, "/home/anna/.cache/zarvo");
    EXPECT_EQ(f.config, "/home/anna/.config/zarvo");

    env = {{"ZARVO_HOME", "/tmp/demo/"}, {"XDG_CONFIG_HOME", "/c"}};
    f = userFolders(read, home, exe, 7);
    for (const QString& dir : {f.config, f.state, f.runtime, f.work})
        EXPECT_EQ(dir, "/tmp/demo") << "ZARVO_HOME keeps everything in one folder";
    EXPECT_TRUE(f.oldSettingsPlaces.isEmpty());
}

TEST(ProgramPathsTest, TheArchiveIsDataItsIndexACache)
{
    using zarvo::ProgramPaths::archiveFolder, zarvo::ProgramPaths::archiveIndexFile;
    std::map<std::string, QByteArray> env;
    auto read = [&env](const char* name) { return env.count(name) ? env[name] : QByteArray(); };
    EXPECT_EQ(archiveFolder(read, "/home/anna"), "/home/anna/.local/share/zarvo/Archiv");
    EXPECT_EQ(archiveIndexFile(read, "/home/anna"), "/home/anna/.cache/zarvo/archiv.sqlite");
    env = {{"XDG_DATA_HOME", "/d"}, {"XDG_CACHE_HOME", "/c/"}};
    EXPECT_EQ(archiveFolder(read, "/home/anna"), "/d/zarvo/Archiv");
    EXPECT_EQ(archiveIndexFile(read, "/home/anna"), "/c/zarvo/archiv.sqlite");
    env["ZARVO_HOME"] = "/tmp/demo/";
    EXPECT_EQ(archiveFolder(read, "/home/anna"), "/tmp/demo/Archiv");
    EXPECT_EQ(archiveIndexFile(read, "/home/anna"), "/tmp/demo/archiv.sqlite");
}

TEST(ProgramPathsTest, OldSettingsAreTakenOverOnceAndKept)
{
    QTemporaryDir root;
    std::map<std::string, QByteArray> env{{"XDG_CONFIG_HOME", root.filePath("config").toUtf8()},
                                          {"XDG_DATA_HOME", root.filePath("data").toUtf8()}};
    auto read = [&env](const char* name) { return env.count(name) ? env[name] : QByteArray(); };
    const auto folders = zarvo::ProgramPaths::userFolders(read, root.path(), root.filePath("bin"), 1);
    auto write = [](const QString& file, const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    auto read_all = [](const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    write(root.filePath("data/zarvo/ZARVO2.ini"), "[Modem]\nComPort=3\n");
    write(root.filePath("data/zarvo/FAX.INI"), "[Fax]\n");
    write(root.filePath("bin/ZARVO2.ini"), "[Modem]\nComPort=9\n");

    EXPECT_EQ(zarvo::ProgramPaths::takeOverOldSettings(folders), QStringList({"ZARVO2.ini", "FAX.INI"}));
    EXPECT_EQ(read_all(folders.config + "/ZARVO2.ini"), "[Modem]\nComPort=3\n") << "the old fallback first";
    EXPECT_TRUE(QFile::exists(root.filePath("data/zarvo/ZARVO2.ini")))
        << "the old file stays for older builds";

    // Once: settings changed since are never overwritten by the old file again.
    write(folders.config + "/ZARVO2.ini", "[Modem]\nComPort=4\n");
    EXPECT_TRUE(zarvo::ProgramPaths::takeOverOldSettings(folders).isEmpty());
    EXPECT_EQ(read_all(folders.config + "/ZARVO2.ini"), "[Modem]\nComPort=4\n");
}

TEST(ProgramPathsTest, ARunWithoutRuntimeFolderGetsAPrivateOneNotTmp)
{
    EnvGuard runtime("XDG_RUNTIME_DIR"), cache("XDG_CACHE_HOME");
    QTemporaryDir dir;
    qputenv("XDG_CACHE_HOME", dir.path().toUtf8());
    for (const QByteArray& value : {QByteArray(), QByteArray("relative")}) {
        qputenv("XDG_RUNTIME_DIR", value);
        zarvo::ProgramPaths::settleRuntimeDir();
        const QFileInfo settled(qEnvironmentVariable("XDG_RUNTIME_DIR"));
        EXPECT_TRUE(settled.isAbsolute() && settled.isDir()) << settled.filePath().toStdString();
        EXPECT_FALSE(settled.filePath().startsWith("/tmp/runtime-"));
        EXPECT_EQ(settled.permissions() & (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup), 0);
    }
    qputenv("XDG_RUNTIME_DIR", "/run/user/4711");
    zarvo::ProgramPaths::settleRuntimeDir();
    EXPECT_EQ(qgetenv("XDG_RUNTIME_DIR"), "/run/user/4711") << "a set one is left alone";
}

TEST(WaitTest, DelayRunsTimersAndSleeps)
{
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(50);

    QElapsedTimer wall;
    wall.start();
    const double cpu0 = processCpuSeconds();
    zarvo::Delay(500);
    const double cpu = processCpuSeconds() - cpu0;
    const double elapsed = static_cast<double>(wall.elapsed()) / 1000.0;

    EXPECT_GE(elapsed, 0.5);
    EXPECT_GE(ticks, 5); // the polling timer keeps firing inside the wait
    // A spinning wait would burn about the whole wall time.
    EXPECT_LT(cpu, elapsed * 0.2) << "cpu " << cpu << " s of " << elapsed << " s";
}

TEST(WaitTest, WaitUntilEndsOnConditionOrDeadline)
{
    bool flag = false;
    QTimer::singleShot(30, [&] { flag = true; });
    EXPECT_TRUE(zarvo::WaitUntil([&] { return flag; }, 5000));
    EXPECT_FALSE(zarvo::WaitUntil([] { return false; }, 20));
    EXPECT_TRUE(zarvo::WaitUntil([] { return true; }, 0));
    zarvo::Delay(0);
}

} // namespace
