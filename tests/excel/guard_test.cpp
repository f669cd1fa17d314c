// The running-program guard reads a process table; these tests build fake ones.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "excel/guard.h"
#include "support/temp_folder.h"

namespace excel {
namespace {

namespace fs = std::filesystem;

// A process table of its own: a folder per process number with comm and cmdline.
class FakeProcessTable : public tarnvale::testing::TempFolder {
  public:
    FakeProcessTable() : TempFolder("proc") {}
    void add(int pid, const std::string& command, const std::vector<std::string>& arguments) {
        const fs::path dir = *this / std::to_string(pid);
        fs::create_directories(dir);
        std::ofstream(dir / "comm") << command << "\n";
        std::ofstream cmdline(dir / "cmdline", std::ios::binary);
        for (const auto& argument : arguments) cmdline << argument << '\0';
    }
    const fs::path& root() const { return path(); }
};

// Whether a process of this command and these arguments is a spreadsheet application.
TEST(IsExcelRunningTest, RecognisesSpreadsheetProcesses) {
    const std::tuple<std::string, std::vector<std::string>, bool> rows[] = {
        {"soffice.bin", {"/usr/lib/libreoffice/program/soffice.bin", "--calc"}, true},
        {"soffice", {"/opt/openoffice4/program/soffice.bin"}, true},  // by its path only
        {"gnumeric", {"gnumeric", "/home/u/book.xls"}, true},
        {"wine-preloader",
         {"C:\\Program Files\\Microsoft Office\\Office14\\EXCEL.EXE", "/e"},
         true},
        {"excel.exe", {"c:\\office\\excel.exe"}, true},
        {"soffice", {"/bin/sh", "/usr/bin/soffice"}, false},  // the launcher script
        {"vim", {"vim", "EXCEL.EXE.txt"}, false},
        {"bash", {"-bash"}, false},
        {"kworker/0:1", {}, false},
    };
    for (const auto& [command, arguments, spreadsheet] : rows) {
        FakeProcessTable table;
        table.add(1, "systemd", {"/sbin/init"});
        table.add(4242, command, arguments);
        EXPECT_EQ(IsExcelRunning(table.root(), ::getuid()), spreadsheet) << command;
    }
}

TEST(IsExcelRunningTest, OnlyCountsTheUsersOwnProcesses) {
    FakeProcessTable table;
    table.add(77, "soffice.bin", {"soffice.bin"});
    EXPECT_TRUE(IsExcelRunning(table.root(), ::getuid()));
    EXPECT_FALSE(IsExcelRunning(table.root(), ::getuid() + 1));
}

TEST(IsExcelRunningTest, SkipsStrayEntriesAndGivesFalseOnAnyError) {
    FakeProcessTable table;
    fs::create_directories(table.root() / "self");
    fs::create_directories(table.root() / "12");  // ended while being read: no comm
    std::ofstream(table.root() / "uptime") << "1.0 2.0\n";
    table.add(13, "gnumeric", {"gnumeric"});
    EXPECT_TRUE(IsExcelRunning(table.root(), ::getuid()));
    EXPECT_FALSE(IsExcelRunning(table.root() / "missing", ::getuid()));
    EXPECT_FALSE(IsExcelRunning(table.root() / "uptime", ::getuid()));
}

class ScriptedBox final : public MessageBox {
  public:
    explicit ScriptedBox(int answer) : answer_(answer) {}
    int messageBox(const std::string& prompt, int buttons) override {
        shown.push_back({prompt, buttons});
        return answer_;
    }
    std::vector<std::pair<std::string, int>> shown;

  private:
    int answer_;
};

// Asked only while the application runs, with Yes and No; any answer but Yes stops.
TEST(WarnIfExcelRunningTest, AsksOnlyWhileRunningAndGoesOnOnlyOnYes) {
    ScriptedBox idle(kAnswerNo);
    EXPECT_FALSE(WarnIfExcelRunning(idle, [] { return false; }));
    EXPECT_TRUE(idle.shown.empty());
    for (int answer : {int{kAnswerYes}, int{kAnswerNo}, 0}) {
        ScriptedBox box(answer);
        EXPECT_EQ(WarnIfExcelRunning(box, [] { return true; }), answer != kAnswerYes) << answer;
        ASSERT_EQ(box.shown.size(), 1u);
        EXPECT_EQ(box.shown[0].first,
                  "Excel may be open. It is recommended that you close Excel first.\r\n\r\n"
                  "Would you like to proceed anyway?");
        EXPECT_EQ(box.shown[0].second, 4);
    }
}

}  // namespace
}  // namespace excel
