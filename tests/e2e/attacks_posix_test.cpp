// The whole program against someone who can write beside it: flooded records, kills
// during the moves, a folder swapped for a link while it runs. Each case prints its
// figures. (Names, records, locks and conflicts are seen by the unit tests.)
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <iostream>
#include <optional>
#include <random>
#include <thread>

#include "e2e/program_posix.h"
#include "support/zip_builder.h"

namespace {

using namespace e2e;
using zipbuild::ZipBuilder;
using Clock = std::chrono::steady_clock;
using Files = std::vector<std::pair<std::string, std::string>>;

// A killed run's record: its header, then its lines.
const char kHeader[] = "tpx journal ~tpxaaaaaaaa-\n";

long UsSince(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count());
}

void WritePack(const Sandbox& box, const std::string& name, const Files& files) {
    ZipBuilder zip;
    for (const auto& file : files) {
        file.first.back() == '/' ? zip.AddDirectory(file.first)
                                 : zip.AddStored(file.first, file.second);
    }
    zip.WriteFile((box.Dir() / name).string());
}

int Install(const Sandbox& box, const std::string& pack, const std::string& input = "/dev/null") {
    return RunProgram(box.Program(), {(box.Dir() / pack).string()}, input).status;
}

int Links(const fs::path& dir) {
    int n = 0;
    for (const auto& item : fs::recursive_directory_iterator(dir)) {
        n += fs::is_symlink(item.symlink_status());
    }
    return n;
}

// The run after a flooded record is timed, and killed past the bound. Every record
// begins with "temp .", which removes a leftover of its run unless it is ignored.
TEST(Attack, FloodedRecordsAreReadInLinearTimeAndOversizedOnesIgnored) {
    Sandbox box("attack_flood", true);
    const fs::path custom = box.Dir() / "custom";
    WritePack(box, "tiny.tpx", {{"tiny.txt", "t"}});
    const long kBoundUs = 60000000;  // a hang took minutes; a loaded machine takes seconds
    auto repeat = [](const std::string& line, size_t n) {
        std::string out;
        out.reserve(line.size() * n);
        for (size_t i = 0; i < n; ++i) out += line;
        return out;
    };
    // "temp ." spelled with its separators in n ways: ".\", "./", ".\/", ".//", ...
    auto spellings = [](int n) {
        std::string out;
        for (int k = 0; k < n; ++k) {
            out += "temp .";
            for (int b = k; b > 0 || out.back() == '.'; b >>= 1) out += b & 1 ? '/' : '\\';
            out += '\n';
        }
        return out;
    };
    struct Case {
        const char* name;
        std::function<std::string()> lines;
        int files;  // beside the leftover
        bool obeyed;
    };
    const Case cases[] = {
        {"16 MB of temp many", [&] { return repeat("temp many\n", 1600000); }, 0, true},
        {"2.4 M lines temp . beside 5,000 files", [&] { return repeat("temp .\n", 2400000); }, 5000,
         true},
        {"200,000 spellings of temp . beside 5,000 files", [&] { return spellings(200000); }, 5000,
         true},
        {"a record of 64 MiB and a byte",
         [&] { return repeat("#", (64u << 20) + 1 - (sizeof kHeader - 1) - 7); }, 0, false},
    };
    for (const Case& c : cases) {
        fs::remove_all(custom);
        fs::create_directories(custom);
        for (int i = 0; i < c.files; ++i) std::ofstream(custom / ("f" + std::to_string(i)));
        std::ofstream(custom / "~tpxaaaaaaaa-3.tmp") << "the run's";
        std::ofstream(custom / "~tpx.lock") << kHeader << "temp .\n" << c.lines();
        const auto size = fs::file_size(custom / "~tpx.lock");
        const auto start = Clock::now();
        const pid_t pid = StartProgram(box.Program(), {(box.Dir() / "tiny.tpx").string()});
        int status = -2, raw = 0;
        while (UsSince(start) < kBoundUs) {
            if (waitpid(pid, &raw, WNOHANG) == pid) {
                status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (status == -2) {
            kill(pid, SIGKILL);
            WaitProgram(pid);
        }
        std::cout << c.name << " (" << size << " bytes): next run " << UsSince(start) / 1000
                  << " ms" << (status == -2 ? ", still going: killed" : "") << "\n";
        EXPECT_EQ(status, 0) << c.name << ": not done in " << kBoundUs / 1000000 << " s";
        if (status == 0) {
            EXPECT_EQ(fs::exists(custom / "~tpxaaaaaaaa-3.tmp"), !c.obeyed) << c.name;
        }
    }
}

// The installation is one pack's 2,500 files, the new one the other's. Each kill comes
// after the record notes the commit; the next run (another pack, or every fourth time
// the same) must find every file old or every file new.
TEST(Attack, KillsDuringTheMovesLeaveAllFilesOldOrAllNew) {
    Sandbox box("attack_kills", true);
    const fs::path custom = box.Dir() / "custom", lock = custom / "~tpx.lock";
    const std::string answers = Answers(box.Dir());
    const int kFiles = 2500, kKills = 60;
    auto name = [](int i) { return "d" + std::to_string(i / 500) + "/f" + std::to_string(i); };
    for (const std::string tag : {"A", "B"}) {
        Files files;
        for (int i = 0; i < kFiles; ++i) files.push_back({name(i), tag + std::to_string(i)});
        WritePack(box, tag + ".tpx", files);
    }
    WritePack(box, "tiny.tpx", {{"tiny.txt", "t"}});
    auto pack = [](char tag) { return std::string(1, tag) + ".tpx"; };
    // 'A' or 'B' when every file is that pack's, 'm' when they are mixed.
    auto installed = [&] {
        int a = 0, b = 0;
        for (int i = 0; i < kFiles; ++i) {
            const std::string body = ReadAll(custom / name(i));
            a += body == "A" + std::to_string(i);
            b += body == "B" + std::to_string(i);
        }
        return a == kFiles ? 'A' : b == kFiles ? 'B' : 'm';
    };
    // Returns once the record of the run `pid` ends in its commit line; false when the
    // run ended unseen.
    auto untilCommit = [&](pid_t pid) {
        int fd = -1;
        char tail[7];
        struct stat st;
        siginfo_t info{};
        while (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
               info.si_pid == 0) {
            if (fd < 0) fd = open(lock.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd >= 0 && fstat(fd, &st) == 0 && st.st_size >= 7 &&
                pread(fd, tail, 7, st.st_size - 7) == 7 && memcmp(tail, "commit\n", 7) == 0) {
                close(fd);
                return true;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));  // the CPU is theirs
        }
        if (fd >= 0) close(fd);
        return false;
    };
    auto start = [&](char tag) {
        return StartProgram(box.Program(), {(box.Dir() / pack(tag)).string()}, answers);
    };
    ASSERT_EQ(Install(box, "A.tpx", answers), 0);
    char now = 'A';
    std::vector<long> commits;  // from the commit line to the end, in microseconds
    for (int i = 0; i < 5; ++i, now = now == 'A' ? 'B' : 'A') {
        const pid_t pid = start(now == 'A' ? 'B' : 'A');
        const bool seen = untilCommit(pid);
        const auto from = Clock::now();
        ASSERT_EQ(WaitProgram(pid), 0);
        if (seen) commits.push_back(UsSince(from));
    }
    ASSERT_GE(commits.size(), 3u) << "commits unseen";
    std::sort(commits.begin(), commits.end());
    // Narrowed when a kill comes after the end, widened slowly otherwise: on a busy
    // machine one commit can take twice as long as the next.
    long commitUs = commits[commits.size() / 2];

    std::mt19937 random(20261207);
    int unseen = 0, ended = 0, failed = 0, mixed = 0, leftovers = 0;
    int found[2][2] = {};  // [the next run was the same pack][old, new]
    for (int kill = 0; kill < kKills && now != 'm'; ++kill) {
        const char next = now == 'A' ? 'B' : 'A';
        const pid_t pid = start(next);
        unseen += !untilCommit(pid);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % (commitUs * 11 / 10)));
        ::kill(pid, SIGKILL);
        const bool late = WaitProgram(pid) == 0;
        ended += late;
        commitUs = late ? commitUs * 4 / 5 : commitUs * 21 / 20;
        const bool same = kill % 4 == 3;
        const std::string after = same ? pack(next) : "tiny.tpx";
        const fs::path errors = box.Dir() / "errors";
        if (RunProgram(box.Program(), {(box.Dir() / after).string()}, answers, errors.string())
                .status != 0) {
            // Every later run would fail the same way: the record and what it names go
            // by hand, for the kills still to come.
            if (failed++ == 0) ADD_FAILURE() << "the run after a kill: " << ReadAll(errors);
            std::vector<fs::path> own;
            for (const auto& item : fs::recursive_directory_iterator(custom)) {
                if (item.path().filename().string().rfind("~tpx", 0) == 0) own.push_back(item);
            }
            for (const fs::path& path : own) fs::remove_all(path);
            ASSERT_EQ(Install(box, after, answers), 0);
        }
        const char state = installed();
        if (state != 'm') ++found[same][state == next];
        mixed += state == 'm';
        leftovers += Leftovers(custom);
        now = state;
    }
    std::cout << kKills << " kills spread over commits of about " << commits[commits.size() / 2]
              << " us (" << unseen << " commits unseen, " << ended
              << " runs had ended); the next run failed " << failed << " times; after another pack "
              << found[0][0] << " all old, " << found[0][1] << " all new; after the same pack "
              << found[1][0] << " all old, " << found[1][1] << " all new; " << mixed << " mixed, "
              << leftovers << " leftovers\n";
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(mixed, 0);
    EXPECT_EQ(leftovers, 0);
}

// custom/d1 and a link to an outside folder trade places again and again, atomically,
// while packs replace d1's files and make a folder in it.
TEST(Attack, AFolderSwappedForALinkNeverLeadsOutside) {
    Sandbox box("attack_swap", true);
    const fs::path custom = box.Dir() / "custom", outside = box.Dir() / "outside";
    const fs::path d1 = custom / "d1", link = box.Dir() / "link";
    const std::string answers = Answers(box.Dir());
    for (const std::string tag : {"A", "B"}) {
        Files files;
        for (int i = 0; i < 100; ++i) files.push_back({"d1/f" + std::to_string(i), tag});
        for (int i = 0; i < 10; ++i) files.push_back({"d1/n" + tag + "/" + std::to_string(i), tag});
        WritePack(box, tag + ".tpx", files);
    }
    fs::create_directories(outside);
    fs::create_symlink(outside, link);
    ASSERT_EQ(Install(box, "A.tpx", answers), 0);

    std::mt19937 random(7);
    int swapsTotal = 0, successes = 0, records = 0, unrecorded = 0;
    for (int run = 0; run < 100; ++run) {
        // Counted before the swaps begin: a listing during them could meet a vanishing entry.
        const int left = Leftovers(custom);
        std::atomic<bool> stop{false};
        std::atomic<int> swaps{0};
        std::thread swapper([&, seed = random()] {
            std::mt19937 r(seed);
            while (!stop) {
                std::this_thread::sleep_for(std::chrono::microseconds(r() % 3000));
                if (renameat2(AT_FDCWD, link.c_str(), AT_FDCWD, d1.c_str(), RENAME_EXCHANGE) != 0) {
                    continue;
                }
                ++swaps;
                std::this_thread::sleep_for(std::chrono::microseconds(r() % 1000));
                renameat2(AT_FDCWD, link.c_str(), AT_FDCWD, d1.c_str(), RENAME_EXCHANGE);
            }
        });
        const int status = Install(box, run % 2 ? "A.tpx" : "B.tpx", answers);
        stop = true;
        swapper.join();
        ASSERT_TRUE(fs::is_symlink(link) && fs::is_directory(fs::symlink_status(d1)));
        swapsTotal += swaps;
        successes += status == 0 && swaps > 0;
        const bool record = fs::exists(custom / "~tpx.lock");
        records += record;
        unrecorded += !record && Leftovers(custom) > left;
    }
    int outsideFiles = 0;
    for (const auto& item : fs::recursive_directory_iterator(outside)) {
        ADD_FAILURE() << item.path() << " appeared outside custom";
        ++outsideFiles;
    }
    // A last run undisturbed puts back or removes what any other left.
    EXPECT_EQ(Install(box, "A.tpx", answers), 0);
    std::cout << "100 runs with " << swapsTotal << " swaps of d1 for a link: " << outsideFiles
              << " files outside, " << successes << " runs succeeded despite swaps, " << records
              << " left their record, " << unrecorded << " left temporary files unrecorded; "
              << "then " << Leftovers(custom) << " leftovers, " << Links(custom) << " links\n";
    EXPECT_EQ(outsideFiles, 0);
    EXPECT_EQ(unrecorded, 0);
    EXPECT_EQ(Leftovers(custom), 0);
    EXPECT_EQ(Links(custom), 0);
}

}  // namespace
