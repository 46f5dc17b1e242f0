#pragma once

#define IDI_TARNVIK 1
#define IDI_ADD_FILES_FOLDER 2
#define IDI_ABOUT 3

// The outside tools' files, embedded when the build has them.
#define IDR_BOOTICE 101
#define IDR_SEVENZIP 102
#define IDR_SEVENZIP_LIB 103
