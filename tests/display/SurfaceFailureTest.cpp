#include "display/SurfaceFailure.h"

#include <gtest/gtest.h>

#include <string>

TEST(SurfaceFailure, EachKnownCodeHasItsText)
{
    EXPECT_STREQ("Nu har ditt graffikkort g\xC3\xA5tt s\xC3\xB6nder", surfaceFailureText(0x8007000Eu));
    EXPECT_STREQ("Rullstols-parametrar", surfaceFailureText(0x80070057u));
    EXPECT_STREQ("Incomatible primary?", surfaceFailureText(0x8876005Fu));
    EXPECT_STREQ("Rullstols-kaps", surfaceFailureText(0x88760064u));
    EXPECT_STREQ("Rullstols-objekt", surfaceFailureText(0x88760082u));
    EXPECT_STREQ("Rullstols-pixelformat", surfaceFailureText(0x88760091u));
    EXPECT_STREQ("Plocka lingon", surfaceFailureText(0x887600B4u));
    EXPECT_STREQ("Could not shit", surfaceFailureText(0x887600D4u));
    EXPECT_STREQ("Exclusivemode", surfaceFailureText(0x887600E1u));
    EXPECT_STREQ("Could not flip", surfaceFailureText(0x887600E6u));
    EXPECT_STREQ("H\xC3\xA5ve", surfaceFailureText(0x88760104u));
    EXPECT_STREQ("H\xC3\xA5veZ", surfaceFailureText(0x88760154u));
    EXPECT_STREQ("Nu \xC3\xA4ter jag upp ditt grafikminne", surfaceFailureText(0x8876017Cu));
    EXPECT_STREQ("Could not hardware-shit", surfaceFailureText(0x88760233u));
    EXPECT_STREQ("No emulation", surfaceFailureText(0x88760235u));
    EXPECT_STREQ("MipMapDipDop", surfaceFailureText(0x8876024Fu));
    EXPECT_STREQ("Could not shit!", kSurfaceFailureCaption);
}

TEST(SurfaceFailure, PrimaryExistsTextIs25TimesAjAndAFinalA)
{
    std::string expected;
    for (int i = 0; i < 25; ++i)
        expected += "AJ";
    expected += "A";
    EXPECT_EQ(expected, surfaceFailureText(0x88760234u));
}

TEST(SurfaceFailure, UnknownCodesShareOneText)
{
    EXPECT_STREQ("Kunde inte skita", surfaceFailureText(0));
    EXPECT_STREQ("Kunde inte skita", surfaceFailureText(SurfaceGeneric));
    EXPECT_STREQ("Kunde inte skita", surfaceFailureText(0x887601AEu)); // still drawing: not a creation failure
}

TEST(SurfaceFailure, SdlReasonsMapToCodes)
{
    EXPECT_EQ(SurfaceOutOfMemory, surfaceFailureCode("Out of memory"));
    EXPECT_EQ(SurfaceInvalidPixelFormat, surfaceFailureCode("Texture format SDL_PIXELFORMAT_BGR24 not supported"));
    EXPECT_EQ(SurfaceInvalidParams, surfaceFailureCode("Texture dimensions are limited to 8192x8192"));
    EXPECT_EQ(SurfaceInvalidParams, surfaceFailureCode("Parameter 'renderer' is invalid"));
    EXPECT_EQ(SurfaceGeneric, surfaceFailureCode("GL_OUT_OF_MEMORY? something else entirely"));
    EXPECT_EQ(SurfaceGeneric, surfaceFailureCode(""));
    EXPECT_EQ(SurfaceGeneric, surfaceFailureCode(nullptr));
}
