#include "app/target_file.h"

#include <gtest/gtest.h>

#include <random>

#include "framework/exception.h"
#include "framework/platform.h"
#include "test_files.h"

namespace {

class TargetFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::random_device random;
        dir_ = fs::temp_directory_path() / ("tpx-target-" + std::to_string(random()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        for (const auto& item : fs::directory_iterator(dir_, ec)) {
            fs::permissions(item.path(), fs::perms::owner_write, fs::perm_options::add, ec);
        }
        fs::remove_all(dir_, ec);
    }

    CString Path(const char* name) const { return (dir_ / name).string().c_str(); }
    std::set<std::string> Names() const { return ListTree(dir_); }
    static void Write(TargetFile& file, const std::string& text) {
        file.File().Write(text.data(), static_cast<UINT>(text.size()));
    }

    fs::path dir_;
};

TEST_F(TargetFileTest, NewTargetsAreWrittenInPlaceAndRemovedUnlessCommitted) {
    {
        TargetFile file(Path("new.txt"), false);
        EXPECT_FALSE(file.IsStaged());
        Write(file, "content");
        file.Commit();
    }
    EXPECT_EQ(ReadFileBytes(dir_ / "new.txt"), "content");
    {
        TargetFile file(Path("failed.txt"), false);
        Write(file, "partial");
    }
    EXPECT_EQ(Names(), (std::set<std::string>{"new.txt"}));
}

TEST_F(TargetFileTest, ExistingTargetsAreReplacedOnlyByACommit) {
    WriteFileBytes(dir_ / "old.txt", "old content");
    {
        TargetFile file(Path("old.txt"), true);
        ASSERT_TRUE(file.IsStaged());
        Write(file, "new");
        file.File().Close();
        std::set<std::string> names = Names();
        ASSERT_EQ(names.size(), 2u);
        names.erase("old.txt");
        const std::string temp = *names.begin();
        EXPECT_EQ(temp.rfind("~tpx", 0), 0u) << temp;
        EXPECT_EQ(temp.substr(temp.size() - 4), ".tmp");
        EXPECT_EQ(ReadFileBytes(dir_ / "old.txt"), "old content");
        file.Commit();
    }
    EXPECT_EQ(Names(), (std::set<std::string>{"old.txt"}));
    EXPECT_EQ(ReadFileBytes(dir_ / "old.txt"), "new");

    // Abandoned, even after the entry's attributes made it read-only.
    {
        TargetFile file(Path("old.txt"), true);
        Write(file, "never");
        file.File().Close();
        for (const std::string& name : Names()) {
            if (name != "old.txt")
                Platform::Current().SetPathAttributes(Path(name.c_str()), FILE_ATTRIBUTE_READONLY);
        }
    }
    EXPECT_EQ(Names(), (std::set<std::string>{"old.txt"}));
    EXPECT_EQ(ReadFileBytes(dir_ / "old.txt"), "new");
}

TEST_F(TargetFileTest, AFileThatAppearedMeanwhileIsStagedAndFailuresThrow) {
    WriteFileBytes(dir_ / "late.txt", "someone else's");
    {
        TargetFile file(Path("late.txt"), false);
        EXPECT_TRUE(file.IsStaged());
        Write(file, "x");
    }
    EXPECT_EQ(ReadFileBytes(dir_ / "late.txt"), "someone else's");

    bool thrown = false;
    try {
        TargetFile file(Path("no such dir/x.txt"), false);
    } catch (CException* e) {
        thrown = e->IsKindOf(RUNTIME_CLASS(CFileException));
        e->Delete();
    }
    EXPECT_TRUE(thrown);
    EXPECT_EQ(Names(), (std::set<std::string>{"late.txt"}));
}

}  // namespace
