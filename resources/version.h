// The program's version, in one place: the resource script's version record
// is built from it, and the About box reads that record back at run time.
#pragma once

#define QUILLMERE_VERSION_MAJOR 1
#define QUILLMERE_VERSION_MINOR 1
#define QUILLMERE_VERSION_REVISION 0
#define QUILLMERE_VERSION_TEXT "1.1.0"
// The version record's string versions: the minor number with two digits.
#define QUILLMERE_VERSION_STRING "1.01"
