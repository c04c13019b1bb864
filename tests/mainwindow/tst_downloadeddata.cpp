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
    void paneTextAndSavedBytes_data()
    {
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<QByteArray>("savedEuropean");
        QTest::newRow("line ends")
            << QByteArray("1,234.5,V1.2\r\n") << "1,234.5,V1.2\n"
            << QByteArray("1,234.5,V1.2\r\n") << QByteArray("1;234,5;V1,2\r\n");
        // Bit 7 is cleared before converting: 0xAC and 0xAE become a semicolon and a comma.
        QTest::newRow("NUL, bit 7")
            << QByteArray("12.5\0x,y\xAC\xAE\r", 11) << "12.5" << QByteArray("12.5\0x,y,.\r", 11)
            << QByteArray("12,5\0x;y;,\r", 11);
        QTest::newRow("UTF-8") << QByteArray("25\xC2\xB0"
                                             "C\n")
                               << QStringLiteral("25\u00B0C\n") << QByteArray("25B0C\n")
                               << QByteArray("25B0C\n");
    }

    void paneTextAndSavedBytes()
    {
        QFETCH(QByteArray, received);
        QFETCH(QString, shown);
        QFETCH(QByteArray, saved);
        QFETCH(QByteArray, savedEuropean);
        QCOMPARE(paneText(received), shown);
        QByteArray plain = received;
        convertForSaving(plain.data(), plain.size(), false);
        QCOMPARE(plain, saved);
        convertForSaving(received.data(), received.size(), true);
        QCOMPARE(received, savedEuropean);
    }

    void savedFile_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QByteArray>("before"); // empty: no file there
        QTest::addColumn<bool>("written");
        const QByteArray old("saved last week\n");
        QTest::newRow("many blocks") << "" << old << true;
        QTest::newRow("empty data") << "empty" << old << true;
        QTest::newRow("folder missing") << "no folder" << QByteArray() << false;
        QTest::newRow("file in locked folder") << "locked" << old << true;
        QTest::newRow("new file in locked folder") << "locked" << QByteArray() << false;
        QTest::newRow("file-size limit") << "limit" << old << false;
    }

    void savedFile()
    {
        QFETCH(QString, situation);
        QFETCH(QByteArray, before);
        QFETCH(bool, written);
        QTemporaryDir root;
        const QString folder = root.filePath(situation == "no folder" ? "gone/data" : "data");
        QFile file(folder + "/results.csv");
        QVERIFY(situation == "no folder" || QDir().mkpath(folder));
        QVERIFY(before.isEmpty() || (file.open(QIODevice::WriteOnly) && file.write(before) > 0));
        file.close();
        QVERIFY(situation != "locked" || forbidNewFiles(folder, true));
        letFileSizeLimitFailWrites();
        rlimit saved;
        getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit limit{64 * 1024, saved.rlim_max};
        if (situation == "limit")
            setrlimit(RLIMIT_FSIZE, &limit);
        const QByteArray received(situation == "empty" ? "" : "1,5.\xB0\r\n");
        const bool result = writeSavedFile(file.fileName(), received.repeated(30000), true);
        setrlimit(RLIMIT_FSIZE, &saved);
        forbidNewFiles(folder, false);

        QCOMPARE(result, written);
        const QByteArray converted =
            situation == "empty" ? "" : QByteArray("1;5,0\r\n").repeated(30000);
        QCOMPARE(file.open(QIODevice::ReadOnly), written || !before.isEmpty());
        QCOMPARE(file.isOpen() ? file.readAll() : QByteArray(), written ? converted : before);
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), written || !before.isEmpty() ? 1 : 0);
    }
};

QTEST_GUILESS_MAIN(TestDownloadedData)
#include "tst_downloadeddata.moc"
