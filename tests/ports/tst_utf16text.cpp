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
    for (const QChar c : text)
        bytes.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
    return bytes;
}

} // namespace

void TestUtf16Text::textUpToFirstNul_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<qint64>("bytesReturned");
    QTest::addColumn<QString>("text");

    const QByteArray com3 = utf16(QStringLiteral("COM3"));
    const QByteArray list = utf16(QStringLiteral("COM3%1COM4%1%1").arg(QChar(0)));
    QTest::newRow("first of a list of strings") << list << qint64(list.size()) << "COM3";
    QTest::newRow("starts with NUL")
        << utf16(QChar(0) + QStringLiteral("COM3")) << qint64(10) << "";
    QTest::newRow("without terminator") << com3 << qint64(8) << "COM3";
    QTest::newRow("returned less than the buffer") << com3 << qint64(6) << "COM";
    QTest::newRow("odd count returned") << com3 << qint64(7) << "COM";
    QTest::newRow("returned more than the buffer") << com3 << qint64(4096) << "COM3";
    QTest::newRow("empty buffer") << QByteArray() << qint64(8) << "";
    QTest::newRow("negative count") << com3 << qint64(-2) << "";
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
