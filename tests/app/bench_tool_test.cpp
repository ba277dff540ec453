// Runs the particles-bench tool as its own process and checks its arguments,
// its JSON line and the files it writes against a world stepped here.

#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "app/world.h"
#include "frame_support.h"
#include "rt/fpu.h"
#include "tests/test_env.h"

#ifndef _WIN32
extern char** environ;
#endif

namespace vz {
namespace {

const std::string BENCH = std::string(VZ_BIN_DIR "/particles-bench") + test::EXE_SUFFIX;

struct RunResult {
    int exit_code = -1;
    std::string out;
    std::string err;
};

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string temp_path(const std::string& name) {
    return ::testing::TempDir() + "particles_bench_" + std::to_string(test::current_pid()) + "_" + name;
}

// Runs the bench with `args`, its output and errors collected in files.
RunResult run_bench(const std::vector<std::string>& args) {
    const std::string out_path = temp_path("stdout");
    const std::string err_path = temp_path("stderr");
#ifdef _WIN32
    // The command line quotes every argument; the two outputs go to files
    // the child inherits.
    std::string command = "\"" + BENCH + "\"";
    for (const std::string& a : args) command += " \"" + a + "\"";
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE out = CreateFileA(out_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    HANDLE err = CreateFileA(err_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    RunResult result;
    const BOOL started =
        CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(out);
    CloseHandle(err);
    if (started == 0) {
        ADD_FAILURE() << "cannot start " << BENCH << ": error " << GetLastError();
        return result;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (GetExitCodeProcess(process.hProcess, &code) != 0) result.exit_code = static_cast<int>(code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
#else
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> argv;
    if (test::EMULATOR != nullptr) argv.push_back(const_cast<char*>(test::EMULATOR));
    argv.push_back(const_cast<char*>(BENCH.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    RunResult result;
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << BENCH << ": " << std::strerror(spawned);
        return result;
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
#endif
    result.out = read_file(out_path);
    result.err = read_file(err_path);
#ifdef _WIN32
    // Text written to standard output and error ends its lines with CR LF.
    for (std::string* text : {&result.out, &result.err}) {
        std::string lf;
        for (std::size_t i = 0; i < text->size(); ++i) {
            if (!((*text)[i] == '\r' && i + 1 < text->size() && (*text)[i + 1] == '\n')) lf += (*text)[i];
        }
        *text = lf;
    }
#endif
    std::remove(out_path.c_str());
    std::remove(err_path.c_str());
    return result;
}

// Parses a one-line JSON object whose values are all numbers. Returns false
// on anything else.
bool parse_flat_json(const std::string& line, std::map<std::string, double>& values) {
    std::size_t at = 0;
    auto expect = [&](char c) {
        if (at < line.size() && line[at] == c) {
            ++at;
            return true;
        }
        return false;
    };
    if (!expect('{')) return false;
    while (true) {
        if (!expect('"')) return false;
        const std::size_t key_end = line.find('"', at);
        if (key_end == std::string::npos) return false;
        const std::string key = line.substr(at, key_end - at);
        at = key_end + 1;
        if (!expect(':')) return false;
        const char* begin = line.c_str() + at;
        char* end = nullptr;
        const double value = std::strtod(begin, &end);
        if (end == begin) return false;
        at += static_cast<std::size_t>(end - begin);
        if (!values.emplace(key, value).second) return false;
        if (expect('}')) break;
        if (!expect(',')) return false;
    }
    return line.substr(at) == "\n";
}

TEST(BenchTool, BadArgumentsPrintUsageAndExit2) {
    const std::vector<std::vector<std::string>> bad = {
        {"--frames"},
        {"--frames", "0"},
        {"--frames", "-3"},
        {"--frames", "abc"},
        {"--frames", "5x"},
        {"--frames", ""},
        {"--frames", "1000001"},
        {"--frames", "99999999999999999999"},
        {"--state"},
        {"--dump"},
        {"--state", ""},
        {"--bogus"},
        {"frames"},
        {"--frames", "2", "extra"},
        {"--frames", " 5"},
        {"--frames", "+3"},
        {"--frames", "\t7"},
        {"--frames", "-0"},
        {"--reference", "--compare"},
        {"--compare", "--reference"},
        {"--isa"},
        {"--isa", "avx3"},
        {"--isa", ""},
        {"--workers", "9"},
        {"--workers", "-1"},
        {"--workers", "1x"},
        {"--workers"},
        {"--workers", " 2"},
        {"--workers", "+1"},
    };
    for (const auto& args : bad) {
        const RunResult r = run_bench(args);
        std::string shown;
        for (const auto& a : args) shown += " [" + a + "]";
        EXPECT_EQ(r.exit_code, 2) << shown;
        EXPECT_TRUE(r.out.empty()) << shown;
        EXPECT_NE(r.err.find("usage: particles-bench"), std::string::npos) << shown;
    }
}

TEST(BenchTool, OptionWithoutItsValueSaysTheValueIsMissing) {
    for (const std::string option : {"--frames", "--state", "--dump", "--isa", "--workers"}) {
        const RunResult r = run_bench({"--frames", "1", option});
        EXPECT_EQ(r.exit_code, 2) << option;
        EXPECT_NE(r.err.find("missing value for '" + option + "'"), std::string::npos) << option << ": " << r.err;
        EXPECT_EQ(r.err.find("unexpected argument"), std::string::npos) << option;
    }
}

TEST(BenchTool, ReportsTimesAndWritesTheStateOfTheSteppedWorld) {
    const std::string state_path = temp_path("state.bin");
    const RunResult r = run_bench({"--frames", "3", "--state", state_path});
    ASSERT_EQ(r.exit_code, 0) << r.err;

    std::map<std::string, double> values;
    ASSERT_TRUE(parse_flat_json(r.out, values)) << r.out;
    EXPECT_EQ(values.size(), 14u) << r.out;
    EXPECT_EQ(values["frames"], 3.0);
    EXPECT_EQ(values.count("near_half_median"), 1u) << r.out;
    for (const char* key :
         {"step_ms_median", "step_ms_p95", "draw_ms_median", "draw_ms_p95", "frame_ms_median", "frame_ms_p95"}) {
        ASSERT_EQ(values.count(key), 1u) << key;
        EXPECT_TRUE(std::isfinite(values[key]) && values[key] > 0.0) << key << " = " << values[key];
    }
    EXPECT_GE(values["step_ms_p95"], values["step_ms_median"]);
    EXPECT_GE(values["draw_ms_p95"], values["draw_ms_median"]);
    EXPECT_GE(values["frame_ms_p95"], values["frame_ms_median"]);

    const std::string state = read_file(state_path);
    std::remove(state_path.c_str());
    ASSERT_EQ(state.size(), 1048580u);

    // The same three steps here must give the same bytes.
    set_extended_precision();
    World w{};
    ASSERT_EQ(create_world_arrays(w), 0);
    init_world(w);
    for (int i = 0; i < 3; ++i) step_world(w);
    std::size_t offset = 0;
    for (const ArrayDescriptor* a : {&w.particle_x, &w.particle_y, &w.velocity_x, &w.velocity_y}) {
        EXPECT_EQ(std::memcmp(state.data() + offset, float_elements(*a), 4 * 65536), 0) << "at " << offset;
        offset += 4 * 65536;
    }
    float normaliser = 0.0f;
    std::memcpy(&normaliser, state.data() + offset, 4);
    EXPECT_EQ(normaliser, w.speed_normaliser);
    release_world_arrays(w);
}

// The build's baseline vector set, which every processor of its kind has.
#if defined(__aarch64__)
constexpr const char* BASELINE_ISA = "neon";
#else
constexpr const char* BASELINE_ISA = "sse2";
#endif

// --compare runs the exact path beside the fast one and reports both; the
// exact path alone (--reference) and every instruction set write the same
// state as the world stepped here.
TEST(BenchTool, CompareReportsBothPathsAndEveryPathWritesTheSameState) {
    const RunResult compared = run_bench({"--frames", "3", "--compare", "--workers", "1"});
    ASSERT_EQ(compared.exit_code, 0) << compared.err;
    std::map<std::string, double> values;
    ASSERT_TRUE(parse_flat_json(compared.out, values)) << compared.out;
    EXPECT_EQ(values.size(), 22u) << compared.out;
    EXPECT_EQ(values["identical"], 1.0);
    EXPECT_EQ(values["workers"], 1.0);
    EXPECT_GT(values["speedup_vs_reference"], 0.0);
    EXPECT_GT(values["reference_frame_ms_median"], 0.0);
    EXPECT_GE(values["reference_frame_ms_p95"], values["reference_frame_ms_median"]);
    // The first frame starts from the fractional layout: most of it is exact.
    EXPECT_GT(values["step_fallbacks_max"], 32768.0);

    set_extended_precision();
    World w{};
    ASSERT_EQ(create_world_arrays(w), 0);
    init_world(w);
    for (int i = 0; i < 4; ++i) step_world(w);
    for (const std::vector<std::string>& path :
         {std::vector<std::string>{"--reference"}, {"--isa", "exact"}, {"--isa", BASELINE_ISA}}) {
        const std::string state_path = temp_path("state_path.bin");
        std::vector<std::string> args{"--frames", "4", "--state", state_path};
        args.insert(args.end(), path.begin(), path.end());
        const RunResult r = run_bench(args);
        ASSERT_EQ(r.exit_code, 0) << path[0] << ": " << r.err;
        const std::string state = read_file(state_path);
        std::remove(state_path.c_str());
        ASSERT_EQ(state.size(), 1048580u);
        std::size_t offset = 0;
        for (const ArrayDescriptor* a : {&w.particle_x, &w.particle_y, &w.velocity_x, &w.velocity_y}) {
            EXPECT_EQ(std::memcmp(state.data() + offset, float_elements(*a), 4 * 65536), 0) << path.back();
            offset += 4 * 65536;
        }
    }
    release_world_arrays(w);
}

TEST(BenchTool, DumpIsTheLastFrameAsPpm) {
    const std::string dump_path = temp_path("page.ppm");
    const RunResult r = run_bench({"--frames", "2", "--dump", dump_path});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::string ppm = read_file(dump_path);
    std::remove(dump_path.c_str());
    const std::string header = "P6\n800 600\n255\n";
    ASSERT_EQ(ppm.size(), header.size() + 800u * 600u * 3u);
    ASSERT_EQ(ppm.substr(0, header.size()), header);

    set_extended_precision();
    World w{};
    ASSERT_EQ(create_world_arrays(w), 0);
    init_world(w);
    step_world(w);
    step_world(w);
    const std::vector<std::uint32_t> expected = test::paint_reference_frame(w);
    release_world_arrays(w);
    int mismatches = 0;
    for (std::size_t i = 0; i < expected.size() && mismatches < 10; ++i) {
        const auto* rgb = reinterpret_cast<const unsigned char*>(ppm.data() + header.size() + 3 * i);
        const std::uint32_t drawn = 0xFF000000u | (std::uint32_t{rgb[0]} << 16) | (std::uint32_t{rgb[1]} << 8) | rgb[2];
        if (drawn != expected[i]) {
            ++mismatches;
            ADD_FAILURE() << "pixel " << i % 800 << ", " << i / 800 << ": " << std::hex << drawn
                          << " != " << expected[i];
        }
    }
}

}  // namespace
}  // namespace vz
