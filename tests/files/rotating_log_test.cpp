// The bounded log: it rotates before a line would pass the bound, keeps the
// newest lines, and appends to a log left by an earlier run.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "files/rotating_log.h"
#include "temp_folder.h"

namespace zef {
namespace {

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string Numbered(int i) {
    char text[16];
    std::snprintf(text, sizeof text, "line %04d", i);  // 9 characters + newline = 10 bytes
    return text;
}

TEST(RotatingLog, StaysWithinTwoFilesOfTheBoundAndKeepsTheNewestLines) {
    struct Row {
        int lines;
        int maxBytes;
        std::size_t current, previous;  // lines expected in FILE and FILE.1
    };
    for (const Row& row : {Row{5, 100, 5, 0}, Row{10, 100, 10, 0}, Row{11, 100, 1, 10}, Row{35, 100, 5, 10},
                           Row{3, 25, 1, 2}}) {
        test::TempFolder folder;
        const std::string path = folder.file("traffic.log");
        {
            RotatingLog log(path, static_cast<std::uintmax_t>(row.maxBytes));
            ASSERT_TRUE(log.ok());
            for (int i = 0; i < row.lines; ++i) ASSERT_TRUE(log.Append(Numbered(i)));
        }
        const std::vector<std::string> current = Lines(path);
        const std::vector<std::string> previous = Lines(path + ".1");
        EXPECT_EQ(current.size(), row.current) << row.lines << " lines, bound " << row.maxBytes;
        EXPECT_EQ(previous.size(), row.previous) << row.lines << " lines, bound " << row.maxBytes;
        EXPECT_LE(std::filesystem::file_size(path), static_cast<std::uintmax_t>(row.maxBytes));
        ASSERT_FALSE(current.empty());
        EXPECT_EQ(current.back(), Numbered(row.lines - 1));
        if (!previous.empty()) {
            EXPECT_EQ(previous.back(), Numbered(row.lines - 1 - static_cast<int>(current.size())));
        }
    }
}

TEST(RotatingLog, AppendsToTheLogOfAnEarlierRun) {
    test::TempFolder folder;
    const std::string path = folder.file("traffic.log");
    {
        RotatingLog first(path, 100);
        for (int i = 0; i < 8; ++i) first.Append(Numbered(i));
    }
    RotatingLog second(path, 100);
    for (int i = 8; i < 12; ++i) second.Append(Numbered(i));
    EXPECT_EQ(Lines(path + ".1").size(), 10u) << "the earlier run's bytes count towards the bound";
    EXPECT_EQ(Lines(path), std::vector<std::string>({Numbered(10), Numbered(11)}));
}

TEST(RotatingLog, ReportsAFolderThatCannotBeWritten) {
    RotatingLog log("/nonexistent-folder/traffic.log", 100);
    EXPECT_FALSE(log.ok());
    EXPECT_FALSE(log.Append("x"));
}

}  // namespace
}  // namespace zef
