#include "ports/utf16text.h"

#include <QTest>

// Text as the system hands it back: a buffer and the number of bytes it says it wrote.
class TestUtf16Text : public QObject
{
    Q_OBJECT

private slots:
    void textUpToFirstNul_data();
    void textUpToFirstNul();
};

namespace {

QByteArray utf16(const QString &text)
{
    QByteArray bytes;
    for (const QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

const QChar nul(0);

} // namespace

void TestUtf16Text::textUpToFirstNul_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<qint64>("bytesReturned");
    QTest::addColumn<QString>("text");

    const QByteArray com3 = utf16(QStringLiteral("COM3"));
    QTest::newRow("terminated") << utf16(QStringLiteral("COM3") + nul) << qint64(10) << "COM3";
    QTest::newRow("without terminator") << com3 << qint64(8) << "COM3";
    QTest::newRow("returned less than the buffer")
        << utf16(QStringLiteral("COM12") + nul) << qint64(6) << "COM";
    QTest::newRow("returned more than the buffer") << com3 << qint64(4096) << "COM3";
    QTest::newRow("odd byte count") << com3 + 'X' << qint64(9) << "COM3";
    QTest::newRow("odd count returned") << com3 << qint64(7) << "COM";
    QTest::newRow("one byte") << QByteArray("C", 1) << qint64(1) << "";
    QTest::newRow("list of strings keeps the first")
        << utf16(QStringLiteral("USB\\VID_0403&PID_6001&REV_0600") + nul +
                 QStringLiteral("USB\\VID_0403&PID_6001") + nul + nul)
        << qint64(108) << "USB\\VID_0403&PID_6001&REV_0600";
    QTest::newRow("starts with NUL") << utf16(nul + QStringLiteral("COM3")) << qint64(10) << "";
    QTest::newRow("nothing returned") << com3 << qint64(0) << "";
    QTest::newRow("negative count") << com3 << qint64(-2) << "";
    QTest::newRow("empty buffer") << QByteArray() << qint64(8) << "";
    QTest::newRow("beyond Latin-1") << utf16(QStringLiteral(u"Prüfgerät \u20ac \U0001F50C"))
                                    << qint64(28) << QStringLiteral(u"Prüfgerät \u20ac \U0001F50C");
}

void TestUtf16Text::textUpToFirstNul()
{
    QFETCH(QByteArray, buffer);
    QFETCH(qint64, bytesReturned);
    QFETCH(QString, text);

    QCOMPARE(::textUpToFirstNul(buffer, bytesReturned), text);
}

QTEST_APPLESS_MAIN(TestUtf16Text)
#include "tst_utf16text.moc"
