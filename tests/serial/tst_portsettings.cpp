#include "serial/commapi.h"
#include "serial/portsettings.h"

#include <QTest>

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <vector>

using Ow::PortSettings;

// The record's change bits and its DCB image against the published DCB layout.
class TestPortSettings : public QObject
{
    Q_OBJECT

private slots:
    void memberOwnsItsChangeBitAndDcbBits_data();
    void memberOwnsItsChangeBitAndDcbBits();
    void flagSettersKeepOnlyTheirLowBits_data();
    void flagSettersKeepOnlyTheirLowBits();
    void emptyRecordLeavesDriverDcbAlone();
};

namespace {

// One member with accessors: its change bit, where its bits lie in the 28-byte image (byte
// offset, first bit there, number of bits) and how the record reaches it.
struct Member
{
    const char *name;
    int changeBit;
    int offset;
    int shift;
    int bits;
    void (*set)(PortSettings &, quint32);
    quint32 (*get)(const PortSettings &);
    bool (*isChanged)(const PortSettings &);

    quint32 allOnes() const { return bits == 32 ? ~0u : (1u << bits) - 1; }
};

#define LDL_MEMBER(name, type, bit, offset, shift, bits)                                           \
    Member                                                                                         \
    {                                                                                              \
        QT_STRINGIFY(name), bit, offset, shift, bits,                                              \
            [](PortSettings &s, quint32 v) { s.set##name(type(v)); },                              \
            [](const PortSettings &s) {                                                            \
                static_assert(std::is_same_v<decltype(s.get##name()), type>);                      \
                return quint32(std::make_unsigned_t<type>(s.get##name()));                         \
            },                                                                                     \
            [](const PortSettings &s) { return s.is##name##Changed(); }                            \
    }

// Accessor and its type, change bit, then the place in the image; the flags word is at byte 8.
// Getters are read back unsigned, so a char member's 0xFF is 255 here.
const std::vector<Member> members = {
    LDL_MEMBER(BaudRate, quint32, 0, 4, 0, 32),
    LDL_MEMBER(FBinary, quint32, 1, 8, 0, 1),
    LDL_MEMBER(FParity, quint32, 2, 8, 1, 1),
    LDL_MEMBER(FOutxCtsFlow, quint32, 3, 8, 2, 1),
    LDL_MEMBER(FOutxDsrFlow, quint32, 4, 8, 3, 1),
    LDL_MEMBER(FDtrControl, quint32, 5, 8, 4, 2),
    LDL_MEMBER(FDsrSensitivity, quint32, 6, 8, 6, 1),
    LDL_MEMBER(FTXContinueOnXoff, quint32, 7, 8, 7, 1),
    LDL_MEMBER(FOutX, quint32, 8, 8, 8, 1),
    LDL_MEMBER(FInX, quint32, 9, 8, 9, 1),
    LDL_MEMBER(FErrorChar, quint32, 10, 8, 10, 1),
    LDL_MEMBER(FNull, quint32, 11, 8, 11, 1),
    LDL_MEMBER(FRtsControl, quint32, 12, 8, 12, 2),
    LDL_MEMBER(FAbortOnError, quint32, 13, 8, 14, 1),
    LDL_MEMBER(XonLim, quint16, 16, 14, 0, 16),
    LDL_MEMBER(XoffLim, quint16, 17, 16, 0, 16),
    LDL_MEMBER(ByteSize, quint8, 18, 18, 0, 8),
    LDL_MEMBER(Parity, quint8, 19, 19, 0, 8),
    LDL_MEMBER(StopBits, quint8, 20, 20, 0, 8),
    LDL_MEMBER(XonChar, char, 21, 21, 0, 8),
    LDL_MEMBER(XoffChar, char, 22, 22, 0, 8),
    LDL_MEMBER(EvtChar, char, 25, 25, 0, 8),
};

#undef LDL_MEMBER

// Change bits 0-13, 16-22 and 25: every member above.
constexpr quint32 everyChangeBit = 0x027F3FFF;

QByteArray bytesOf(const DCB &dcb)
{
    return QByteArray(reinterpret_cast<const char *>(&dcb), int(sizeof dcb));
}

// The image with one member's bits replaced by value, bit by bit, written from the layout alone.
QByteArray withMember(QByteArray image, const Member &member, quint32 value)
{
    for (int i = 0; i < member.bits; ++i) {
        const int at = 8 * member.offset + member.shift + i;
        const int bit = 1 << (at % 8);
        image[at / 8] = char((value >> i) & 1 ? image[at / 8] | bit : image[at / 8] & ~bit);
    }
    return image;
}

QByteArray freshImage()
{
    QByteArray image(28, '\0');
    image[0] = 28;
    return image;
}

QByteArray appliedOver(const QByteArray &driver, const PortSettings &settings)
{
    DCB working;
    std::memcpy(&working, driver.constData(), sizeof working);
    settings.applyTo(&working);
    return bytesOf(working);
}

} // namespace

void TestPortSettings::memberOwnsItsChangeBitAndDcbBits_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < int(members.size()); ++i)
        QTest::newRow(members.at(i).name) << i;
}

void TestPortSettings::memberOwnsItsChangeBitAndDcbBits()
{
    QFETCH(int, index);
    const Member &member = members.at(index);
    const quint32 ones = member.allOnes();

    PortSettings alone;
    member.set(alone, ones);
    QCOMPARE(member.get(alone), ones);
    QCOMPARE(alone.getChangedMask(), 1u << member.changeBit);
    QVERIFY(member.isChanged(alone));
    QCOMPARE(bytesOf(alone.image()), withMember(freshImage(), member, ones));
    const QByteArray zeros(28, '\0');
    QCOMPARE(appliedOver(zeros, alone), withMember(zeros, member, ones));

    // Set again, to zero, among members that are all ones: the neighbours in the flags word
    // and every change bit stay.
    PortSettings full;
    for (const Member &other : members)
        other.set(full, other.allOnes());
    const QByteArray before = bytesOf(full.image());
    member.set(full, 0);
    QCOMPARE(member.get(full), 0u);
    QCOMPARE(bytesOf(full.image()), withMember(before, member, 0));
    QCOMPARE(full.getChangedMask(), everyChangeBit);

    PortSettings zero;
    member.set(zero, 0);
    const QByteArray driver(28, '\xFF');
    QCOMPARE(appliedOver(driver, zero), withMember(driver, member, 0));
}

void TestPortSettings::flagSettersKeepOnlyTheirLowBits_data()
{
    QTest::addColumn<QString>("member");
    QTest::addColumn<quint32>("value");
    QTest::addColumn<quint32>("stored");
    QTest::newRow("fDtrControl 5") << "FDtrControl" << 5u << 1u;
    QTest::newRow("fRtsControl 6") << "FRtsControl" << 6u << 2u;
    QTest::newRow("fBinary 2") << "FBinary" << 2u << 0u;
    QTest::newRow("fAbortOnError all high bits") << "FAbortOnError" << 0xFFFFFFFEu << 0u;
}

void TestPortSettings::flagSettersKeepOnlyTheirLowBits()
{
    QFETCH(QString, member);
    QFETCH(quint32, value);
    QFETCH(quint32, stored);
    const Member &entry = *std::find_if(members.begin(), members.end(),
                                        [&](const Member &m) { return member == m.name; });
    PortSettings settings;
    entry.set(settings, value);
    QCOMPARE(entry.get(settings), stored);
    QCOMPARE(bytesOf(settings.image()), withMember(freshImage(), entry, stored));
}

void TestPortSettings::emptyRecordLeavesDriverDcbAlone()
{
    QByteArray driver(28, '\0');
    for (int i = 0; i < driver.size(); ++i)
        driver[i] = char(i * 37 + 11);
    QCOMPARE(appliedOver(driver, PortSettings()), driver);
}

QTEST_APPLESS_MAIN(TestPortSettings)
#include "tst_portsettings.moc"
