#include "serial/portsettings.h"

#include "serial/commapi.h"

#include <cstring>

namespace Ow {

namespace {

// The low bits a member of that width holds; wider than 32 so that 32 itself works.
constexpr quint64 lowBits(int width)
{
    return (quint64(1) << width) - 1;
}

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

bool PortSettings::isChanged(int bit) const
{
    return changedMask & (1u << bit);
}

void PortSettings::markChanged(int bit)
{
    changedMask |= 1u << bit;
}

// Each member copied on its own: bit-fields have no address, so this names them directly.
void PortSettings::applyTo(DCB *working) const
{
#define LDL_APPLY_MEMBER(Name, member, changeBit, Type, width)                                     \
    if (isChanged(changeBit))                                                                      \
        working->member = dcb->member;
    LDL_PORT_SETTINGS_MEMBERS(LDL_APPLY_MEMBER)
#undef LDL_APPLY_MEMBER
}

#define LDL_DEFINE_ACCESSORS(Name, member, changeBit, Type, width)                                 \
    Type PortSettings::get##Name() const                                                           \
    {                                                                                              \
        return dcb->member;                                                                        \
    }                                                                                              \
                                                                                                   \
    void PortSettings::set##Name(Type value)                                                       \
    {                                                                                              \
        dcb->member = Type(value & lowBits(width));                                                \
        markChanged(changeBit);                                                                    \
    }                                                                                              \
                                                                                                   \
    bool PortSettings::is##Name##Changed() const                                                   \
    {                                                                                              \
        return isChanged(changeBit);                                                               \
    }
LDL_PORT_SETTINGS_MEMBERS(LDL_DEFINE_ACCESSORS)
#undef LDL_DEFINE_ACCESSORS

} // namespace Ow
