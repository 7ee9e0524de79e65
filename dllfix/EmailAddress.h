#pragma once
// The feedback form's check of an e-mail address, on its 8-bit form.
#include "platform/base/WinTypes.h"

// TRUE for local@domain where the local part is printable ASCII without ( ) < > @ , ; : \ " [ ] (quoted
// strings aside), not empty and not ending in '.', and the domain is made of the same characters, holds a
// '.', and neither starts with one nor has two in a row. Addresses of 260 bytes or more are refused: the
// form keeps the address in a 260-byte buffer.
BOOL IsValidEmailAddress(const char* address);
