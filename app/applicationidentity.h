#ifndef APPLICATIONIDENTITY_H
#define APPLICATIONIDENTITY_H

// Sets the organization, domain, application name and version on the
// application object; the settings store is keyed on them.
void setApplicationIdentity();

#endif
