#include "app/filesizelimit.h"
#include "mainwindow/downloadeddata.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

// No new file can be made in the folder while its files stay writable; root ignores modes.
static bool forbidNewFiles(const QString &folder, bool forbid)
{
    const QByteArray name = QFile::encodeName(folder);
    if (geteuid() != 0)
        return ::chmod(name.constData(), forbid ? 0555 : 0755) == 0;
    const int fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY);
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = forbid ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return done;
}

// What the pane shows and what a save writes, on plain bytes and files.
class TestDownloadedData : public QObject
{
    Q_OBJECT

private slots:
    // Each row: received, shown in the pane, saved plain, saved in European format. Bit 7 is
    // cleared before converting: 0xAC and 0xAE become a semicolon and a comma.
    void paneTextAndSavedBytes()
    {
        const QList<std::tuple<QByteArray, QString, QByteArray, QByteArray>> cases{
            {"1,234.5,V1.2\r\n", "1,234.5,V1.2\n", "1,234.5,V1.2\r\n", "1;234,5;V1,2\r\n"},
            {QByteArray("12.5\0x,y\xAC\xAE\r", 11), "12.5", QByteArray("12.5\0x,y,.\r", 11),
             QByteArray("12,5\0x;y;,\r", 11)},
            {"25\xC2\xB0"
             "C\n",
             QStringLiteral("25\u00B0C\n"), "25B0C\n", "25B0C\n"}};
        for (auto [received, shown, saved, savedEuropean] : cases) {
            QCOMPARE(paneText(received), shown);
            QByteArray plain = received;
            convertForSaving(plain.data(), plain.size(), false);
            QCOMPARE(plain, saved);
            convertForSaving(received.data(), received.size(), true);
            QCOMPARE(received, savedEuropean);
        }
    }

    // Each row: the situation, the file there before (empty: none), the system's error (0: saved).
    // A failed save leaves what was there and says why; a folder without room for a temporary
    // file is written in place, only over a file that exists, once the new bytes surely fit.
    void savedFile()
    {
        const QByteArray old("saved last week\n");
        const QList<std::tuple<QString, QByteArray, int>> cases{
            {"many blocks", old, 0},   {"empty", old, 0},
            {"no folder", {}, ENOENT}, {"locked", old, 0},
            {"locked empty", old, 0},  {"locked", {}, geteuid() ? EACCES : EPERM},
            {"limit", old, EFBIG},     {"locked limit", old, EFBIG}};
        for (const auto &[situation, before, failure] : cases) {
            QTemporaryDir root;
            const QString folder = root.filePath(situation == "no folder" ? "gone/data" : "data");
            QFile file(folder + "/results.csv");
            QVERIFY(situation == "no folder" || QDir().mkpath(folder));
            QVERIFY(before.isEmpty() ||
                    (file.open(QIODevice::WriteOnly) && file.write(before) > 0));
            file.close();
            QVERIFY(!situation.startsWith("locked") || forbidNewFiles(folder, true));
            letFileSizeLimitFailWrites();
            rlimit saved;
            getrlimit(RLIMIT_FSIZE, &saved);
            const rlimit limit{64 * 1024, saved.rlim_max};
            if (situation.endsWith("limit"))
                setrlimit(RLIMIT_FSIZE, &limit);
            const QByteArray received(situation.endsWith("empty") ? "" : "1,5.\xB0\r\n");
            QString reason;
            const bool result =
                writeSavedFile(file.fileName(), received.repeated(30000), true, &reason);
            setrlimit(RLIMIT_FSIZE, &saved);
            forbidNewFiles(folder, false);

            const bool written = failure == 0;
            QVERIFY2(result == written, qPrintable(situation));
            QCOMPARE(reason, written ? QString() : qt_error_string(failure));
            const QByteArray converted =
                received.isEmpty() ? "" : QByteArray("1;5,0\r\n").repeated(30000);
            QCOMPARE(file.open(QIODevice::ReadOnly), written || !before.isEmpty());
            QCOMPARE(file.isOpen() ? file.readAll() : QByteArray(), written ? converted : before);
            QCOMPARE(QDir(folder).entryList(QDir::Files).size(),
                     written || !before.isEmpty() ? 1 : 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestDownloadedData)
#include "tst_downloadeddata.moc"
