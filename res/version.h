// version.h - the version of Tarnel2.exe and Tarnel2Cmd.exe: their version
// resources take it from here, and scripts/package names the package after it.
#ifndef TARNEL2_VERSION_H
#define TARNEL2_VERSION_H

#define TARNEL_VERSION_NUMBERS 1, 0, 0, 1
#define TARNEL_VERSION_TEXT "1.0.0.1"

#endif
