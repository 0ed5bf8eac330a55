// Writes a picture of the stand-in as a PNG file (8-bit RGB, through
// libpng), so that a person can look at what a sheet shows.
#pragma once

#include <string>

#include "w32host/Pictures.h"

// False, with the reason, when the file cannot be written.
bool WritePng(const std::string& path, const w32host::Picture& picture, std::string* why);
