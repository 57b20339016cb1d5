// What the release checks in a driver file's own headers: a .SYS is a PE
// image for i386 with the native subsystem, the .VXD a linear executable (LE).
#pragma once

#include <string>
#include <vector>

// An empty string when `bytes` is a PE image for i386 (machine 0x14C, a
// PE32 optional header) whose subsystem is native (1); otherwise why not.
std::string checkNativeDriver(const std::vector<unsigned char> &bytes);

// An empty string when `bytes` is an MZ executable whose new header
// (e_lfanew) starts with "LE"; otherwise why not.
std::string checkLinearExecutable(const std::vector<unsigned char> &bytes);
