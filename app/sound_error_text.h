#pragma once
// The message shown for each error code of the sound library.

const char* sound_error_text(unsigned code);
