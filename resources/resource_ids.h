// Identifiers of the program's resources, shared by the resource script and
// the code. Plain macros: the resource compiler reads this file too.
#pragma once

#define kProgramIcon 1
#define kIconImage16x16x4 30001
#define kIconImage32x32x8 30002
#define kIconImage32x32x4 30003
