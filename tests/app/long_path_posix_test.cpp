// The program in a folder whose path is longer than 260 characters still puts
// `custom` beside itself, not beside some cut-off prefix of its path.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

TEST(LongPathTest, CustomIsCreatedBesideAProgramWithALongPath) {
    fs::path base = fs::path(TPX_BINARY_DIR) / "long-path-test";
    fs::remove_all(base);
    fs::path dir = base;
    while (dir.string().size() < 320) dir /= std::string(40, 'd');
    fs::create_directories(dir);
    fs::copy_file(TPX_PROGRAM, dir / "tpxinstall");

    std::string command = "'" + (dir / "tpxinstall").string() + "' </dev/null >/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0);
    EXPECT_TRUE(fs::is_directory(dir / "custom"));
    // Nothing beside a shorter prefix of the path.
    for (fs::path p = dir.parent_path(); p != base.parent_path(); p = p.parent_path()) {
        EXPECT_FALSE(fs::exists(p / "custom")) << p;
        for (const auto& entry : fs::directory_iterator(p)) {
            EXPECT_EQ(entry.path().filename().string().find("custom"), std::string::npos)
                << entry.path();
        }
    }
    fs::remove_all(base);
}
