// The store under faults: other processes on the same store, links that
// lead out of it, and what a killed writer leaves behind.
#include <sys/wait.h>
#include <unistd.h>

#include "test_support.hpp"

namespace kv::mailstore::test {
namespace {

// Several processes opening, changing and closing one store at once: each
// gets the store to itself in turn, and every change is kept.
TEST(StoreFaults, ProcessesOpeningOneStoreTakeTurns) {
    TempDir dir;
    MakeStore(dir.Path());
    constexpr int kProcesses = 4, kRounds = 15;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid > 0) {
            children.push_back(pid);
            continue;
        }
        int code = 0;
        try {
            for (int round = 0; round < kRounds; ++round)
                MailStore::Open(dir.Path())->AddFolder("P" + std::to_string(p) + "-" + std::to_string(round), "IPM.Note");
        } catch (const std::exception& e) {
            fprintf(stderr, "process %d: %s\n", p, e.what());
            code = 1;
        }
        _exit(code);
    }
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }
    auto store = MailStore::Open(dir.Path());
    for (int p = 0; p < kProcesses; ++p)
        for (int round = 0; round < kRounds; ++round)
            EXPECT_NO_THROW(store->GetFolder("P" + std::to_string(p) + "-" + std::to_string(round)));
    for (const auto& entry : fs::directory_iterator(dir.Path()))
        EXPECT_EQ(entry.path().filename().string().find(".new"), std::string::npos) << entry.path();
}

}  // namespace
}  // namespace kv::mailstore::test
