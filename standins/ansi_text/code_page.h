#pragma once
// The code page of the ANSI text functions away from Windows
// (ansi_text_portable.cpp): Latin-1, single-byte, unless a test switches it.

namespace qvapi {

// Switches stepping to a double-byte code page whose lead bytes are
// 0x81-0x9F and 0xE0-0xFC, so that double-byte text is testable.
void SetDoubleByteCodePage(bool enabled);

}  // namespace qvapi
