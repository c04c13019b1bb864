#include "serial/commapi.h"
#include "serial/portsettings.h"

#include <QTest>

#include <cstring>
#include <vector>

using Ow::PortSettings;

// The record's change bits and its DCB image against the published DCB layout.
class TestPortSettings : public QObject
{
    Q_OBJECT

private slots:
    void newRecordIsZeroedWithLength28();
    void setterTouchesOnlyItsMember_data();
    void setterTouchesOnlyItsMember();
    void applyCopiesOnlyChangedMember_data();
    void applyCopiesOnlyChangedMember();
    void flagSettersKeepOnlyTheirLowBits_data();
    void flagSettersKeepOnlyTheirLowBits();
    void emptyRecordLeavesDriverDcbAlone();
    void unofferedMembersNeverChangeAndNeverApply();
    void lastValueWinsAndStaysChanged();
};

namespace {

const int flagsOffset = 8;

// One member with accessors: where it lies in the DCB and how the record reaches it.
struct Member
{
    const char *name;
    int changeBit;
    int offset;    // byte offset of the member, or of the flags word for a flag
    int byteWidth; // 0 for a flag
    int flagShift; // bit position in the flags word
    int flagBits;  // 1 or 2 for a flag
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

#define LDL_FLAG(name, bit, shift, bits)                                                           \
    Member                                                                                         \
    {                                                                                              \
#name, bit, flagsOffset, 0, shift, bits,                                               \
            [](PortSettings &s, quint32 v) { s.set##name(v); },                               \
            [](const PortSettings &s) { return quint32(s.get##name()); },                     \
            [](const PortSettings &s) { return s.is##name##Changed(); }           \
    }
#define LDL_FIELD(name, bit, offset, width, type)                                                  \
    Member                                                                                         \
    {                                                                                              \
#name, bit, offset, width, 0, 0,                                                       \
            [](PortSettings &s, quint32 v) { s.set##name(type(v)); },                         \
            [](const PortSettings &s) { return widen(s.get##name()); },                       \
            [](const PortSettings &s) { return s.is##name##Changed(); }           \
    }

const std::vector<Member> &members()
{
    static const std::vector<Member> table = {
        LDL_FIELD(BaudRate, 0, 4, 4, quint32),
        LDL_FLAG(FBinary, 1, 0, 1),
        LDL_FLAG(FParity, 2, 1, 1),
        LDL_FLAG(FOutxCtsFlow, 3, 2, 1),
        LDL_FLAG(FOutxDsrFlow, 4, 3, 1),
        LDL_FLAG(FDtrControl, 5, 4, 2),
        LDL_FLAG(FDsrSensitivity, 6, 6, 1),
        LDL_FLAG(FTXContinueOnXoff, 7, 7, 1),
        LDL_FLAG(FOutX, 8, 8, 1),
        LDL_FLAG(FInX, 9, 9, 1),
        LDL_FLAG(FErrorChar, 10, 10, 1),
        LDL_FLAG(FNull, 11, 11, 1),
        LDL_FLAG(FRtsControl, 12, 12, 2),
        LDL_FLAG(FAbortOnError, 13, 14, 1),
        LDL_FIELD(XonLim, 16, 14, 2, quint16),
        LDL_FIELD(XoffLim, 17, 16, 2, quint16),
        LDL_FIELD(ByteSize, 18, 18, 1, quint8),
        LDL_FIELD(Parity, 19, 19, 1, quint8),
        LDL_FIELD(StopBits, 20, 20, 1, quint8),
        LDL_FIELD(XonChar, 21, 21, 1, char),
        LDL_FIELD(XoffChar, 22, 22, 1, char),
        LDL_FIELD(EvtChar, 25, 25, 1, char),
    };
    return table;
}

#undef LDL_FLAG
#undef LDL_FIELD

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
        std::memcpy(&flags, image.constData() + flagsOffset, 4);
        const quint32 mask = member.allOnes() << member.flagShift;
        flags = (flags & ~mask) | ((value << member.flagShift) & mask);
        std::memcpy(image.data() + flagsOffset, &flags, 4);
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

void addMemberRows()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < int(members().size()); ++i)
        QTest::newRow(members().at(i).name) << i;
}

} // namespace

void TestPortSettings::newRecordIsZeroedWithLength28()
{
    PortSettings *settings = PortSettings::create();
    QCOMPARE(bytesOf(settings->image()), freshImage());
    QCOMPARE(settings->getChangedMask(), 0u);
    for (const Member &member : members())
        QVERIFY2(!member.isChanged(*settings), member.name);
    delete settings;
}

void TestPortSettings::setterTouchesOnlyItsMember_data()
{
    addMemberRows();
}

void TestPortSettings::setterTouchesOnlyItsMember()
{
    QFETCH(int, index);
    const Member &member = members().at(index);

    PortSettings alone;
    member.set(alone, member.allOnes());
    QCOMPARE(member.get(alone), member.allOnes());
    QCOMPARE(alone.getChangedMask(), 1u << member.changeBit);
    QVERIFY(member.isChanged(alone));
    QCOMPARE(bytesOf(alone.image()), withMember(freshImage(), member, member.allOnes()));

    PortSettings full;
    for (const Member &other : members())
        other.set(full, other.allOnes());
    const QByteArray before = bytesOf(full.image());
    member.set(full, 0);
    QCOMPARE(member.get(full), 0u);
    QCOMPARE(bytesOf(full.image()), withMember(before, member, 0));
    for (const Member &other : members()) {
        if (&other != &member)
            QCOMPARE(other.get(full), other.allOnes());
    }
}

void TestPortSettings::applyCopiesOnlyChangedMember_data()
{
    addMemberRows();
}

void TestPortSettings::applyCopiesOnlyChangedMember()
{
    QFETCH(int, index);
    const Member &member = members().at(index);

    PortSettings ones;
    member.set(ones, member.allOnes());
    DCB working = dcbOf(QByteArray(28, '\0'));
    ones.applyTo(&working);
    QCOMPARE(bytesOf(working), withMember(QByteArray(28, '\0'), member, member.allOnes()));

    PortSettings zero;
    member.set(zero, 0);
    working = dcbOf(QByteArray(28, '\xFF'));
    zero.applyTo(&working);
    QCOMPARE(bytesOf(working), withMember(QByteArray(28, '\xFF'), member, 0));
}

void TestPortSettings::flagSettersKeepOnlyTheirLowBits_data()
{
    QTest::addColumn<QString>("member");
    QTest::addColumn<quint32>("value");
    QTest::addColumn<quint32>("stored");
    QTest::newRow("fDtrControl 5") << "FDtrControl" << 5u << 1u;
    QTest::newRow("fRtsControl 6") << "FRtsControl" << 6u << 2u;
    QTest::newRow("fBinary 2") << "FBinary" << 2u << 0u;
    QTest::newRow("fOutxCtsFlow 3") << "FOutxCtsFlow" << 3u << 1u;
    QTest::newRow("fAbortOnError all high bits") << "FAbortOnError" << 0xFFFFFFFEu << 0u;
}

void TestPortSettings::flagSettersKeepOnlyTheirLowBits()
{
    QFETCH(QString, member);
    QFETCH(quint32, value);
    QFETCH(quint32, stored);
    for (const Member &entry : members()) {
        if (member != QLatin1String(entry.name))
            continue;
        PortSettings settings;
        entry.set(settings, value);
        QCOMPARE(entry.get(settings), stored);
        QCOMPARE(bytesOf(settings.image()), withMember(freshImage(), entry, stored));
        return;
    }
    QFAIL("no such member");
}

void TestPortSettings::emptyRecordLeavesDriverDcbAlone()
{
    QByteArray driver(28, '\0');
    for (int i = 0; i < driver.size(); ++i)
        driver[i] = char(i * 37 + 11);
    DCB working = dcbOf(driver);
    PortSettings().applyTo(&working);
    QCOMPARE(bytesOf(working), driver);
}

void TestPortSettings::unofferedMembersNeverChangeAndNeverApply()
{
    PortSettings settings;
    for (const Member &member : members())
        member.set(settings, 0);
    // Bits 14, 15, 23, 24 and 26 to 31 stand for members without accessors.
    QCOMPARE(settings.getChangedMask(), 0x027F3FFFu);
    QCOMPARE(settings.image().DCBlength, DWORD(28));

    DCB working = dcbOf(QByteArray(28, '\xFF'));
    settings.applyTo(&working);
    QCOMPARE(working.DCBlength, DWORD(0xFFFFFFFF));
    QCOMPARE(working.fDummy2, DWORD(0x1FFFF));
    QCOMPARE(working.wReserved, WORD(0xFFFF));
    QCOMPARE(working.ErrorChar, '\xFF');
    QCOMPARE(working.EofChar, '\xFF');
    QCOMPARE(working.wReserved1, WORD(0xFFFF));
}

void TestPortSettings::lastValueWinsAndStaysChanged()
{
    PortSettings settings;
    settings.setBaudRate(19200);
    settings.setBaudRate(9600);
    settings.setXonChar(0x11);
    settings.setXonChar(0x13);
    QCOMPARE(settings.getBaudRate(), 9600u);
    QCOMPARE(settings.getXonChar(), '\x13');
    QVERIFY(settings.isBaudRateChanged());
    QVERIFY(settings.isXonCharChanged());
    QCOMPARE(settings.getChangedMask(), (1u << 0) | (1u << 21));
}

QTEST_APPLESS_MAIN(TestPortSettings)
#include "tst_portsettings.moc"
