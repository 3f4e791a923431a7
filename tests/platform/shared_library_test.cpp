#include "platform/shared_library.h"

#include <gtest/gtest.h>

#include <cstring>

namespace textreel {
namespace {

TEST(SharedLibrary, AMissingLibraryNamesItsPackage) {
    SharedLibrary library("libtextreel-absent.so.9", "libtextreel-absent9");
    EXPECT_FALSE(library.IsOpen());
    EXPECT_NE(library.Error().find("libtextreel-absent.so.9 cannot be loaded"), std::string::npos)
        << library.Error();
    EXPECT_NE(library.Error().find("is the Debian package libtextreel-absent9 installed?"), std::string::npos)
        << library.Error();
    int (*fn)() = nullptr;
    EXPECT_FALSE(library.Bind("anything", fn));
    EXPECT_EQ(fn, nullptr);
}

TEST(SharedLibrary, BindsWhatTheLibraryHasAndRefusesWhatItLacks) {
    SharedLibrary library("libz.so.1", "zlib1g");
    ASSERT_TRUE(library.IsOpen()) << library.Error();
    const char* (*version)() = nullptr;
    ASSERT_TRUE(library.Bind("zlibVersion", version));
    EXPECT_EQ(std::strncmp(version(), "1.", 2), 0);
    int (*absent)() = nullptr;
    EXPECT_FALSE(library.Bind("textreel_no_such_function", absent));
    EXPECT_EQ(absent, nullptr);
    EXPECT_EQ(library.Error(),
              "libz.so.1 lacks textreel_no_such_function (a version textreel does not know)");
}

}  // namespace
}  // namespace textreel
