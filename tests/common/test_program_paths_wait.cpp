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
    const QString build = root.filePath("build");
    const QString installed = root.filePath("usr/bin");
    ASSERT_TRUE(QDir().mkpath(build + "/src/app") && QDir().mkpath(installed));
    const QString home = root.filePath("home"), share = root.filePath("usr/share/zarvo"),
                  source = root.filePath("src/data");
    auto places = [&](const QString& exeDir) {
        return zarvo::ProgramPaths::dataPlaces(home, exeDir, share, build, source);
    };
    EXPECT_EQ(places(installed), QStringList({home, share, root.filePath("usr/share/zarvo")}));
    EXPECT_EQ(places(build + "/src/app").last(), source);
    ASSERT_TRUE(QDir().mkpath(root.filePath("build-other")));
    EXPECT_FALSE(places(root.filePath("build-other")).contains(source)) << "a sibling is no build tree";
    EXPECT_FALSE(zarvo::ProgramPaths::dataPlaces(home, installed, share, "", source).contains(source));
}

TEST(ProgramPathsTest, WithoutZarvoHomeTheWritableExecutableDirectory)
{
    EnvGuard guard("ZARVO_HOME");
    qunsetenv("ZARVO_HOME");
    // The test program's own build directory is writable here.
    EXPECT_EQ(zarvo::ProgramPaths::programDir(),
              QFileInfo(zarvo::ProgramPaths::executablePath()).absolutePath());
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
