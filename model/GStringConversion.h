// Conversions between the model's narrow strings (RWCString) and the wide
// strings of the operating-system interface (RWWString), under the C
// runtime's current code page.
#pragma once

#include "rw/RWCString.h"
#include "rw/RWWString.h"

// out = in converted by the C runtime's multibyte-to-wide conversion under
// the current code page; text that is not a valid multibyte sequence gives an
// empty string. Returns 1.
int ToWideString(const RWCString& in, RWWString& out);

// When no character of in is above 127, out takes the low byte of every
// character (all of them, 0s included); otherwise out is the C runtime's
// wide-to-multibyte conversion under the current code page, empty when a
// character has no multibyte form. Returns 1.
int ToNarrowString(const RWWString& in, RWCString& out);
