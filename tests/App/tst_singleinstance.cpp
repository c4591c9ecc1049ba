#include "App/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// Two real processes meeting over the per-user socket. Each test gets its own
// temporary folder as XDG_RUNTIME_DIR, where the socket lives, so runs never meet.
class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void secondLaunchHandsOver_data();
    void secondLaunchHandsOver();
    void crashedInstanceDoesNotBlockTheNext();
    void socketOnlyInAPrivateFolder_data();
    void socketOnlyInAPrivateFolder();
    void otherUsersAreRefused_data();
    void otherUsersAreRefused();

private:
    QProcess* startPeer(const QStringList& arguments, const QString& activationToken = {});
    bool waitForLine(QProcess* process, QByteArray* line);

    std::unique_ptr<QTemporaryDir> m_tmp;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

void TestSingleInstance::init()
{
    m_tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tmp->isValid());
}

// A process still running is killed as it goes.
void TestSingleInstance::cleanup()
{
    m_processes.clear();
    m_tmp.reset();
}

QProcess* TestSingleInstance::startPeer(const QStringList& arguments, const QString& activationToken)
{
    QProcess* process = m_processes.emplace_back(std::make_unique<QProcess>()).get();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDG_RUNTIME_DIR"_s, m_tmp->path());
    environment.remove(u"DESKTOP_STARTUP_ID"_s);
    environment.remove(u"XDG_ACTIVATION_TOKEN"_s);
    if (!activationToken.isEmpty())
        environment.insert(u"XDG_ACTIVATION_TOKEN"_s, activationToken);
    process->setProcessEnvironment(environment);
    process->start(QStringLiteral(SINGLEINSTANCE_PEER), arguments);
    return process;
}

bool TestSingleInstance::waitForLine(QProcess* process, QByteArray* line)
{
    QDeadlineTimer deadline(10000);
    while (!process->canReadLine()) {
        if (deadline.hasExpired() || !process->waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    *line = process->readLine().trimmed();
    return true;
}

void TestSingleInstance::secondLaunchHandsOver_data()
{
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QString>("token");
    QTest::addColumn<QString>("received");

    // The launcher's token goes along, so the running window may come forward.
    QTest::newRow("paths and token") << QStringList { u"/srv/a b.zip"_s, u"/home/用户/资料.rar"_s }
                                     << u"kwin-42_TIME1234"_s
                                     << u"[\"/srv/a b.zip\",\"/home/用户/资料.rar\"]"_s;
    QTest::newRow("no paths, no token") << QStringList() << QString() << u"[]"_s;
}

void TestSingleInstance::secondLaunchHandsOver()
{
    QFETCH(QStringList, paths);
    QFETCH(QString, token);
    QFETCH(QString, received);

    QProcess* primary = startPeer({});
    QByteArray line;
    QVERIFY(waitForLine(primary, &line));
    QCOMPARE(line, "primary");

    QProcess* second = startPeer(paths, token);
    QVERIFY(second->waitForFinished(10000));
    QCOMPARE(second->exitCode(), 0);
    QCOMPARE(second->readAllStandardOutput().trimmed(), "handed-over");

    if (!token.isEmpty()) {
        QVERIFY(waitForLine(primary, &line));
        QCOMPARE(QString::fromUtf8(line), u"token "_s + token);
    }
    QVERIFY(waitForLine(primary, &line));
    QCOMPARE(QString::fromUtf8(line), received);
    QCOMPARE(primary->state(), QProcess::Running);
}

void TestSingleInstance::crashedInstanceDoesNotBlockTheNext()
{
    QProcess* crashed = startPeer({});
    QByteArray line;
    QVERIFY(waitForLine(crashed, &line));
    crashed->kill(); // leaves its socket file behind
    QVERIFY(crashed->waitForFinished());

    QProcess* next = startPeer({ u"/x.7z"_s });
    QVERIFY(waitForLine(next, &line));
    QCOMPARE(line, "primary");
}

void TestSingleInstance::socketOnlyInAPrivateFolder_data()
{
    QTest::addColumn<bool>("runtimeDirSet");
    QTest::addColumn<QString>("planted"); // what already stands at the fallback folder's name
    QTest::addColumn<bool>("listens");

    QTest::newRow("runtime dir") << true << QString() << true;
    QTest::newRow("fallback made private") << false << QString() << true;
    QTest::newRow("fallback is a link") << false << u"link"_s << false;
    QTest::newRow("fallback open to others") << false << u"open folder"_s << false;
    QTest::newRow("fallback of another user") << false << u"foreign folder"_s << false;
}

void TestSingleInstance::socketOnlyInAPrivateFolder()
{
    QFETCH(bool, runtimeDirSet);
    QFETCH(QString, planted);
    QFETCH(bool, listens);

    const QString runtime = m_tmp->filePath(u"runtime"_s);
    QVERIFY(QDir().mkdir(runtime)
            && QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QString shared = m_tmp->filePath(u"tmp"_s);
    QVERIFY(QDir().mkdir(shared));
    const QString fallback = shared + u"/kestrel-archive-"_s + QString::number(geteuid());
    const QByteArray fallbackName = QFile::encodeName(fallback);
    if (planted == u"link")
        QVERIFY(QFile::link(runtime, fallback));
    else if (planted == u"open folder")
        QVERIFY(::mkdir(fallbackName.constData(), 0777) == 0 && ::chmod(fallbackName.constData(), 0777) == 0);
    else if (planted == u"foreign folder" && geteuid() != 0)
        QSKIP("needs root to give a folder to another user");
    else if (planted == u"foreign folder")
        QVERIFY(::mkdir(fallbackName.constData(), 0700) == 0
                && ::chown(fallbackName.constData(), 65534, 65534) == 0);
    qputenv("TMPDIR", QFile::encodeName(shared));
    if (runtimeDirSet)
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    else
        qunsetenv("XDG_RUNTIME_DIR");

    SingleInstance instance;
    QCOMPARE(instance.listen(), listens);
    if (!listens) {
        QVERIFY(SingleInstance::socketPath().isEmpty());
        return;
    }
    const QString folder = runtimeDirSet ? runtime : fallback;
    QCOMPARE(SingleInstance::socketPath(), folder + u"/kestrel-archive"_s);
    struct stat status = {};
    QVERIFY(::lstat(QFile::encodeName(folder).constData(), &status) == 0);
    QCOMPARE(status.st_mode & 07777, mode_t(0700));
    QVERIFY(QFileInfo(SingleInstance::socketPath()).exists());
}

namespace {
constexpr uid_t kNobody = 65534;

// Runs `body` in a child that has become the user nobody; its result is the exit code.
pid_t forkAsNobody(const std::function<int()>& body)
{
    const pid_t child = fork();
    if (child == 0)
        _exit(setgid(kNobody) == 0 && setuid(kNobody) == 0 ? body() : 99);
    return child;
}

// Events go on meanwhile, so an instance in this process can answer.
int exitCodeOf(pid_t child)
{
    int status = 0;
    if (QTest::qWaitFor([&] { return waitpid(child, &status, WNOHANG) != 0; }, 10000))
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    return -1;
}

sockaddr_un addressOf(const QByteArray& path)
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, path.constData(), sizeof(address.sun_path));
    return address;
}

bool readable(int fd, int timeoutMs)
{
    pollfd entry { fd, POLLIN, 0 };
    return poll(&entry, 1, timeoutMs) == 1;
}

// A client of another user: 0 when the instance took its paths and answered.
int foreignClient(const QByteArray& path)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un address = addressOf(path);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0)
        return 2;
    const char message[] = "[\"/leaked\"]\n";
    char answer = 0;
    if (write(fd, message, sizeof(message) - 1) < 0 || !readable(fd, 3000))
        return 1;
    return read(fd, &answer, 1) == 1 ? 0 : 1;
}

// A server of another user: 0 when a launch handed it any bytes.
int foreignServer(const QByteArray& path, int readyPipe)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un address = addressOf(path);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 || listen(fd, 1) != 0
        || chmod(path.constData(), 0777) != 0)
        return 2;
    (void)!write(readyPipe, "r", 1);
    if (!readable(fd, 5000))
        return 3;
    const int peer = accept(fd, nullptr, nullptr);
    char byte = 0;
    return readable(peer, 3000) && read(peer, &byte, 1) == 1 ? 0 : 1;
}
} // namespace

void TestSingleInstance::otherUsersAreRefused_data()
{
    QTest::addColumn<bool>("otherIsServer");
    QTest::newRow("client of another user") << false;
    QTest::newRow("server of another user") << true;
}

// As if the folder had let another user in: the uid check still keeps the paths.
void TestSingleInstance::otherUsersAreRefused()
{
    QFETCH(bool, otherIsServer);
    if (geteuid() != 0)
        QSKIP("needs root to act as another user");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_tmp->path()));
    const QByteArray folder = QFile::encodeName(m_tmp->path());
    const QByteArray path = QFile::encodeName(SingleInstance::socketPath());
    QVERIFY(!path.isEmpty());
    SingleInstance instance;

    if (otherIsServer) {
        int ready[2];
        QVERIFY(pipe(ready) == 0 && chmod(folder.constData(), 0777) == 0);
        const pid_t child = forkAsNobody([&] { return foreignServer(path, ready[1]); });
        char byte = 0;
        QVERIFY(readable(ready[0], 5000) && read(ready[0], &byte, 1) == 1);
        QVERIFY(chmod(folder.constData(), 0700) == 0);
        QVERIFY(!instance.sendToRunningInstance({ u"/secret.zip"_s }, {}, 2000));
        QCOMPARE(exitCodeOf(child), 1);
        close(ready[0]);
        close(ready[1]);
        return;
    }

    QVERIFY(instance.listen());
    QSignalSpy received(&instance, &SingleInstance::filesReceived);
    QVERIFY(chmod(folder.constData(), 0711) == 0 && chmod(path.constData(), 0777) == 0);
    const pid_t child = forkAsNobody([&] { return foreignClient(path); });
    QCOMPARE(exitCodeOf(child), 1);
    QVERIFY(chmod(folder.constData(), 0700) == 0);
    QCOMPARE(received.size(), 0);
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
