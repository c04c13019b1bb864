#include "mainwindow/downloadeddata.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

// The rules for what the pane shows and what a save writes, on plain bytes and files.
class TestDownloadedData : public QObject
{
    Q_OBJECT

private slots:
    void paneText_data();
    void paneText();
    void savedBytes_data();
    void savedBytes();
    void csvFileName_data();
    void csvFileName();
    void savedFile_data();
    void savedFile();
};

namespace {

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// No new file can be made in the folder, while its files stay writable. Root ignores
// permissions, so for root the folder is made immutable instead.
bool forbidNewFiles(const QString &folder, bool forbid)
{
    if (geteuid() != 0)
        return ::chmod(QFile::encodeName(folder).constData(), forbid ? 0555 : 0755) == 0;
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    int flags = 0;
    bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = forbid ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    if (fd >= 0)
        ::close(fd);
    return done;
}

} // namespace

void TestDownloadedData::paneText_data()
{
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<QString>("shown");
    QTest::newRow("carriage returns go")
        << QByteArray("1;612.4\r\n2;598.0\r\n") << "1;612.4\n2;598.0\n";
    QTest::newRow("a NUL byte ends the text")
        << QByteArray("12.5;230\0hidden\r\n", 17) << "12.5;230";
    QTest::newRow("UTF-8") << QByteArray("25 \xC2\xB0"
                                         "C\r\n")
                           << QStringLiteral("25 \u00B0C\n");
    QTest::newRow("only carriage returns") << QByteArray("\r\r") << "";
}

void TestDownloadedData::paneText()
{
    QFETCH(QByteArray, chunk);
    QFETCH(QString, shown);
    QCOMPARE(::paneText(chunk), shown);
}

void TestDownloadedData::savedBytes_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<bool>("european");
    QTest::addColumn<QByteArray>("saved");
    QTest::newRow("plain keeps commas, points and line ends")
        << QByteArray("1,234.5,V1.2\r\n") << false << QByteArray("1,234.5,V1.2\r\n");
    QTest::newRow("european: commas first, then points")
        << QByteArray("1,234.5,V1.2\r\n") << true << QByteArray("1;234,5;V1,2\r\n");
    QTest::newRow("bit 7 cleared")
        << QByteArray("\xB0\x8A\xFF\x80", 4) << false << QByteArray("\x30\x0A\x7F\x00", 4);
    QTest::newRow("bit 7 cleared before converting")
        << QByteArray("\xAC\xAE") << true << QByteArray(";,");
}

void TestDownloadedData::savedBytes()
{
    QFETCH(QByteArray, received);
    QFETCH(bool, european);
    QFETCH(QByteArray, saved);
    convertForSaving(received.data(), received.size(), european);
    QCOMPARE(received, saved);
}

void TestDownloadedData::csvFileName_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("isCsv");
    QTest::newRow("lower case") << "/data/results.csv" << true;
    QTest::newRow("upper case") << "C:/data/RESULTS.CSV" << true;
    QTest::newRow("csv then txt") << "/data/results.csv.txt" << false;
    QTest::newRow("csv then bak") << "/data/data.csv.bak" << false;
    QTest::newRow("no suffix") << "/data/results" << false;
    QTest::newRow("only the folder has it") << "/data.csv/results" << false;
}

void TestDownloadedData::csvFileName()
{
    QFETCH(QString, path);
    QFETCH(bool, isCsv);
    QCOMPARE(isCsvFileName(path), isCsv);
}

// The file is written block by block; what a failed save leaves behind.
void TestDownloadedData::savedFile_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QByteArray>("before"); // "<missing>": no file there
    QTest::addColumn<bool>("written");
    QTest::addColumn<QByteArray>("after");
    const QByteArray record("1,5.\xB0\r\n");
    const QByteArray old("measurements saved last week\n");
    const QByteArray missing("<missing>");
    QTest::newRow("many blocks, european")
        << "" << old << true << QByteArray("1;5,0\r\n").repeated(30000);
    QTest::newRow("empty data") << "empty" << old << true << QByteArray();
    QTest::newRow("folder missing") << "no folder" << missing << false << missing;
    QTest::newRow("writable file in a folder that takes no new file")
        << "locked folder" << old << true << QByteArray("1;5,0\r\n").repeated(30000);
    QTest::newRow("new file in a folder that takes none")
        << "locked folder" << missing << false << missing;
}

void TestDownloadedData::savedFile()
{
    QFETCH(QString, situation);
    QFETCH(QByteArray, before);
    QFETCH(bool, written);
    QFETCH(QByteArray, after);
    const QByteArray received =
        situation == "empty" ? QByteArray() : QByteArray("1,5.\xB0\r\n").repeated(30000);
    QTemporaryDir root;
    const QString folder = root.filePath(situation == "no folder" ? "gone" : "data");
    if (situation != "no folder")
        QVERIFY(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/results.csv");
    if (before != "<missing>")
        QVERIFY(writeFile(path, before));
    if (situation == "locked folder")
        QVERIFY2(forbidNewFiles(folder, true), "the folder cannot be locked here");
    const auto unlock = qScopeGuard([&]() {
        if (situation == "locked folder")
            forbidNewFiles(folder, false);
    });

    QCOMPARE(writeSavedFile(path, received, true), written);
    QCOMPARE(contentsOf(path), after);
    QCOMPARE(QDir(folder).entryList(QDir::Files).size(), after == "<missing>" ? 0 : 1);
}

QTEST_GUILESS_MAIN(TestDownloadedData)
#include "tst_downloadeddata.moc"
