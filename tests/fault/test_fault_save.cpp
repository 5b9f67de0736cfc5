// Saving under faults, run in a child process (fault_saver) with the fault
// library preloaded: a full disk, a disk that fails to sync, a failing
// rename, a folder without write permission, and the process killed in the
// middle of saving 100 MB. The file on disk must always be the old content
// or the new content, never a mix, and the user must be told in German.
#include "FaultContent.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

const QString kSaver = QStringLiteral(QUILLON_FAULT_SAVER);
const QString kFaultLibrary = QStringLiteral(QUILLON_FAULT_LIBRARY);
const QString kStreamFailed = QStringLiteral("Speichern des Streams ist mißlungen");
const QString kIniFailed = QStringLiteral("Fehler|Ini-Datei konnte nicht geschrieben werden !");

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

ino_t Inode(const QString &path)
{
    struct stat info
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

QByteArray Hash(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

QByteArray FileHash(const QString &path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return QByteArray("<unreadable>");
    return hash.result();
}

struct TRun
{
    int exitCode = -1;
    QStringList lines; // what the user was shown, then the outcome
};

class SaveFaultTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        // Other users (the unprivileged one of the folder test) pass through.
        ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
        folder = dir.filePath(QStringLiteral("ordner"));
        ASSERT_TRUE(QDir().mkpath(folder));
        home = dir.filePath(QStringLiteral("home"));
        ASSERT_TRUE(QDir().mkpath(home));
        ::chmod(QFile::encodeName(home).constData(), 0777);
        runtime = dir.filePath(QStringLiteral("run"));
        ASSERT_TRUE(QDir().mkpath(runtime));
        ::chmod(QFile::encodeName(runtime).constData(), 0700);
    }

    // Root may write anywhere: the folder test then runs the child as this
    // unprivileged user, and the child's own folders must belong to it.
    static uid_t Unprivileged()
    {
        const passwd *nobody = ::getpwnam("nobody");
        return nobody ? nobody->pw_uid : uid_t(-1);
    }
    void GiveRuntimeTo(uid_t user) const
    {
        ASSERT_EQ(::chown(QFile::encodeName(runtime).constData(), user, gid_t(-1)), 0);
    }

    QProcessEnvironment Environment(const QMap<QString, QString> &faults) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        if (!faults.isEmpty()) {
            env.insert(QStringLiteral("LD_PRELOAD"), kFaultLibrary);
            // Under AddressSanitizer the fault library comes first on purpose.
            QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
            env.insert(QStringLiteral("ASAN_OPTIONS"),
                       asan + (asan.isEmpty() ? "" : ":") + QStringLiteral("verify_asan_link_order=0"));
            env.insert(QStringLiteral("QUILLON_FAULT_PATH"), folder + QLatin1Char('/'));
            for (auto it = faults.begin(); it != faults.end(); ++it)
                env.insert(it.key(), it.value());
        }
        return env;
    }

    void Start(QProcess &process, const QStringList &arguments, const QMap<QString, QString> &faults,
               uid_t asUser = uid_t(-1))
    {
        process.setProcessEnvironment(Environment(faults));
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        if (asUser != uid_t(-1)) {
            process.setChildProcessModifier([asUser] {
                const passwd *user = ::getpwuid(asUser);
                const gid_t group = user ? user->pw_gid : gid_t(asUser);
                if (::setgroups(0, nullptr) != 0 || ::setgid(group) != 0 || ::setuid(asUser) != 0)
                    ::_exit(97);
            });
        }
        process.start(kSaver, arguments);
        ASSERT_TRUE(process.waitForStarted(10000)) << process.errorString().toStdString();
    }

    TRun Run(const QStringList &arguments, const QMap<QString, QString> &faults = {}, uid_t asUser = uid_t(-1))
    {
        QProcess process;
        Start(process, arguments, faults, asUser);
        TRun run;
        if (!process.waitForFinished(300000)) {
            process.kill();
            process.waitForFinished();
            ADD_FAILURE() << "fault_saver did not finish";
            return run;
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.lines = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        run.lines.removeIf([](const QString &line) { return line.startsWith(QLatin1Char('#')); });
        return run;
    }

    // Names in the folder besides the target: temporary files left behind.
    QStringList Strays(const QString &target) const
    {
        QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
        names.removeAll(QFileInfo(target).fileName());
        return names;
    }

    // In memory when there is a tmpfs: a killed process leaves the same
    // files there as on a disk, and the 100 MB runs do not wait for one.
    static QString Base()
    {
        const QFileInfo shm(QStringLiteral("/dev/shm"));
        return shm.isDir() && shm.isWritable() ? QStringLiteral("/dev/shm/quillon-fault-XXXXXX")
                                               : QDir::tempPath() + QStringLiteral("/quillon-fault-XXXXXX");
    }

    QTemporaryDir dir{Base()};
    QString folder, home, runtime;
};

// A full disk (the write fails part-way), a disk that reports an I/O error
// on write or on sync, and a rename that fails: the old file stays as it
// was, nothing is left beside it, and the user reads why.
TEST_F(SaveFaultTest, TextFileFaultsKeepTheOldFileAndAreReported)
{
    const QByteArray old = faultcontent::OldContent(1 << 20);
    const QString target = folder + QStringLiteral("/brief.txt");
    const struct
    {
        const char *name;
        QMap<QString, QString> faults;
    } cases[] = {
        {"disk full after 300 kB", {{"QUILLON_FAULT_WRITE_AFTER", "300000"}}},
        {"disk full at once", {{"QUILLON_FAULT_WRITE_AFTER", "0"}}},
        {"I/O error on write", {{"QUILLON_FAULT_WRITE_AFTER", "4096"}, {"QUILLON_FAULT_ERRNO", "EIO"}}},
        {"quota exceeded", {{"QUILLON_FAULT_WRITE_AFTER", "1"}, {"QUILLON_FAULT_ERRNO", "EDQUOT"}}},
        {"I/O error on sync", {{"QUILLON_FAULT_SYNC", "1"}, {"QUILLON_FAULT_ERRNO", "EIO"}}},
        {"rename fails", {{"QUILLON_FAULT_RENAME", "1"}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        WriteAll(target, old);
        const TRun run = Run({QStringLiteral("text"), target, QString::number(2 << 20)}, c.faults);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.lines, QStringList({kStreamFailed, QStringLiteral("nicht gespeichert")}));
        EXPECT_TRUE(ReadAll(target) == old) << "the old file was changed";
        EXPECT_EQ(Strays(target), QStringList());
    }
    // Without a fault the same run saves: the faults above are what failed.
    WriteAll(target, old);
    const TRun run = Run({QStringLiteral("text"), target, QString::number(2 << 20)});
    EXPECT_EQ(run.lines, QStringList({QStringLiteral("gespeichert")}));
    EXPECT_TRUE(ReadAll(target) == faultcontent::NewContent(2 << 20));
    EXPECT_EQ(Strays(target), QStringList());
}

TEST_F(SaveFaultTest, SettingsFileFaultsKeepTheOldFileAndAreReported)
{
    const QByteArray old("; von Hand\r\n[Window]\r\nLeft=17\r\n[Margin]\r\nLeft=25\r\n[Eigenes]\r\nSchl\xfc"
                         "ssel=Wert\r\n");
    const QString target = folder + QStringLiteral("/quillon.ini");
    const QMap<QString, QString> faults[] = {
        {{"QUILLON_FAULT_WRITE_AFTER", "10"}},
        {{"QUILLON_FAULT_WRITE_AFTER", "0"}, {"QUILLON_FAULT_ERRNO", "EIO"}},
        {{"QUILLON_FAULT_SYNC", "1"}, {"QUILLON_FAULT_ERRNO", "EIO"}},
        {{"QUILLON_FAULT_RENAME", "1"}},
    };
    for (const auto &fault : faults) {
        SCOPED_TRACE(fault.firstKey().toStdString());
        WriteAll(target, old);
        const TRun run = Run({QStringLiteral("settings"), target}, fault);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.lines, QStringList({kIniFailed, QStringLiteral("nicht gespeichert")}));
        EXPECT_EQ(ReadAll(target), old);
        EXPECT_EQ(Strays(target), QStringList());
    }
    WriteAll(target, old);
    const TRun run = Run({QStringLiteral("settings"), target});
    EXPECT_EQ(run.lines, QStringList({QStringLiteral("gespeichert")}));
    const QByteArray written = ReadAll(target);
    EXPECT_TRUE(written.startsWith("; von Hand\r\n[Window]\r\nLeft=")) << written.constData();
    EXPECT_TRUE(written.contains("[Eigenes]\r\nSchl\xfc"
                                 "ssel=Wert\r\n"))
        << written.constData();
}

// A folder the user may not write, with a file in it that the user may
// write: the file is written in place, after a copy of its old content went
// to the user's state folder (the file's own folder takes none); the copy
// goes once the save is done. A file the user may not write stays as it was,
// and so does a settings file that cannot be made there. Root may write
// anywhere, so then the child runs as an unprivileged user.
TEST_F(SaveFaultTest, AWritableFileInAReadOnlyFolderIsWrittenInPlace)
{
    uid_t asUser = uid_t(-1);
    uid_t owner = ::getuid();
    if (::getuid() == 0) {
        asUser = Unprivileged();
        if (asUser == uid_t(-1))
            GTEST_SKIP() << "running as root and there is no user \"nobody\" to drop to";
        owner = asUser;
        GiveRuntimeTo(asUser);
    }
    const QString text = folder + QStringLiteral("/brief.txt");
    const QString ini = folder + QStringLiteral("/quillon.ini");
    const QString locked = folder + QStringLiteral("/gesperrt.txt");
    const QByteArray oldText = faultcontent::OldContent(100000);
    const QByteArray oldIni("[Margin]\r\nLeft=25\r\n");
    WriteAll(text, oldText);
    WriteAll(ini, oldIni);
    WriteAll(locked, oldText);
    for (const QString &file : {text, ini, locked})
        ASSERT_EQ(::chown(QFile::encodeName(file).constData(), owner, gid_t(-1)), 0);
    ::chmod(QFile::encodeName(text).constData(), 0644);
    ::chmod(QFile::encodeName(ini).constData(), 0644);
    ::chmod(QFile::encodeName(locked).constData(), 0444);
    const ino_t inode = Inode(text);
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0555), 0);

    TRun run = Run({QStringLiteral("text"), text, QStringLiteral("5000")}, {}, asUser);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.lines, QStringList({QStringLiteral("gespeichert")}));
    EXPECT_TRUE(ReadAll(text) == faultcontent::NewContent(5000));
    EXPECT_EQ(Inode(text), inode);

    run = Run({QStringLiteral("settings"), ini}, {}, asUser);
    EXPECT_EQ(run.lines, QStringList({QStringLiteral("gespeichert")}));
    const QByteArray written = ReadAll(ini);
    EXPECT_TRUE(written.startsWith("[Margin]\r\nLeft=")) << written.constData();
    EXPECT_TRUE(written.contains("[Window]")) << written.constData();

    run = Run({QStringLiteral("text"), locked, QStringLiteral("5000")}, {}, asUser);
    EXPECT_EQ(run.lines, QStringList({QStringLiteral("Datei %1 kann nicht erstellt werden").arg(locked),
                                      QStringLiteral("nicht gespeichert")}));
    EXPECT_TRUE(ReadAll(locked) == oldText);

    // The first start's test that a settings file can be made there.
    const QString fresh = folder + QStringLiteral("/neu.ini");
    run = Run({QStringLiteral("new-settings"), fresh}, {}, asUser);
    EXPECT_EQ(run.lines, QStringList({QStringLiteral("Fehler|Ini-Datei %1 kann nicht geschrieben werden!").arg(fresh),
                                      QStringLiteral("nicht gespeichert")}));
    EXPECT_EQ(Strays(text), QStringList({QStringLiteral("gesperrt.txt"), QStringLiteral("quillon.ini")}));
    const QDir state(home + QStringLiteral("/.local/state/quillon"));
    EXPECT_TRUE(state.exists()) << "the old content was never kept aside";
    EXPECT_EQ(state.entryList(QDir::Files | QDir::Hidden), QStringList()) << "a copy of the old content stayed";
    ::chmod(QFile::encodeName(folder).constData(), 0755);
}

// Root saving another user's file keeps its owner, group and mode (the new
// file is given them); a user saving a file that belongs to someone else
// (writable for all) cannot give a new file that owner, so the file is
// written in place and stays the other's.
TEST_F(SaveFaultTest, SavingNeverTakesAFileAwayFromItsOwner)
{
    if (::getuid() != 0)
        GTEST_SKIP() << "only root can make files of other users";
    const QString target = folder + QStringLiteral("/fremd.txt");
    const QByteArray native = QFile::encodeName(target);
    WriteAll(target, faultcontent::OldContent(100000));
    ASSERT_EQ(::chown(native.constData(), 12345, 23456), 0);
    ASSERT_EQ(::chmod(native.constData(), 0640), 0);
    const bool attributes = ::setxattr(native.constData(), "user.herkunft", "brief", 5, 0) == 0;
    TRun run = Run({QStringLiteral("text"), target, QStringLiteral("7000")});
    EXPECT_EQ(run.lines, QStringList({QStringLiteral("gespeichert")}));
    struct stat info
    {
    };
    ASSERT_EQ(::stat(native.constData(), &info), 0);
    EXPECT_EQ(info.st_uid, uid_t(12345));
    EXPECT_EQ(info.st_gid, gid_t(23456));
    EXPECT_EQ(info.st_mode & 07777, mode_t(0640));
    EXPECT_TRUE(ReadAll(target) == faultcontent::NewContent(7000));
    if (attributes) {
        char value[16] = {};
        EXPECT_EQ(::getxattr(native.constData(), "user.herkunft", value, sizeof value), 5);
        EXPECT_STREQ(value, "brief");
    } else {
        std::fprintf(stderr, "no user attributes on this file system: not checked\n");
    }

    const uid_t user = Unprivileged();
    if (user == uid_t(-1))
        GTEST_SKIP() << "no user \"nobody\" to save as";
    GiveRuntimeTo(user);
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0777), 0);
    ASSERT_EQ(::chown(native.constData(), 0, 0), 0);
    ASSERT_EQ(::chmod(native.constData(), 0666), 0);
    run = Run({QStringLiteral("text"), target, QStringLiteral("9000")}, {}, user);
    EXPECT_EQ(run.lines, QStringList({QStringLiteral("gespeichert")}));
    ASSERT_EQ(::stat(native.constData(), &info), 0);
    EXPECT_EQ(info.st_uid, uid_t(0)) << "the file now belongs to the user who saved it";
    EXPECT_EQ(info.st_mode & 07777, mode_t(0666));
    EXPECT_TRUE(ReadAll(target) == faultcontent::NewContent(9000));
    EXPECT_EQ(Strays(target), QStringList());
    ::chmod(QFile::encodeName(folder).constData(), 0755);
}

// A file with a second hard link is written in place. Faults while its old
// content is copied aside leave it untouched; a full disk half-way through
// the in-place write (the old content cannot be put back then, the disk is
// still full) leaves the whole copy beside it, and the message names it.
TEST_F(SaveFaultTest, InPlaceFaultsLeaveTheOldFileOrAWholeCopy)
{
    const QByteArray old = faultcontent::OldContent(1 << 20);
    const QString target = folder + QStringLiteral("/brief.txt");
    const QString link = dir.filePath(QStringLiteral("zweiter-name.txt")); // outside the faulty folder
    WriteAll(target, old);
    ASSERT_EQ(::link(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()), 0);
    const QString size = QString::number(2 << 20);
    const QMap<QString, QString> copyFaults[] = {
        {{"QUILLON_FAULT_WRITE_AFTER", "300000"}},
        {{"QUILLON_FAULT_WRITE_AFTER", "0"}, {"QUILLON_FAULT_ERRNO", "EIO"}},
        {{"QUILLON_FAULT_SYNC", "1"}, {"QUILLON_FAULT_ERRNO", "EIO"}},
    };
    for (const auto &fault : copyFaults) {
        SCOPED_TRACE(fault.firstKey().toStdString());
        const TRun run = Run({QStringLiteral("text"), target, size}, fault);
        EXPECT_EQ(run.lines, QStringList({kStreamFailed, QStringLiteral("nicht gespeichert")}));
        EXPECT_TRUE(ReadAll(target) == old) << "the old file was changed";
        EXPECT_EQ(Strays(target), QStringList());
    }

    // The copy (1 MiB) is written; 300 kB of the new text are, then the disk is full.
    const TRun run = Run({QStringLiteral("text"), target, size},
                         {{"QUILLON_FAULT_WRITE_AFTER", QString::number(old.size() + 300000)}});
    const QStringList strays = Strays(target);
    ASSERT_EQ(strays.size(), 1) << "no copy of the old content beside the file";
    const QString copy = QDir(folder).filePath(strays.first());
    EXPECT_TRUE(strays.first().startsWith(QStringLiteral("brief.txt."))) << strays.first().toStdString();
    EXPECT_TRUE(ReadAll(copy) == old) << "the copy is not the whole old content";
    EXPECT_EQ(run.lines, QStringList({kStreamFailed,
                                      QStringLiteral("Der alte Inhalt von %1 ist in %2 erhalten.").arg(target, copy),
                                      QStringLiteral("nicht gespeichert")}));
    QFile::remove(copy);

    // Without a fault, a longer and a shorter text: both names hold it, the
    // file keeps its mode, and nothing stays beside.
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0640), 0);
    const ino_t inode = Inode(target);
    for (const qint64 length : {qint64(2 << 20), qint64(1000)}) {
        WriteAll(target, old);
        const TRun saved = Run({QStringLiteral("text"), target, QString::number(length)});
        EXPECT_EQ(saved.lines, QStringList({QStringLiteral("gespeichert")}));
        EXPECT_TRUE(ReadAll(link) == faultcontent::NewContent(length));
        struct stat info
        {
        };
        ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &info), 0);
        EXPECT_EQ(info.st_ino, inode);
        EXPECT_EQ(info.st_mode & 07777, mode_t(0640));
        EXPECT_EQ(Strays(target), QStringList());
    }
    EXPECT_FALSE(QFileInfo::exists(home + QStringLiteral("/.local/state"))) << "a folder made for nothing";
}

// Killed while a hard-linked file is written in place: the file is the old
// or the new content, or a whole copy of the old content is beside it.
TEST_F(SaveFaultTest, KilledDuringAnInPlaceSaveLeavesAWholeCopy)
{
    constexpr qint64 kSize = 10'000'000;
    const QString target = folder + QStringLiteral("/gross.txt");
    const QString link = dir.filePath(QStringLiteral("zweiter-name.txt"));
    const QByteArray old = faultcontent::OldContent(kSize);
    const QString stopped = dir.filePath(QStringLiteral("angehalten"));
    // Bytes count over the copy and the file: half the copy, then half the new text.
    for (const qint64 point : {kSize / 2, kSize + kSize / 2}) {
        SCOPED_TRACE(point);
        QFile::remove(target);
        QFile::remove(link);
        QFile::remove(stopped);
        WriteAll(target, old);
        ASSERT_EQ(::link(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()), 0);
        QProcess process;
        Start(process, {QStringLiteral("text"), target, QString::number(kSize)},
              {{"QUILLON_FAULT_STOP", QStringLiteral("write:%1").arg(point)}, {"QUILLON_FAULT_STOPPED", stopped}});
        QElapsedTimer timer;
        timer.start();
        while (!QFileInfo::exists(stopped) && process.state() == QProcess::Running && timer.elapsed() < 120000)
            QThread::msleep(10);
        ASSERT_TRUE(QFileInfo::exists(stopped)) << process.readAllStandardOutput().constData();
        process.kill();
        ASSERT_TRUE(process.waitForFinished(30000));
        const QByteArray now = ReadAll(target);
        bool wholeCopy = false;
        for (const QString &stray : Strays(target)) {
            wholeCopy = wholeCopy || ReadAll(QDir(folder).filePath(stray)) == old;
            QFile::remove(QDir(folder).filePath(stray));
        }
        EXPECT_TRUE(now == old || wholeCopy) << "torn, and no whole copy of the old content";
        EXPECT_EQ(point > kSize, now != old) << "killed while copying, yet the file was changed";
    }
}

// A file larger than the memory: refused with a German message instead of
// ending the program (and every unsaved file with it); the tab stays empty,
// and saving it asks before it would overwrite the file. A sparse file
// stands in for the large one. The sanitizers end the program on any failed
// allocation on purpose, so there this cannot be tried.
TEST_F(SaveFaultTest, AFileLargerThanTheMemoryIsRefusedNotCut)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer aborts on a failed allocation instead of throwing";
#endif
    QFile overcommit(QStringLiteral("/proc/sys/vm/overcommit_memory"));
    if (overcommit.open(QIODevice::ReadOnly) && overcommit.readAll().trimmed() == "1")
        GTEST_SKIP() << "the kernel grants any allocation (overcommit_memory=1)";
    const QString target = dir.filePath(QStringLiteral("riesig.txt")); // beside, not in the faulty folder
    constexpr qint64 kSize = qint64(1) << 40;                          // 1 TiB, sparse
    {
        QFile file(target);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        if (!file.resize(kSize))
            GTEST_SKIP() << "no sparse file of 1 TiB here";
    }
    const TRun run = Run({QStringLiteral("open"), target});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.lines,
              QStringList(
                  {QStringLiteral("Datei %1 kann nicht geöffnet werden: zu wenig Arbeitsspeicher").arg(target),
                   QStringLiteral("Warnung|Datei %1 konnte nicht gelesen werden. Trotzdem überschreiben ?").arg(target),
                   QStringLiteral("nicht gespeichert")}));
    EXPECT_EQ(QFileInfo(target).size(), kSize);
    QFile::remove(target);
}

// Killed while saving 100 MB: at points along the write, before the sync,
// right before and right after the rename, and at moments picked by the
// clock. The file is the old content or the new one, whole.
TEST_F(SaveFaultTest, KilledInTheMiddleOfA100MBSaveLeavesOldOrNewWhole)
{
    constexpr qint64 kSize = 100'000'000;
    const QString target = folder + QStringLiteral("/gross.txt");
    const QByteArray old = faultcontent::OldContent(kSize);
    const QByteArray oldHash = Hash(old);
    const QByteArray newHash = Hash(faultcontent::NewContent(kSize));
    const QStringList arguments{QStringLiteral("text"), target, QString::number(kSize)};

    const struct
    {
        const char *stop;
        bool renamed;
    } points[] = {{"write:1", false}, {"write:50000000", false}, {"write:99999999", false},
                  {"sync", false},    {"rename", false},         {"renamed", true}};
    const QString stopped = dir.filePath(QStringLiteral("angehalten"));
    for (const auto &point : points) {
        SCOPED_TRACE(point.stop);
        QFile::remove(target);
        WriteAll(target, old);
        QFile::remove(stopped);
        QProcess process;
        Start(process, arguments,
              {{"QUILLON_FAULT_STOP", QString::fromLatin1(point.stop)}, {"QUILLON_FAULT_STOPPED", stopped}});
        QElapsedTimer timer;
        timer.start();
        while (!QFileInfo::exists(stopped) && process.state() == QProcess::Running && timer.elapsed() < 240000)
            QThread::msleep(10);
        ASSERT_TRUE(QFileInfo::exists(stopped))
            << "the save never reached the point; it said: " << process.readAllStandardOutput().constData();
        process.kill();
        ASSERT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitStatus(), QProcess::CrashExit);
        EXPECT_EQ(FileHash(target), point.renamed ? newHash : oldHash);
        // Between the link of the finished temporary file and the rename one
        // temporary file can stay behind; it is complete, and never the target.
        const QStringList strays = Strays(target);
        EXPECT_LE(strays.size(), point.stop == QLatin1String("rename") ? 1 : 0) << strays.join(' ').toStdString();
        if (!strays.isEmpty())
            std::fprintf(stderr, "killed at %s: left %s\n", point.stop, qPrintable(strays.join(QLatin1Char(' '))));
        for (const QString &stray : strays)
            QFile::remove(QDir(folder).filePath(stray));
    }

    // Once without stopping, the save timed from the moment the child
    // starts it, then killed by the clock at moments spread over that time.
    const auto startSave = [&](QProcess &process) {
        Start(process, arguments, {});
        while (process.state() == QProcess::Running && !process.canReadLine())
            process.waitForReadyRead(100);
        return process.readLine() == "#speichern\n";
    };
    WriteAll(target, old);
    QProcess timed;
    ASSERT_TRUE(startSave(timed));
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(timed.waitForFinished(300000));
    const qint64 took = clock.elapsed();
    ASSERT_EQ(timed.readAll(), QByteArray("gespeichert\n"));
    ASSERT_EQ(FileHash(target), newHash);
    std::fprintf(stderr, "saving 100 MB took %lld ms\n", static_cast<long long>(took));
    int oldSeen = 0, newSeen = 0;
    for (int i = 1; i <= 4; ++i) {
        WriteAll(target, old);
        QProcess process;
        ASSERT_TRUE(startSave(process));
        QThread::msleep(static_cast<unsigned long>(took * i / 4));
        process.kill();
        ASSERT_TRUE(process.waitForFinished(30000));
        const QByteArray hash = FileHash(target);
        EXPECT_TRUE(hash == oldHash || hash == newHash) << "torn after " << took * i / 4 << " ms";
        (hash == newHash ? newSeen : oldSeen)++;
        for (const QString &stray : Strays(target))
            QFile::remove(QDir(folder).filePath(stray));
    }
    std::fprintf(stderr, "killed by the clock: %d times old, %d times new content\n", oldSeen, newSeen);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
