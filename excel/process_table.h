// The running processes of this machine as the kernel's process table shows
// them (/proc on Linux). The root is a parameter so tests can build a fake table.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace excel {

struct ProcessEntry {
    int pid = 0;
    unsigned uid = 0;                    // owner of the process
    std::string command;                 // the short name (comm)
    std::vector<std::string> arguments;  // the command line, argv[0] first
};

// Reads every numbered entry of root. A process that ends while it is read is
// skipped. Throws std::filesystem::filesystem_error when root cannot be listed.
std::vector<ProcessEntry> ReadProcessTable(const std::filesystem::path& root);

}  // namespace excel
