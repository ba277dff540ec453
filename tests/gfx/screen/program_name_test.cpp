// The base-name rule of the window title's default.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "gfx/screen/program_name.h"

namespace vz {
namespace {

std::string base(const char* path, const char* separators, std::size_t size = 64) {
    char out[64];
    std::memset(out, 'x', sizeof out);
    base_name_without_extension(path, separators, out, size);
    return out;
}

TEST(ProgramName, DirectoryAndLastExtensionGoOnEitherSeparatorSet) {
    EXPECT_EQ(base("/usr/local/bin/particles", "/"), "particles");
    EXPECT_EQ(base("/opt/my.app/run.tar.gz", "/"), "run.tar");  // the directory's dot is not the name's
    EXPECT_EQ(base("C:\\Games\\particles.exe", "\\/:"), "particles");
    EXPECT_EQ(base("C:particles.exe", "\\/:"), "particles");
    EXPECT_EQ(base("C:\\Games\\particles.exe", "/"), "C:\\Games\\particles");
    EXPECT_EQ(base("dir/", "/"), "");
    EXPECT_EQ(base(".hidden", "/"), "");
}

TEST(ProgramName, TheNameIsCutToTheBufferAndAlwaysTerminated) {
    EXPECT_EQ(base("/bin/particles.exe", "/", 5), "part");
    EXPECT_EQ(base("/bin/particles.exe", "/", 1), "");
    char untouched = 'x';
    base_name_without_extension("/bin/a", "/", &untouched, 0);
    EXPECT_EQ(untouched, 'x');
    EXPECT_EQ(base(nullptr, "/"), "");
}

}  // namespace
}  // namespace vz
