// The writeback thread runs only within an installation once enough is staged (of small
// files or of a large one), and is
// gone after the volume's flush or the end of the confinement, however the
// installation ends; the next installation gets one of its own.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/posix/files_posix.h"
#include "scratch_dir.h"
#include "support/file_results.h"

namespace {

int Threads() {
    return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                                          std::filesystem::directory_iterator()));
}

// Stages `mebibytes` MiB in pieces of half a MiB, as new files beginning with path:
// a file of each piece, or one large file.
void Write(FileSystem& files, const std::string& path, int mebibytes, bool bOneFile = false) {
    const std::vector<char> half(1 << 19, 'x');
    const int pieces = 2 * mebibytes;
    const int perFile = bOneFile ? pieces : 1;
    for (int i = 0; i < pieces; i += perFile) {
        FileHandle file = kNoFile;
        ASSERT_TRUE(Succeeded(files.CreateNew((path + std::to_string(i)).c_str(), &file)));
        for (int k = 0; k < perFile; ++k) {
            ASSERT_TRUE(Succeeded(files.WriteAt(file, half.data(), 1 << 19, ULONGLONG(k) << 19)));
        }
        ASSERT_TRUE(Succeeded(files.WriteOut(file)));
        ASSERT_TRUE(Succeeded(files.Close(file)));
    }
}

}  // namespace

TEST(WritebackTest, AThreadOnlyWhileAnInstallationWrites) {
    if (Writeback::Off()) GTEST_SKIP() << "TPX_NO_FLUSH=1 turns the writeback off";
    PosixFiles files;
    ScratchDir dir;
    const int before = Threads();
    Write(files, dir.Path("outside.bin"), 12);
    EXPECT_EQ(Threads(), before) << "not confined: no installation";

    struct {
        const char* name;
        bool bFlush;    // ended by the flush before the moves, else by the confinement's end
        bool bOneFile;  // a large file, else many small ones
    } const kEnds[] = {{"flushed", true, false}, {"failed", false, false}, {"large", true, true}};
    for (const auto& end : kEnds) {
        files.ConfineBelow(dir.WinPath().c_str());
        Write(files, dir.Path(std::string(end.name) + ".bin"), 12, end.bOneFile);
        EXPECT_EQ(Threads(), before + 1) << end.name;
        if (end.bFlush) {
            EXPECT_TRUE(Succeeded(files.FlushVolume(dir.WinPath().c_str())));
            EXPECT_EQ(Threads(), before) << end.name;
            Write(files, dir.Path(std::string(end.name) + "-after.bin"), 12);  // the moves' record
            EXPECT_EQ(Threads(), before) << "none again after the flush";
        }
        files.ConfineBelow("");
        EXPECT_EQ(Threads(), before) << end.name;
    }
}

// A writeout that fails, as a file is written or at its end, is reported by the next
// Finish, once.
TEST(WritebackTest, AFailedWriteoutIsReportedOnce) {
    if (Writeback::Off()) GTEST_SKIP() << "TPX_NO_FLUSH=1 turns the writeback off";
    for (const bool bRest : {false, true}) {
        Writeback writeback;
        writeback.Begin();
        if (bRest) {
            writeback.StartRest(-1, 1);  // no such file
        } else {
            writeback.NoteProgress(-1, 8 << 20);
        }
        EXPECT_EQ(writeback.Finish(), EBADF) << bRest;
        EXPECT_EQ(writeback.Finish(), 0) << bRest;
    }
}
