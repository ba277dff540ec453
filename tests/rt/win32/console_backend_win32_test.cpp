// The text console on Windows, driven through anonymous pipes: bytes become
// keys (escape sequences included), the end of the input ends every wait,
// the key-aware sleep is cut short by a key, printed bytes reach the output
// unchanged with the cursor followed, and console key events map to key codes.

#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rt/console_backend.h"
#include "rt/console_backend_keys.h"
#include "rt/error.h"
#include "rt/win32/console_backend_win32.h"

namespace vz {
namespace {

std::vector<std::int32_t> g_sleeps;
void recording_sleeper(std::int32_t ms) { g_sleeps.push_back(ms); }

class WindowsConsole : public ::testing::Test {
protected:
    void SetUp() override {
        SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, FALSE};
        ASSERT_NE(CreatePipe(&in_read_, &in_write_, &sa, 4096), 0);
        ASSERT_NE(CreatePipe(&out_read_, &out_write_, &sa, 65536), 0);
        previous_ = console_attach({in_read_, out_write_});
        console_set_sleeper(recording_sleeper);
        g_sleeps.clear();
    }
    void TearDown() override {
        console_set_sleeper(nullptr);
        console_attach(previous_);
        for (HANDLE h : {in_read_, in_write_, out_read_, out_write_}) {
            if (h != nullptr) CloseHandle(h);
        }
    }
    void type(const std::string& bytes) {
        DWORD written = 0;
        ASSERT_NE(WriteFile(in_write_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr), 0);
        ASSERT_EQ(written, bytes.size());
    }
    void end_input() {
        CloseHandle(in_write_);
        in_write_ = nullptr;
    }
    std::string printed() {
        std::string all;
        DWORD available = 0;
        while (PeekNamedPipe(out_read_, nullptr, 0, nullptr, &available, nullptr) != 0 && available > 0) {
            std::string chunk(available, '\0');
            DWORD got = 0;
            if (ReadFile(out_read_, chunk.data(), available, &got, nullptr) == 0) break;
            all.append(chunk.data(), got);
        }
        return all;
    }
    static std::string text(const KeyText& key) {
        return std::string(reinterpret_cast<const char*>(key.bytes), static_cast<std::size_t>(key.length));
    }

    HANDLE in_read_ = nullptr, in_write_ = nullptr, out_read_ = nullptr, out_write_ = nullptr;
    ConsoleHandles previous_{};
};

TEST_F(WindowsConsole, PipedBytesBecomeKeysAndTheEndOfInputEndsWaits) {
    EXPECT_EQ(text(console_key_text()), "");
    EXPECT_EQ(console_key_pending(), 0);
    type("a\x1b[A\xe9");
    EXPECT_EQ(console_key_pending(), 1);
    EXPECT_EQ(text(console_key_text()), "a");
    EXPECT_EQ(text(console_key_text()), std::string("\xff\x48", 2));  // cursor up
    EXPECT_EQ(console_wait_key(), 0xe9 - 256);                        // bytes above 127 as negative codes
    EXPECT_FALSE(console_input_is_interactive());
    end_input();
    EXPECT_EQ(console_wait_key(), 0);
    g_sleeps.clear();
    console_key_sleep(-1);  // must not wait for a key that cannot come
    EXPECT_TRUE(g_sleeps.empty());
}

TEST_F(WindowsConsole, KeyAwareSleepIsCutShortByAKeyAndSlicedOtherwise) {
    console_key_sleep(230);
    // 50 ms slices while more than one slice is left, then the rest.
    EXPECT_EQ(g_sleeps, (std::vector<std::int32_t>{50, 50, 50, 50, 30}));
    g_sleeps.clear();
    type("x");
    console_key_sleep(1000);
    EXPECT_TRUE(g_sleeps.empty());
    g_sleeps.clear();
    console_key_sleep(99);  // below 100 ms: one plain sleep, keys not looked at
    EXPECT_EQ(g_sleeps, (std::vector<std::int32_t>{99}));
    g_sleeps.clear();
    console_key_sleep(-5);
    EXPECT_TRUE(g_sleeps.empty());
    EXPECT_EQ(text(console_key_text()), "x");
}

TEST_F(WindowsConsole, PrintedBytesArriveUnchangedAndTheCursorIsFollowed) {
    console_clear(0);
    console_set_color(14, 1, 0);
    const std::string bytes = "ab\r\ncd\x07";
    console_print(reinterpret_cast<const std::uint8_t*>(bytes.data()), static_cast<std::int32_t>(bytes.size()));
    // Colours and clearing need a console window; a pipe receives only the bytes.
    EXPECT_EQ(printed(), bytes);
    std::int32_t col = 0, row = 0;
    console_get_text_pos(&col, &row);
    EXPECT_EQ(col, 3);
    EXPECT_EQ(row, 2);
    EXPECT_EQ(console_set_text_pos(5, 10, -1), (4 * 256 + 9) + 257);
    EXPECT_EQ(console_set_color(0, 0, 3), 1u * 65536u + 14u);  // flags 3 keep both
    std::int32_t cols = 0, rows = 0;
    console_get_text_size(&cols, &rows);
    EXPECT_EQ(cols, 80);
    EXPECT_EQ(rows, 25);
    EXPECT_EQ(console_set_text_size(100, 40), 25 * 65536 + 80);
    console_get_text_size(&cols, &rows);
    EXPECT_EQ(cols, 100);
    EXPECT_EQ(rows, 40);
}

TEST_F(WindowsConsole, OnlyPageZeroExists) {
    EXPECT_EQ(console_page_copy(0, 0), 0);
    EXPECT_EQ(console_page_copy(-1, -1), 0);
    EXPECT_EQ(console_page_copy(1, 0), 1);
    EXPECT_EQ(get_last_error(), 1);
    EXPECT_EQ(console_page_copy(0, 2), 1);
    EXPECT_EQ(console_page_set(3, 3), 0);
}

// One rule on every platform: after the end of the input no key can arrive,
// so waiting for one returns at once; the keys queued before the end are
// still read, and a timed sleep still goes by the arrival indication alone.
TEST_F(WindowsConsole, KeysQueuedBeforeTheEndAreStillReadAndNothingWaits) {
    type("ab");
    end_input();
    EXPECT_EQ(text(console_key_text()), "a");
    console_key_sleep(-1);
    EXPECT_TRUE(g_sleeps.empty());
    EXPECT_FALSE(console_input_ended());
    EXPECT_EQ(console_key_pending(), 1);
    console_key_sleep(120);  // "b" is queued, but taking "a" cleared the indication
    EXPECT_EQ(g_sleeps, (std::vector<std::int32_t>{50, 50, 20}));
    EXPECT_EQ(console_wait_key(), 'b');
    EXPECT_TRUE(console_input_ended());
    EXPECT_EQ(console_wait_key(), 0);
}

TEST_F(WindowsConsole, TabMovesTheCursorToTheNextStopWithinTheGrid) {
    const auto print = [](const std::string& bytes) {
        console_print(reinterpret_cast<const std::uint8_t*>(bytes.data()), static_cast<std::int32_t>(bytes.size()));
    };
    std::int32_t col = 0, row = 0;
    print("a\tb");
    console_get_text_pos(&col, &row);
    EXPECT_EQ(col, 10);  // the TAB went from column 2 to 9
    print("\t\t");
    console_get_text_pos(&col, &row);
    EXPECT_EQ(col, 25);
    // Past the last stop the cursor stays on the last column.
    console_set_text_size(12, 0);
    console_set_text_pos(1, 1, -1);
    print("abcdefghi\t");
    console_get_text_pos(&col, &row);
    EXPECT_EQ(col, 12);
    EXPECT_EQ(row, 1);
    EXPECT_EQ(printed(), "a\tb\t\tabcdefghi\t");
}

TEST(WindowsConsoleKeys, EventsMapToCharactersAndExtendedCodes) {
    EXPECT_EQ(console_key_event_code(true, 'a', 0x41, 30, 0), 'a');
    EXPECT_EQ(console_key_event_code(false, 'a', 0x41, 30, 0), 0);  // releases give nothing
    EXPECT_EQ(console_key_event_code(true, 0, VK_F1, 0x3B, 0), KEY_CODE_F1);
    EXPECT_EQ(console_key_event_code(true, 0, VK_UP, 0x48, ENHANCED_KEY), KEY_CODE_UP);
    EXPECT_EQ(console_key_event_code(true, 0, VK_DELETE, 0x53, ENHANCED_KEY), KEY_CODE_DELETE);
    EXPECT_EQ(console_key_event_code(true, 0, VK_F11, 0x57, 0), KEY_CODE_F11);
    EXPECT_EQ(console_key_event_code(true, 0, VK_F12, 0x58, 0), KEY_CODE_F12);
    EXPECT_EQ(console_key_event_code(true, 'x', 0x58, 0x2D, LEFT_ALT_PRESSED), 0x2DFF);
    EXPECT_EQ(console_key_event_code(true, 0, VK_SHIFT, 42, SHIFT_PRESSED), 0);
    EXPECT_EQ(console_key_event_code(true, 0, VK_CONTROL, 29, LEFT_CTRL_PRESSED), 0);
    EXPECT_EQ(console_key_event_code(true, 27, VK_ESCAPE, 1, 0), 27);
}

}  // namespace
}  // namespace vz
