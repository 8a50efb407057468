// The whole program against what an attacker or an unlucky user can do to an
// installation: kills at any moment, two installers at once, damaged packs over an
// installation, overlap bombs, links at the targets, inputs of the wrong kind. Each
// case prints its figures.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "e2e/program_posix.h"
#include "support/zip_builder.h"

namespace {

using namespace e2e;
using zipbuild::ZipBuilder;

// A pack of `files` files in `folders` folders (every other one in a subfolder), each
// holding `tag` and its number, with some large enough to take the installer a while.
ZipBuilder Pack(const std::string& tag, int files, int folders = 5) {
    ZipBuilder zip;
    for (int i = 0; i < files; ++i) {
        const std::string body =
            tag + std::to_string(i) + std::string(i % 7 == 0 ? 200000 : 3000, 'x');
        const std::string folder = "d" + std::to_string(i % folders) + (i % 2 ? "/e/" : "/");
        zip.AddDeflated(folder + "f" + std::to_string(i) + ".bin", body, 1);
    }
    zip.AddStored("tpx.cfg", "[tpx]\ntitle=" + tag + "\n");
    return zip;
}

TEST(Safety, KilledRunsLeaveEveryFileOldOrNewAndTheNextRunCleansUp) {
    Sandbox box("safety_kills");
    const fs::path custom = box.Dir() / "custom";
    const std::string answers = Answers(box.Dir());
    Pack("old", 60).WriteFile((box.Dir() / "old.tpx").string());
    Pack("old", 30, 2).WriteFile((box.Dir() / "half.tpx").string());
    Pack("new", 80).WriteFile((box.Dir() / "new.tpx").string());
    ZipBuilder tiny;
    tiny.AddStored("tiny.txt", "t");
    tiny.WriteFile((box.Dir() / "tiny.tpx").string());

    // How long a whole installation takes here, the longest of the three starting
    // points, to spread the kills from before its start to after its end.
    auto prepare = [&](int kill) {
        fs::remove_all(custom);
        if (kill % 3 == 0) return;
        const char* old = kill % 3 == 1 ? "half.tpx" : "old.tpx";
        ASSERT_EQ(RunProgram(box.Program(), {(box.Dir() / old).string()}, answers).status, 0);
    };
    long wholeUs = 0;
    for (int kill = 0; kill < 3; ++kill) {
        prepare(kill);
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(RunProgram(box.Program(), {(box.Dir() / "new.tpx").string()}, answers).status, 0);
        const auto whole = std::chrono::steady_clock::now() - start;
        wholeUs = std::max(
            wholeUs, static_cast<long>(
                         std::chrono::duration_cast<std::chrono::microseconds>(whole).count()));
    }

    std::mt19937 random(20261207);
    int torn = 0, leftovers = 0, completed = 0, trees = 0;
    for (int kill = 0; kill < 100; ++kill) {
        // Into none, half or all of an old installation (new folders go in whole, old
        // ones file by file): every file is then the old one, the new one, or absent.
        prepare(kill);
        const pid_t pid = StartProgram(box.Program(), {(box.Dir() / "new.tpx").string()}, answers);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % (wholeUs * 6 / 5 + 1)));
        ::kill(pid, SIGKILL);
        completed += WaitProgram(pid) == 0;
        for (const auto& file : Contents(custom)) {
            const std::string& body = file.second;
            if (body == "<dir>" || file.first == "tiny.txt") continue;
            const bool whole = body.rfind("old", 0) == 0 || body.rfind("new", 0) == 0 ||
                               body == "[tpx]\ntitle=old\n" || body == "[tpx]\ntitle=new\n";
            const bool tmp = file.first.find("~tpx") != std::string::npos;
            if (!whole && !tmp) {
                ++torn;
                ADD_FAILURE() << file.first << " is neither old nor new";
            }
        }
        std::error_code none;  // no custom folder when the kill came first
        for (const auto& item : fs::recursive_directory_iterator(custom, none)) {
            trees += item.is_directory() && item.path().filename().string().rfind("~tpx", 0) == 0;
        }
        // The next run, of any pack, removes what the killed one left.
        EXPECT_EQ(RunProgram(box.Program(), {(box.Dir() / "tiny.tpx").string()}, answers).status,
                  0);
        leftovers += Leftovers(custom);
    }
    std::cout << "100 kills spread over " << wholeUs << " us (" << completed
              << " runs had finished): " << torn << " files neither old nor new, " << leftovers
              << " leftovers after the next run, which found " << trees << " temporary folders\n";
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(leftovers, 0);
}

TEST(Safety, TwoInstallersAtOnceNeitherMixNorLoseFiles) {
    Sandbox box("safety_two");
    const fs::path custom = box.Dir() / "custom";
    const std::string answers = Answers(box.Dir());
    ZipBuilder a, b, damaged;
    a.AddDeflated("x.bin", std::string(2 << 20, 'A'), 1);
    b.AddDeflated("x.bin", std::string(2 << 20, 'b'), 1);
    damaged.AddDeflated("x.bin", std::string(2 << 20, 'D'), 1);
    damaged.AddStored("y.bin", "y").crc = 1;
    a.WriteFile((box.Dir() / "a.tpx").string());
    b.WriteFile((box.Dir() / "b.tpx").string());
    damaged.WriteFile((box.Dir() / "damaged.tpx").string());

    int mixed = 0, lost = 0;
    for (int round = 0; round < 30; ++round) {
        fs::remove_all(custom);
        const bool withDamaged = round % 2 == 1;
        const std::string first = (box.Dir() / (withDamaged ? "damaged.tpx" : "a.tpx")).string();
        const pid_t p1 = StartProgram(box.Program(), {first}, answers);
        const pid_t p2 = StartProgram(box.Program(), {(box.Dir() / "b.tpx").string()}, answers);
        const int s1 = WaitProgram(p1);
        const int s2 = WaitProgram(p2);
        EXPECT_EQ(s1, withDamaged ? 1 : 0);
        EXPECT_EQ(s2, 0);
        const std::string x = ReadAll(custom / "x.bin");
        const bool whole =
            x == std::string(2 << 20, 'b') || (!withDamaged && x == std::string(2 << 20, 'A'));
        lost += x.empty();
        mixed += !x.empty() && !whole;
        EXPECT_FALSE(fs::exists(custom / "y.bin"));
        EXPECT_EQ(Leftovers(custom), 0);
    }
    std::cout << "30 rounds of two installers at once: " << mixed << " files mixed, " << lost
              << " lost\n";
    EXPECT_EQ(mixed, 0);
    EXPECT_EQ(lost, 0);
}

TEST(Safety, ADamagedPackOverAnInstallationChangesNoPath) {
    Sandbox box("safety_damaged");
    const fs::path custom = box.Dir() / "custom";
    const std::string answers = Answers(box.Dir());
    Pack("old", 30).WriteFile((box.Dir() / "old.tpx").string());
    ASSERT_EQ(RunProgram(box.Program(), {(box.Dir() / "old.tpx").string()}, answers).status, 0);
    const auto before = Contents(custom);
    std::map<std::string, fs::file_time_type> times;
    for (const auto& file : before) times[file.first] = fs::last_write_time(custom / file.first);

    ZipBuilder zip = Pack("new", 40);
    zip.AddDeflated("brand/new/dir/file.bin", "n");
    auto& broken = zip.entries()[20];  // in the middle, after new folders and replacements
    // Slow to copy, so that the staging has run far ahead when its failure comes.
    broken.data += std::string(24 << 20, 'x');
    broken.compressed = broken.data;
    broken.method = 0;
    broken.crc = broken.Crc() ^ 1;
    auto& alsoBroken = zip.entries()[30];  // quick to fail, beside the slow one
    alsoBroken.crc = alsoBroken.Crc() ^ 1;
    zip.WriteFile((box.Dir() / "damaged.tpx").string());
    const Outcome failed =
        RunProgram(box.Program(), {(box.Dir() / "damaged.tpx").string()}, answers);
    EXPECT_EQ(failed.status, 1);
    // Found while later entries were being staged, and after a later one's, it still
    // names its own.
    EXPECT_NE(failed.out.find("d0/f20.bin failed its check"), std::string::npos) << failed.out;

    // A folder's own time tells only that a temporary file came and went in it.
    const auto after = Contents(custom);
    int changed = 0;
    for (const auto& file : after) {
        const bool differs = before.count(file.first) == 0 ||
                             before.at(file.first) != file.second ||
                             (file.second != "<dir>" &&
                              fs::last_write_time(custom / file.first) != times[file.first]);
        if (differs) ADD_FAILURE() << file.first << " changed";
        changed += differs;
    }
    changed += static_cast<int>(before.size()) - static_cast<int>(after.size());
    std::cout << "damaged pack over an installation of " << before.size() << " paths: " << changed
              << " paths changed\n";
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(after, before);
}

TEST(Safety, OverlapBombIsRefusedBeforeAByteIsWritten) {
    Sandbox box("safety_bomb");
    // One local record of 1 MiB of zeros, named by 1,000 central headers: a gigabyte.
    ZipBuilder one;
    one.AddDeflated("a", std::string(1 << 20, '\0'), 9);
    const std::string single = one.Build();
    const uint32_t cdOffset = zipbuild::ZipBuilder::Get32(single, single.size() - 6);
    const std::string local = single.substr(0, cdOffset);
    std::string central;
    for (int i = 0; i < 1000; ++i) {
        std::string header = single.substr(cdOffset, single.size() - 22 - cdOffset);
        central += header;
    }
    std::string bomb = local + central;
    std::string end = single.substr(single.size() - 22);
    zipbuild::ZipBuilder::Set16(end, 8, 1000);
    zipbuild::ZipBuilder::Set16(end, 10, 1000);
    zipbuild::ZipBuilder::Set32(end, 12, static_cast<uint32_t>(central.size()));
    bomb += end;
    std::ofstream((box.Dir() / "bomb.tpx").string(), std::ios::binary) << bomb;

    const Outcome run = RunProgram(box.Program(), {(box.Dir() / "bomb.tpx").string()});
    EXPECT_EQ(run.status, 1);
    // Not even the lock file: the pack was judged before the custom folder was touched.
    EXPECT_TRUE(fs::is_empty(box.Dir() / "custom"));
    std::cout << "overlap bomb of " << bomb.size() << " bytes declaring 1000 MiB: refused, "
              << std::distance(fs::directory_iterator(box.Dir() / "custom"), {})
              << " paths written\n";
}

TEST(Safety, ALinkAtATargetIsReplacedNeverFollowed) {
    Sandbox box("safety_link");
    const fs::path custom = box.Dir() / "custom";
    const fs::path outside = box.Dir() / "elsewhere";
    fs::create_directories(custom);
    fs::create_directories(outside);
    fs::create_symlink(outside / "x", custom / "new.txt");  // dangling

    ZipBuilder damaged;
    damaged.AddStored("new.txt", "entry").crc = 7;
    damaged.WriteFile((box.Dir() / "damaged.tpx").string());
    EXPECT_EQ(RunProgram(box.Program(), {(box.Dir() / "damaged.tpx").string()}).status, 1);
    EXPECT_TRUE(fs::is_symlink(custom / "new.txt")) << "a failed run changes nothing";
    EXPECT_FALSE(fs::exists(outside / "x"));

    ZipBuilder good;
    good.AddStored("new.txt", "entry");
    good.WriteFile((box.Dir() / "good.tpx").string());
    EXPECT_EQ(RunProgram(box.Program(), {(box.Dir() / "good.tpx").string()}).status, 0);
    EXPECT_FALSE(fs::is_symlink(custom / "new.txt"));
    EXPECT_EQ(ReadAll(custom / "new.txt"), "entry");
    EXPECT_FALSE(fs::exists(outside / "x")) << "nothing was written outside custom";
}

TEST(Safety, InputsOfTheWrongKindFailAtOnce) {
    Sandbox box("safety_kinds");
    ASSERT_EQ(mkfifo((box.Dir() / "fifo.tpx").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo((box.Dir() / "fifo.cfg").c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunProgram(box.Program(), {(box.Dir() / "fifo.tpx").string()}).status, 1);
    const Outcome launch =
        RunProgram(box.Program(), {"-launch", (box.Dir() / "fifo.cfg").string()});
    EXPECT_EQ(launch.status, 0);
    EXPECT_EQ(launch.out, "") << "an unreadable profile: nothing happens";
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30)) << "blocked";

    // A profile over 1 MiB is no profile: the title falls back, -launch does nothing.
    const std::string huge =
        "[tpx]\ntitle=Huge\n[launch]\nservice=svc\n" + std::string(2 << 20, '#');
    ZipBuilder zip;
    zip.AddDeflated("tpx.cfg", huge, 1);
    zip.WriteFile((box.Dir() / "huge.tpx").string());
    const Outcome run = RunProgram(box.Program(), {(box.Dir() / "huge.tpx").string()});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("**(unknown name)**"), std::string::npos) << run.out;
    std::ofstream(box.Dir() / "zilno.exe") << "#!/bin/sh\ntouch started\n";
    fs::permissions(box.Dir() / "zilno.exe", fs::perms::owner_all);
    const Outcome big =
        RunProgram(box.Program(), {"-launch", (box.Dir() / "custom" / "tpx.cfg").string()});
    EXPECT_EQ(big.out, "");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(fs::exists(box.Dir() / "started"));
}

TEST(Safety, AReplacedFileKeepsItsPermissionsAndOwner) {
    Sandbox box("safety_mode");
    const fs::path custom = box.Dir() / "custom";
    fs::create_directories(custom / "sub");
    std::ofstream(custom / "sub" / "secret.txt") << "old";
    ASSERT_EQ(chmod((custom / "sub" / "secret.txt").c_str(), 0640), 0);
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown((custom / "sub" / "secret.txt").c_str(), 4321, 8765), 0);
    }

    ZipBuilder zip;
    zip.AddStored("sub/secret.txt", "new");
    zip.WriteFile((box.Dir() / "p.tpx").string());
    const std::string answers = Answers(box.Dir());
    EXPECT_EQ(RunProgram(box.Program(), {(box.Dir() / "p.tpx").string()}, answers).status, 0);
    struct stat st;
    ASSERT_EQ(stat((custom / "sub" / "secret.txt").c_str(), &st), 0);
    EXPECT_EQ(ReadAll(custom / "sub" / "secret.txt"), "new");
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(st.st_uid, 4321u);
        EXPECT_EQ(st.st_gid, 8765u);
    }
}

}  // namespace
