#ifndef PORTSETTINGS_H
#define PORTSETTINGS_H

#include <QtGlobal>

// The Win32 device-control block; the comm API (serial/commapi.h) defines it.
typedef struct _DCB DCB;

namespace Ow {

// The line settings a caller wants for a port: a DCB image plus one change bit per
// member (bit n is member n after DCBlength, each bit-field counting as one). Opening
// a port overwrites only the changed members of the driver's DCB.
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

    quint32 getBaudRate() const;
    void setBaudRate(quint32 value);
    bool isBaudRateChanged() const;

    quint32 getFBinary() const;
    void setFBinary(quint32 value);
    bool isFBinaryChanged() const;

    quint32 getFParity() const;
    void setFParity(quint32 value);
    bool isFParityChanged() const;

    quint32 getFOutxCtsFlow() const;
    void setFOutxCtsFlow(quint32 value);
    bool isFOutxCtsFlowChanged() const;

    quint32 getFOutxDsrFlow() const;
    void setFOutxDsrFlow(quint32 value);
    bool isFOutxDsrFlowChanged() const;

    quint32 getFDtrControl() const;
    void setFDtrControl(quint32 value);
    bool isFDtrControlChanged() const;

    quint32 getFDsrSensitivity() const;
    void setFDsrSensitivity(quint32 value);
    bool isFDsrSensitivityChanged() const;

    quint32 getFTXContinueOnXoff() const;
    void setFTXContinueOnXoff(quint32 value);
    bool isFTXContinueOnXoffChanged() const;

    quint32 getFOutX() const;
    void setFOutX(quint32 value);
    bool isFOutXChanged() const;

    quint32 getFInX() const;
    void setFInX(quint32 value);
    bool isFInXChanged() const;

    quint32 getFErrorChar() const;
    void setFErrorChar(quint32 value);
    bool isFErrorCharChanged() const;

    quint32 getFNull() const;
    void setFNull(quint32 value);
    bool isFNullChanged() const;

    quint32 getFRtsControl() const;
    void setFRtsControl(quint32 value);
    bool isFRtsControlChanged() const;

    quint32 getFAbortOnError() const;
    void setFAbortOnError(quint32 value);
    bool isFAbortOnErrorChanged() const;

    quint16 getXonLim() const;
    void setXonLim(quint16 value);
    bool isXonLimChanged() const;

    quint16 getXoffLim() const;
    void setXoffLim(quint16 value);
    bool isXoffLimChanged() const;

    quint8 getByteSize() const;
    void setByteSize(quint8 value);
    bool isByteSizeChanged() const;

    quint8 getParity() const;
    void setParity(quint8 value);
    bool isParityChanged() const;

    quint8 getStopBits() const;
    void setStopBits(quint8 value);
    bool isStopBitsChanged() const;

    char getXonChar() const;
    void setXonChar(char value);
    bool isXonCharChanged() const;

    char getXoffChar() const;
    void setXoffChar(char value);
    bool isXoffCharChanged() const;

    char getEvtChar() const;
    void setEvtChar(char value);
    bool isEvtCharChanged() const;

private:
    bool isChanged(int bit) const { return changedMask & (1u << bit); }
    void markChanged(int bit) { changedMask |= 1u << bit; }

    DCB *dcb;
    quint32 changedMask = 0;
};

} // namespace Ow

#endif
