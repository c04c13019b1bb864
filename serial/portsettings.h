#ifndef PORTSETTINGS_H
#define PORTSETTINGS_H

#include <QtGlobal>

// The Win32 device-control block; the comm API (serial/commapi.h) defines it.
typedef struct _DCB DCB;

// Every DCB member the record offers: accessor name, DCB member, change bit (the member's
// position after DCBlength, each bit-field counting as one), accessor type and width in bits.
// fDummy2, wReserved, ErrorChar, EofChar and wReserved1 are left to the driver.
// clang-format off
#define LDL_PORT_SETTINGS_MEMBERS(X)                             \
    X(BaudRate,          BaudRate,           0, quint32, 32)     \
    X(FBinary,           fBinary,            1, quint32,  1)     \
    X(FParity,           fParity,            2, quint32,  1)     \
    X(FOutxCtsFlow,      fOutxCtsFlow,       3, quint32,  1)     \
    X(FOutxDsrFlow,      fOutxDsrFlow,       4, quint32,  1)     \
    X(FDtrControl,       fDtrControl,        5, quint32,  2)     \
    X(FDsrSensitivity,   fDsrSensitivity,    6, quint32,  1)     \
    X(FTXContinueOnXoff, fTXContinueOnXoff,  7, quint32,  1)     \
    X(FOutX,             fOutX,              8, quint32,  1)     \
    X(FInX,              fInX,               9, quint32,  1)     \
    X(FErrorChar,        fErrorChar,        10, quint32,  1)     \
    X(FNull,             fNull,             11, quint32,  1)     \
    X(FRtsControl,       fRtsControl,       12, quint32,  2)     \
    X(FAbortOnError,     fAbortOnError,     13, quint32,  1)     \
    X(XonLim,            XonLim,            16, quint16, 16)     \
    X(XoffLim,           XoffLim,           17, quint16, 16)     \
    X(ByteSize,          ByteSize,          18, quint8,   8)     \
    X(Parity,            Parity,            19, quint8,   8)     \
    X(StopBits,          StopBits,          20, quint8,   8)     \
    X(XonChar,           XonChar,           21, char,     8)     \
    X(XoffChar,          XoffChar,          22, char,     8)     \
    X(EvtChar,           EvtChar,           25, char,     8)
// clang-format on

namespace Ow {

// The line settings a caller wants for a port: a DCB image plus one change bit per
// member. Opening a port overwrites only the changed members of the driver's DCB.
class PortSettings
{
public:
    PortSettings();
    ~PortSettings();
    PortSettings(const PortSettings &) = delete;
    PortSettings &operator=(const PortSettings &) = delete;

    static PortSettings *create();

    // Copies every changed member over the working DCB; the rest keeps the driver's values.
    void applyTo(DCB *working) const;

    const DCB &image() const { return *dcb; }
    quint32 getChangedMask() const { return changedMask; }

    // For each member: Type getName(), void setName(Type) (keeps the low width bits and marks
    // the member changed) and bool isNameChanged().
#define LDL_DECLARE_ACCESSORS(Name, member, changeBit, Type, width)                                \
    Type get##Name() const;                                                                        \
    void set##Name(Type value);                                                                    \
    bool is##Name##Changed() const;
    LDL_PORT_SETTINGS_MEMBERS(LDL_DECLARE_ACCESSORS)
#undef LDL_DECLARE_ACCESSORS

private:
    bool isChanged(int bit) const;
    void markChanged(int bit);

    DCB *dcb;
    quint32 changedMask = 0;
};

} // namespace Ow

#endif
