#pragma once

#define IDI_TARNVIK 1
#define IDI_ADD_FILES_FOLDER 2
#define IDI_ABOUT 3
