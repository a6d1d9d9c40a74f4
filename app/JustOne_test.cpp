#include "app/JustOne.h"

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include "app/ProgramEntry.h"

#include <gtest/gtest.h>

namespace {

// A channel name no viewer the user runs will use, unique per test.
QString TestServerName(const char* test) {
    return QStringLiteral("lineatum-test-%1-%2").arg(QCoreApplication::applicationPid()).arg(test);
}

TEST(JustOneTest, DefaultNameIsProgramFileAndUser) {
    EXPECT_EQ(TJustOne::DefaultServerName(), QStringLiteral("app_test-%1").arg(getuid()));
}

TEST(JustOneTest, FirstInstanceListens) {
    TJustOne first(TestServerName("first"));
    EXPECT_FALSE(first.PreviousInstance());
    EXPECT_TRUE(first.IsListening());
}

TEST(JustOneTest, SecondInstanceSeesFirstAndAsksItToRaise) {
    TJustOne first(TestServerName("second"));
    QSignalSpy raised(&first, &TJustOne::RaiseRequested);

    TJustOne second(TestServerName("second"));
    EXPECT_TRUE(second.PreviousInstance());
    EXPECT_FALSE(second.IsListening());
    EXPECT_TRUE(raised.count() == 1 || raised.wait(5000));
    EXPECT_EQ(raised.count(), 1);
}

// A later start with a file hands it over whole, whatever its name holds.
TEST(JustOneTest, ALaterStartWithAFileHandsItOver) {
    TJustOne first(TestServerName("file"));
    QSignalSpy raised(&first, &TJustOne::RaiseRequested);
    QSignalSpy opened(&first, &TJustOne::OpenRequested);
    const QString file = QStringLiteral("/tmp/Family Tree\nof Dvo\u0159\u00e1k %41 @1.ged");
    TJustOne second(TestServerName("file"), file);
    EXPECT_TRUE(second.PreviousInstance());
    EXPECT_TRUE(opened.count() == 1 || opened.wait(5000));
    ASSERT_EQ(opened.count(), 1);
    EXPECT_EQ(opened[0][0].toString(), file);
    EXPECT_EQ(raised.count(), 0);
}

TEST(JustOneTest, EveryLaterStartAsksAgain) {
    TJustOne first(TestServerName("again"));
    QSignalSpy raised(&first, &TJustOne::RaiseRequested);
    {
        TJustOne second(TestServerName("again"));
        EXPECT_TRUE(second.PreviousInstance());
    }
    {
        TJustOne third(TestServerName("again"));
        EXPECT_TRUE(third.PreviousInstance());
    }
    EXPECT_TRUE(QTest::qWaitFor([&raised] { return raised.count() == 2; }, 5000));
}

TEST(JustOneTest, ChannelIsFreeAgainAfterTheFirstEnds) {
    { TJustOne first(TestServerName("free")); }
    TJustOne next(TestServerName("free"));
    EXPECT_FALSE(next.PreviousInstance());
    EXPECT_TRUE(next.IsListening());
}

TEST(JustOneTest, SocketLeftByCrashedInstanceIsReplaced) {
    // A bound socket whose owner is gone: what a killed viewer leaves behind.
    const QString path = QDir::tempPath() + QLatin1Char('/') + TestServerName("stale");
    const QByteArray encoded = QFile::encodeName(path);
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(static_cast<size_t>(encoded.size()), sizeof(address.sun_path));
    std::memcpy(address.sun_path, encoded.constData(), static_cast<size_t>(encoded.size()));
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    close(fd);
    ASSERT_TRUE(QFileInfo::exists(path));

    TJustOne first(TestServerName("stale"));
    EXPECT_FALSE(first.PreviousInstance());
    EXPECT_TRUE(first.IsListening());
    TJustOne second(TestServerName("stale"));
    EXPECT_TRUE(second.PreviousInstance());
}

// Runs the real program twice on a test channel: the second start must end at once with 0 and
// the first must bring its window to the front.
class JustOneProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QFileInfo(program_).isExecutable()) << program_.toStdString();
        char pattern[] = "/tmp/lineatum-run-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        workDir_ = QString::fromLocal8Bit(pattern);
    }
    void TearDown() override {
        for (QProcess* process : {&first_, &second_}) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(5000);
            }
        }
        QDir(workDir_).removeRecursively();
        // A killed viewer leaves its socket behind.
        QLocalServer::removeServer(TestServerName("process"));
    }

    void Start(QProcess& process, const QStringList& arguments = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QString::fromLatin1(kInstanceNameVariable), TestServerName("process"));
        env.insert(QStringLiteral("QT_LOGGING_RULES"),
                   QStringLiteral("lineatum.instance.info=true"));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(workDir_);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(program_, arguments);
    }

    // Collects `process`'s error output until it contains `text` or `timeoutMs` pass.
    static bool WaitForOutput(QProcess& process, QByteArray& seen, const char* text,
                              int timeoutMs) {
        QElapsedTimer timer;
        timer.start();
        while (!seen.contains(text)) {
            if (timer.elapsed() > timeoutMs || process.state() == QProcess::NotRunning) break;
            process.waitForReadyRead(100);
            seen += process.readAllStandardError();
        }
        seen += process.readAllStandardError();
        return seen.contains(text);
    }

    const QString program_ = QStringLiteral(LINEATUM_BIN_DIR "/lineatum");
    QString workDir_;
    QProcess first_;
    QProcess second_;
};

TEST_F(JustOneProcessTest, SecondStartEndsAtOnceAndRaisesTheFirst) {
    QByteArray firstOutput;
    Start(first_);
    ASSERT_TRUE(WaitForOutput(first_, firstOutput, "listening on", 15000))
        << firstOutput.toStdString();

    QElapsedTimer timer;
    timer.start();
    Start(second_);
    ASSERT_TRUE(second_.waitForFinished(10000));
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_EQ(second_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second_.exitCode(), 0);
    const QByteArray secondOutput = second_.readAllStandardError();
    EXPECT_TRUE(secondOutput.contains("asked it to raise")) << secondOutput.toStdString();
    EXPECT_FALSE(secondOutput.contains("listening on")) << secondOutput.toStdString();

    EXPECT_TRUE(WaitForOutput(first_, firstOutput, "main window raised", 10000))
        << firstOutput.toStdString();
    EXPECT_EQ(first_.state(), QProcess::Running);
}

// A second start with a relative file name hands the file over as an absolute path, resolved
// against its own folder, and ends at once.
TEST_F(JustOneProcessTest, SecondStartHandsOverItsFileResolvedAgainstItsOwnFolder) {
    QByteArray firstOutput;
    Start(first_);
    ASSERT_TRUE(WaitForOutput(first_, firstOutput, "listening on", 15000))
        << firstOutput.toStdString();

    Start(second_, {QStringLiteral("Family Tree.ged")});
    ASSERT_TRUE(second_.waitForFinished(10000));
    EXPECT_EQ(second_.exitCode(), 0);
    const QString expected = QDir(workDir_).absoluteFilePath(QStringLiteral("Family Tree.ged"));
    EXPECT_TRUE(WaitForOutput(first_, firstOutput,
                              ("a later instance hands over \"" + expected + "\"").toUtf8(),
                              10000))
        << firstOutput.toStdString();
}

// --help and --version answer without a display and without looking for a running instance;
// a bad argument is refused with the usage.
TEST_F(JustOneProcessTest, HelpAndVersionAnswerBeforeAnyWindowAndBadArgumentsAreRefused) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));  // no display: fatal
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QString::fromLatin1(kInstanceNameVariable), TestServerName("process"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("lineatum.instance.info=true"));
    const auto run = [&](const QStringList& arguments, int& exitCode, QByteArray& out,
                         QByteArray& err) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(program_, arguments);
        EXPECT_TRUE(process.waitForFinished(10000));
        exitCode = process.exitCode();
        out = process.readAllStandardOutput();
        err = process.readAllStandardError();
    };
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    run({QStringLiteral("--version")}, exitCode, out, err);
    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(out.startsWith("lineatum ")) << out.toStdString();
    EXPECT_TRUE(err.isEmpty()) << err.toStdString();
    run({QStringLiteral("family.ged"), QStringLiteral("--help")}, exitCode, out, err);
    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(out.startsWith("Usage: lineatum [FILE.ged]\n")) << out.toStdString();
    EXPECT_TRUE(err.isEmpty()) << err.toStdString();

    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    run({QStringLiteral("--frobnicate")}, exitCode, out, err);
    EXPECT_EQ(exitCode, 2);
    EXPECT_TRUE(err.contains("lineatum: unknown option --frobnicate\nUsage: ")) << err.toStdString();
    EXPECT_FALSE(err.contains("listening on")) << err.toStdString();
    run({QStringLiteral("a.ged"), QStringLiteral("b.ged")}, exitCode, out, err);
    EXPECT_EQ(exitCode, 2);
    EXPECT_TRUE(err.contains("lineatum: one file at a time\n")) << err.toStdString();
}

}  // namespace
