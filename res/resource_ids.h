#pragma once

#define IDI_TARNVIK 1
