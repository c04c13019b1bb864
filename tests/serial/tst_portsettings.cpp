#include "serial/commapi.h"
#include "serial/portsettings.h"

#include <QTest>

#include <algorithm>
#include <cstring>
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

// One member with accessors: where it lies in the DCB and how the record reaches it.
struct Member
{
    const char *name;
    int changeBit;
    int offset;
    int byteWidth;
    int flagShift;
    int flagBits;
    void (*set)(PortSettings &, quint32);
    quint32 (*get)(const PortSettings &);
    bool (*isChanged)(const PortSettings &);

    quint32 allOnes() const
    {
        if (byteWidth == 0)
            return (1u << flagBits) - 1;
        return byteWidth == 4 ? 0xFFFFFFFFu : (1u << (8 * byteWidth)) - 1;
    }
};

template<typename T>
quint32 widen(T value)
{
    return quint32(value);
}

// Character members read back as their byte, not sign-extended.
template<>
quint32 widen(char value)
{
    return quint8(value);
}

#define LDL_MEMBER(name, bit, offset, width, shift, bits)                                          \
    Member                                                                                         \
    {                                                                                              \
        QT_STRINGIFY(name), bit, offset, width, shift, bits,                                       \
            [](PortSettings &s, quint32 v) { s.set##name(decltype(s.get##name())(v)); },           \
            [](const PortSettings &s) { return widen(s.get##name()); },                            \
            [](const PortSettings &s) { return s.is##name##Changed(); }                            \
    }

// Name, change bit, byte offset, byte width, and for a flag (width 0, in the flags word at
// offset 8) its shift and number of bits.
const std::vector<Member> members = {
    LDL_MEMBER(BaudRate, 0, 4, 4, 0, 0),        LDL_MEMBER(FBinary, 1, 8, 0, 0, 1),
    LDL_MEMBER(FParity, 2, 8, 0, 1, 1),         LDL_MEMBER(FOutxCtsFlow, 3, 8, 0, 2, 1),
    LDL_MEMBER(FOutxDsrFlow, 4, 8, 0, 3, 1),    LDL_MEMBER(FDtrControl, 5, 8, 0, 4, 2),
    LDL_MEMBER(FDsrSensitivity, 6, 8, 0, 6, 1), LDL_MEMBER(FTXContinueOnXoff, 7, 8, 0, 7, 1),
    LDL_MEMBER(FOutX, 8, 8, 0, 8, 1),           LDL_MEMBER(FInX, 9, 8, 0, 9, 1),
    LDL_MEMBER(FErrorChar, 10, 8, 0, 10, 1),    LDL_MEMBER(FNull, 11, 8, 0, 11, 1),
    LDL_MEMBER(FRtsControl, 12, 8, 0, 12, 2),   LDL_MEMBER(FAbortOnError, 13, 8, 0, 14, 1),
    LDL_MEMBER(XonLim, 16, 14, 2, 0, 0),        LDL_MEMBER(XoffLim, 17, 16, 2, 0, 0),
    LDL_MEMBER(ByteSize, 18, 18, 1, 0, 0),      LDL_MEMBER(Parity, 19, 19, 1, 0, 0),
    LDL_MEMBER(StopBits, 20, 20, 1, 0, 0),      LDL_MEMBER(XonChar, 21, 21, 1, 0, 0),
    LDL_MEMBER(XoffChar, 22, 22, 1, 0, 0),      LDL_MEMBER(EvtChar, 25, 25, 1, 0, 0),
};

#undef LDL_MEMBER

QByteArray bytesOf(const DCB &dcb)
{
    return QByteArray(reinterpret_cast<const char *>(&dcb), int(sizeof dcb));
}

DCB dcbOf(const QByteArray &bytes)
{
    DCB dcb;
    std::memcpy(&dcb, bytes.constData(), sizeof dcb);
    return dcb;
}

// The image with one member's bits replaced by value, written from the layout alone.
QByteArray withMember(QByteArray image, const Member &member, quint32 value)
{
    if (member.byteWidth == 0) {
        quint32 flags;
        std::memcpy(&flags, image.constData() + member.offset, 4);
        const quint32 mask = member.allOnes() << member.flagShift;
        flags = (flags & ~mask) | ((value << member.flagShift) & mask);
        std::memcpy(image.data() + member.offset, &flags, 4);
    } else {
        std::memcpy(image.data() + member.offset, &value, size_t(member.byteWidth));
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
    DCB working = dcbOf(driver);
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

    // Cleared among members that are all ones: the neighbours in the flags word stay.
    PortSettings full;
    for (const Member &other : members)
        other.set(full, other.allOnes());
    const QByteArray before = bytesOf(full.image());
    member.set(full, 0);
    QCOMPARE(member.get(full), 0u);
    QCOMPARE(bytesOf(full.image()), withMember(before, member, 0));

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
