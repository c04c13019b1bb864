#ifndef FILESIZELIMIT_H
#define FILESIZELIMIT_H

// Makes a write past the process's file-size limit fail like any other failed write,
// instead of ending the program and losing the downloaded data.
void letFileSizeLimitFailWrites();

#endif
