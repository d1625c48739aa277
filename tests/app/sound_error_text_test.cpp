#include <gtest/gtest.h>

#include "app/sound_error_text.h"
#include "app/sound_port.h"

TEST(SoundErrorText, CodesMeetTheirTextsToTheEndOfTheTable)
{
    // A text out of place shifts every one after it: the first, some between, and the last.
    EXPECT_STREQ(sound_error_text(FMOD_ERR_NONE), "No errors");
    EXPECT_STREQ(sound_error_text(FMOD_ERR_INIT), "Error initializing output device.");
    EXPECT_STREQ(sound_error_text(FMOD_ERR_FILE_NOTFOUND), "File not found");
    EXPECT_STREQ(sound_error_text(FMOD_ERR_FILE_FORMAT), "Unknown file format");
    EXPECT_STREQ(sound_error_text(FMOD_ERR_MEMORY), "Not enough memory ");  // ends in a space
    EXPECT_STREQ(sound_error_text(FMOD_ERR_RECORD), "Recording not supported on this device");
    for (unsigned code : {20u, 21u, 1000u, 0x7FFFFFFFu, 0xFFFFFFFFu})
        EXPECT_STREQ(sound_error_text(code), "Unknown error") << "code " << code;
}
