#include "serial/commapi.h"
#include "serial/portsettings.h"

#include <QTest>

#include <iterator>
#include <type_traits>

using Ow::PortSettings;

// Each member of the record against the published DCB layout: its change bit and its bits.
class TestPortSettings : public QObject
{
    Q_OBJECT

private slots:
    void memberOwnsItsChangeBitAndItsBits_data();
    void memberOwnsItsChangeBitAndItsBits();
};

namespace {

struct Member
{
    const char *name;
    int changeBit, offset, shift, bits; // the bits: byte offset in the image, first bit, count
    void (*set)(PortSettings &, quint32);
    quint32 (*get)(const PortSettings &);
    bool (*isChanged)(const PortSettings &);
};

// clang-format off
#define LDL_MEMBER(name, type, changeBit, offset, shift, bits)                                     \
    Member{#name, changeBit, offset, shift, bits,                                                  \
           [](PortSettings &s, quint32 v) { s.set##name(type(v)); },                               \
           [](const PortSettings &s) {                                                             \
               static_assert(std::is_same_v<decltype(s.get##name()), type>);                       \
               return quint32(std::make_unsigned_t<type>(s.get##name()));                          \
           },                                                                                      \
           [](const PortSettings &s) { return s.is##name##Changed(); }}

// The flags word lies at byte 8.
const Member members[] = {
    LDL_MEMBER(BaudRate, quint32, 0, 4, 0, 32),       LDL_MEMBER(FBinary, quint32, 1, 8, 0, 1),
    LDL_MEMBER(FParity, quint32, 2, 8, 1, 1),         LDL_MEMBER(FOutxCtsFlow, quint32, 3, 8, 2, 1),
    LDL_MEMBER(FOutxDsrFlow, quint32, 4, 8, 3, 1),    LDL_MEMBER(FDtrControl, quint32, 5, 8, 4, 2),
    LDL_MEMBER(FDsrSensitivity, quint32, 6, 8, 6, 1), LDL_MEMBER(FTXContinueOnXoff, quint32, 7, 8, 7, 1),
    LDL_MEMBER(FOutX, quint32, 8, 8, 8, 1),           LDL_MEMBER(FInX, quint32, 9, 8, 9, 1),
    LDL_MEMBER(FErrorChar, quint32, 10, 8, 10, 1),    LDL_MEMBER(FNull, quint32, 11, 8, 11, 1),
    LDL_MEMBER(FRtsControl, quint32, 12, 8, 12, 2),   LDL_MEMBER(FAbortOnError, quint32, 13, 8, 14, 1),
    LDL_MEMBER(XonLim, quint16, 16, 14, 0, 16),       LDL_MEMBER(XoffLim, quint16, 17, 16, 0, 16),
    LDL_MEMBER(ByteSize, quint8, 18, 18, 0, 8),       LDL_MEMBER(Parity, quint8, 19, 19, 0, 8),
    LDL_MEMBER(StopBits, quint8, 20, 20, 0, 8),       LDL_MEMBER(XonChar, char, 21, 21, 0, 8),
    LDL_MEMBER(XoffChar, char, 22, 22, 0, 8),         LDL_MEMBER(EvtChar, char, 25, 25, 0, 8)};
// clang-format on

QByteArray bytesOf(const DCB &dcb)
{
    return QByteArray(reinterpret_cast<const char *>(&dcb), int(sizeof dcb));
}

// The image with the member's bits set to value, from the layout alone.
QByteArray withMember(QByteArray image, const Member &member, quint32 value)
{
    for (int i = 0; i < member.bits; ++i) {
        const int at = 8 * member.offset + member.shift + i, bit = 1 << (at % 8);
        image[at / 8] = char((value >> i) & 1 ? image[at / 8] | bit : image[at / 8] & ~bit);
    }
    return image;
}

QByteArray appliedOver(QByteArray driver, const PortSettings &settings)
{
    settings.applyTo(reinterpret_cast<DCB *>(driver.data()));
    return driver;
}

} // namespace

void TestPortSettings::memberOwnsItsChangeBitAndItsBits_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < int(std::size(members)); ++i)
        QTest::newRow(members[i].name) << i;
}

void TestPortSettings::memberOwnsItsChangeBitAndItsBits()
{
    QFETCH(int, index);
    const Member &member = members[index];
    const quint32 ones = member.bits == 32 ? ~0u : (1u << member.bits) - 1;
    QByteArray fresh(28, '\0'), driver(28, '\xFF');
    fresh[0] = 28;
    QCOMPARE(appliedOver(driver, PortSettings()), driver);

    PortSettings alone; // bits beyond the member's width are dropped
    member.set(alone, ~0u);
    QCOMPARE(member.get(alone), ones);
    QCOMPARE(alone.getChangedMask(), 1u << member.changeBit);
    QVERIFY(member.isChanged(alone));
    QCOMPARE(bytesOf(alone.image()), withMember(fresh, member, ones));

    PortSettings all; // set to zero among members all ones: the neighbours keep their bits
    for (const Member &other : members)
        other.set(all, ~0u);
    const QByteArray before = bytesOf(all.image());
    member.set(all, 0);
    QCOMPARE(bytesOf(all.image()), withMember(before, member, 0));
    QCOMPARE(all.getChangedMask(), 0x027F3FFFu);
    PortSettings zero;
    member.set(zero, 0);
    QCOMPARE(appliedOver(driver, zero), withMember(driver, member, 0));
}

QTEST_APPLESS_MAIN(TestPortSettings)
#include "tst_portsettings.moc"
