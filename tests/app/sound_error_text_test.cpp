#include <gtest/gtest.h>

#include <string>

#include "app/sound_error_text.h"

TEST(SoundErrorText, EveryCodeHasItsText)
{
    EXPECT_STREQ(sound_error_text(0), "No errors");
    EXPECT_STREQ(sound_error_text(1),
                 "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.");
    EXPECT_STREQ(sound_error_text(3), "Error initializing output device.");
    EXPECT_STREQ(sound_error_text(9), "File not found");
    EXPECT_STREQ(sound_error_text(10), "Unknown file format");
    EXPECT_STREQ(sound_error_text(12), "Not enough memory ");
    EXPECT_STREQ(sound_error_text(19), "Recording not supported on this device");
    EXPECT_STREQ(sound_error_text(20), "Unknown error");
    EXPECT_STREQ(sound_error_text(0xFFFFFFFFu), "Unknown error");
    // Every code below 20 has a text of its own.
    for (unsigned code = 0; code < 20; ++code)
        for (unsigned other = code + 1; other < 21; ++other)
            EXPECT_NE(std::string(sound_error_text(code)), sound_error_text(other));
}
