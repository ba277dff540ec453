// The user's guide against the library: its modes table against the mode
// table, its hello program against the example the tests run.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>

#include "vzgfx/screen.h"

namespace {

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

const std::string GUIDE = std::string(VZ_SOURCE_DIR) + "/docs/guide.md";

TEST(Guide, ModesTableIsTheModeTable) {
    std::istringstream guide(read_file(GUIDE));
    const std::regex row(R"(\| (\d+) \| (\d+) \| (\d+) \| (\d+) \| (\d+) \| (\d+) × (\d+) \|)");
    std::map<int, vzgfx::ModeSize> listed;
    for (std::string line; std::getline(guide, line);) {
        std::smatch m;
        if (!std::regex_match(line, m, row)) continue;
        const int mode = std::stoi(m[1]);
        EXPECT_EQ(listed.count(mode), 0u) << "mode " << mode << " listed twice";
        listed[mode] = {std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[4]),
                        std::stoi(m[5]), std::stoi(m[6]), std::stoi(m[7])};
    }
    int modes = 0;
    for (int mode = 0; mode < vzgfx::MODE_COUNT; ++mode) {
        const vzgfx::ModeSize real = vzgfx::mode_size(mode);
        if (real.width == 0) {
            EXPECT_EQ(listed.count(mode), 0u) << "mode " << mode << " does not exist";
            continue;
        }
        ++modes;
        ASSERT_EQ(listed.count(mode), 1u) << "mode " << mode << " is missing";
        const vzgfx::ModeSize& shown = listed[mode];
        EXPECT_EQ(shown.width, real.width) << mode;
        EXPECT_EQ(shown.height, real.height) << mode;
        EXPECT_EQ(shown.depth, real.depth) << mode;
        EXPECT_EQ(shown.pages, real.pages) << mode;
        EXPECT_EQ(shown.text_columns, real.text_columns) << mode;
        EXPECT_EQ(shown.text_rows, real.text_rows) << mode;
    }
    EXPECT_EQ(static_cast<int>(listed.size()), modes);
}

TEST(Guide, HelloProgramIsTheTestedExample) {
    const std::string guide = read_file(GUIDE);
    const std::string hello = read_file(std::string(VZ_SOURCE_DIR) + "/examples/hello.cpp");
    ASSERT_FALSE(hello.empty());
    EXPECT_NE(guide.find("```cpp\n" + hello + "```\n"), std::string::npos);
    // A hello program of about twenty lines.
    EXPECT_LE(std::count(hello.begin(), hello.end(), '\n'), 22);
}

}  // namespace
