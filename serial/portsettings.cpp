#include "serial/portsettings.h"

#include "serial/commapi.h"

#include <cstring>

namespace Ow {

namespace {

// Change bits: the member's position after DCBlength, each bit-field counting as one.
enum ChangeBit {
    BaudRateBit = 0,
    FBinaryBit = 1,
    FParityBit = 2,
    FOutxCtsFlowBit = 3,
    FOutxDsrFlowBit = 4,
    FDtrControlBit = 5,
    FDsrSensitivityBit = 6,
    FTXContinueOnXoffBit = 7,
    FOutXBit = 8,
    FInXBit = 9,
    FErrorCharBit = 10,
    FNullBit = 11,
    FRtsControlBit = 12,
    FAbortOnErrorBit = 13,
    XonLimBit = 16,
    XoffLimBit = 17,
    ByteSizeBit = 18,
    ParityBit = 19,
    StopBitsBit = 20,
    XonCharBit = 21,
    XoffCharBit = 22,
    EvtCharBit = 25,
};

} // namespace

PortSettings::PortSettings() : dcb(new DCB)
{
    std::memset(dcb, 0, sizeof(DCB));
    dcb->DCBlength = sizeof(DCB);
}

PortSettings::~PortSettings()
{
    delete dcb;
}

PortSettings *PortSettings::create()
{
    return new PortSettings;
}

void PortSettings::applyTo(DCB *working) const
{
    if (isChanged(BaudRateBit))
        working->BaudRate = dcb->BaudRate;
    if (isChanged(FBinaryBit))
        working->fBinary = dcb->fBinary;
    if (isChanged(FParityBit))
        working->fParity = dcb->fParity;
    if (isChanged(FOutxCtsFlowBit))
        working->fOutxCtsFlow = dcb->fOutxCtsFlow;
    if (isChanged(FOutxDsrFlowBit))
        working->fOutxDsrFlow = dcb->fOutxDsrFlow;
    if (isChanged(FDtrControlBit))
        working->fDtrControl = dcb->fDtrControl;
    if (isChanged(FDsrSensitivityBit))
        working->fDsrSensitivity = dcb->fDsrSensitivity;
    if (isChanged(FTXContinueOnXoffBit))
        working->fTXContinueOnXoff = dcb->fTXContinueOnXoff;
    if (isChanged(FOutXBit))
        working->fOutX = dcb->fOutX;
    if (isChanged(FInXBit))
        working->fInX = dcb->fInX;
    if (isChanged(FErrorCharBit))
        working->fErrorChar = dcb->fErrorChar;
    if (isChanged(FNullBit))
        working->fNull = dcb->fNull;
    if (isChanged(FRtsControlBit))
        working->fRtsControl = dcb->fRtsControl;
    if (isChanged(FAbortOnErrorBit))
        working->fAbortOnError = dcb->fAbortOnError;
    if (isChanged(XonLimBit))
        working->XonLim = dcb->XonLim;
    if (isChanged(XoffLimBit))
        working->XoffLim = dcb->XoffLim;
    if (isChanged(ByteSizeBit))
        working->ByteSize = dcb->ByteSize;
    if (isChanged(ParityBit))
        working->Parity = dcb->Parity;
    if (isChanged(StopBitsBit))
        working->StopBits = dcb->StopBits;
    if (isChanged(XonCharBit))
        working->XonChar = dcb->XonChar;
    if (isChanged(XoffCharBit))
        working->XoffChar = dcb->XoffChar;
    if (isChanged(EvtCharBit))
        working->EvtChar = dcb->EvtChar;
}

quint32 PortSettings::getBaudRate() const
{
    return dcb->BaudRate;
}

void PortSettings::setBaudRate(quint32 value)
{
    dcb->BaudRate = value;
    markChanged(BaudRateBit);
}

bool PortSettings::isBaudRateChanged() const
{
    return isChanged(BaudRateBit);
}

quint32 PortSettings::getFBinary() const
{
    return dcb->fBinary;
}

void PortSettings::setFBinary(quint32 value)
{
    dcb->fBinary = value & 1;
    markChanged(FBinaryBit);
}

bool PortSettings::isFBinaryChanged() const
{
    return isChanged(FBinaryBit);
}

quint32 PortSettings::getFParity() const
{
    return dcb->fParity;
}

void PortSettings::setFParity(quint32 value)
{
    dcb->fParity = value & 1;
    markChanged(FParityBit);
}

bool PortSettings::isFParityChanged() const
{
    return isChanged(FParityBit);
}

quint32 PortSettings::getFOutxCtsFlow() const
{
    return dcb->fOutxCtsFlow;
}

void PortSettings::setFOutxCtsFlow(quint32 value)
{
    dcb->fOutxCtsFlow = value & 1;
    markChanged(FOutxCtsFlowBit);
}

bool PortSettings::isFOutxCtsFlowChanged() const
{
    return isChanged(FOutxCtsFlowBit);
}

quint32 PortSettings::getFOutxDsrFlow() const
{
    return dcb->fOutxDsrFlow;
}

void PortSettings::setFOutxDsrFlow(quint32 value)
{
    dcb->fOutxDsrFlow = value & 1;
    markChanged(FOutxDsrFlowBit);
}

bool PortSettings::isFOutxDsrFlowChanged() const
{
    return isChanged(FOutxDsrFlowBit);
}

quint32 PortSettings::getFDtrControl() const
{
    return dcb->fDtrControl;
}

void PortSettings::setFDtrControl(quint32 value)
{
    dcb->fDtrControl = value & 3;
    markChanged(FDtrControlBit);
}

bool PortSettings::isFDtrControlChanged() const
{
    return isChanged(FDtrControlBit);
}

quint32 PortSettings::getFDsrSensitivity() const
{
    return dcb->fDsrSensitivity;
}

void PortSettings::setFDsrSensitivity(quint32 value)
{
    dcb->fDsrSensitivity = value & 1;
    markChanged(FDsrSensitivityBit);
}

bool PortSettings::isFDsrSensitivityChanged() const
{
    return isChanged(FDsrSensitivityBit);
}

quint32 PortSettings::getFTXContinueOnXoff() const
{
    return dcb->fTXContinueOnXoff;
}

void PortSettings::setFTXContinueOnXoff(quint32 value)
{
    dcb->fTXContinueOnXoff = value & 1;
    markChanged(FTXContinueOnXoffBit);
}

bool PortSettings::isFTXContinueOnXoffChanged() const
{
    return isChanged(FTXContinueOnXoffBit);
}

quint32 PortSettings::getFOutX() const
{
    return dcb->fOutX;
}

void PortSettings::setFOutX(quint32 value)
{
    dcb->fOutX = value & 1;
    markChanged(FOutXBit);
}

bool PortSettings::isFOutXChanged() const
{
    return isChanged(FOutXBit);
}

quint32 PortSettings::getFInX() const
{
    return dcb->fInX;
}

void PortSettings::setFInX(quint32 value)
{
    dcb->fInX = value & 1;
    markChanged(FInXBit);
}

bool PortSettings::isFInXChanged() const
{
    return isChanged(FInXBit);
}

quint32 PortSettings::getFErrorChar() const
{
    return dcb->fErrorChar;
}

void PortSettings::setFErrorChar(quint32 value)
{
    dcb->fErrorChar = value & 1;
    markChanged(FErrorCharBit);
}

bool PortSettings::isFErrorCharChanged() const
{
    return isChanged(FErrorCharBit);
}

quint32 PortSettings::getFNull() const
{
    return dcb->fNull;
}

void PortSettings::setFNull(quint32 value)
{
    dcb->fNull = value & 1;
    markChanged(FNullBit);
}

bool PortSettings::isFNullChanged() const
{
    return isChanged(FNullBit);
}

quint32 PortSettings::getFRtsControl() const
{
    return dcb->fRtsControl;
}

void PortSettings::setFRtsControl(quint32 value)
{
    dcb->fRtsControl = value & 3;
    markChanged(FRtsControlBit);
}

bool PortSettings::isFRtsControlChanged() const
{
    return isChanged(FRtsControlBit);
}

quint32 PortSettings::getFAbortOnError() const
{
    return dcb->fAbortOnError;
}

void PortSettings::setFAbortOnError(quint32 value)
{
    dcb->fAbortOnError = value & 1;
    markChanged(FAbortOnErrorBit);
}

bool PortSettings::isFAbortOnErrorChanged() const
{
    return isChanged(FAbortOnErrorBit);
}

quint16 PortSettings::getXonLim() const
{
    return dcb->XonLim;
}

void PortSettings::setXonLim(quint16 value)
{
    dcb->XonLim = value;
    markChanged(XonLimBit);
}

bool PortSettings::isXonLimChanged() const
{
    return isChanged(XonLimBit);
}

quint16 PortSettings::getXoffLim() const
{
    return dcb->XoffLim;
}

void PortSettings::setXoffLim(quint16 value)
{
    dcb->XoffLim = value;
    markChanged(XoffLimBit);
}

bool PortSettings::isXoffLimChanged() const
{
    return isChanged(XoffLimBit);
}

quint8 PortSettings::getByteSize() const
{
    return dcb->ByteSize;
}

void PortSettings::setByteSize(quint8 value)
{
    dcb->ByteSize = value;
    markChanged(ByteSizeBit);
}

bool PortSettings::isByteSizeChanged() const
{
    return isChanged(ByteSizeBit);
}

quint8 PortSettings::getParity() const
{
    return dcb->Parity;
}

void PortSettings::setParity(quint8 value)
{
    dcb->Parity = value;
    markChanged(ParityBit);
}

bool PortSettings::isParityChanged() const
{
    return isChanged(ParityBit);
}

quint8 PortSettings::getStopBits() const
{
    return dcb->StopBits;
}

void PortSettings::setStopBits(quint8 value)
{
    dcb->StopBits = value;
    markChanged(StopBitsBit);
}

bool PortSettings::isStopBitsChanged() const
{
    return isChanged(StopBitsBit);
}

char PortSettings::getXonChar() const
{
    return dcb->XonChar;
}

void PortSettings::setXonChar(char value)
{
    dcb->XonChar = value;
    markChanged(XonCharBit);
}

bool PortSettings::isXonCharChanged() const
{
    return isChanged(XonCharBit);
}

char PortSettings::getXoffChar() const
{
    return dcb->XoffChar;
}

void PortSettings::setXoffChar(char value)
{
    dcb->XoffChar = value;
    markChanged(XoffCharBit);
}

bool PortSettings::isXoffCharChanged() const
{
    return isChanged(XoffCharBit);
}

char PortSettings::getEvtChar() const
{
    return dcb->EvtChar;
}

void PortSettings::setEvtChar(char value)
{
    dcb->EvtChar = value;
    markChanged(EvtCharBit);
}

bool PortSettings::isEvtCharChanged() const
{
    return isChanged(EvtCharBit);
}

} // namespace Ow
