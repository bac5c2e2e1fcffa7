#pragma once

// A command-line program run as a child process, as a user's shell would run it: standard
// output and error go to files in a folder, extra environment variables may be given, and the
// test can signal it and wait for it with a deadline.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

extern char** environ;

namespace kelvan::test {

class ChildProcess {
  public:
    // Starts arguments[0] (searched on PATH) with the others. Its output and errors go to
    // files named after tag in folder; environment adds NAME=VALUE entries to this process's.
    ChildProcess(std::vector<std::string> arguments, const std::filesystem::path& folder,
                 const std::string& tag = "run", std::vector<std::string> environment = {})
        : output_(folder / (tag + ".stdout")), errors_(folder / (tag + ".stderr")) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, output_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&actions, 2, errors_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        for (char** entry = environ; *entry != nullptr; ++entry) {
            environment.emplace_back(*entry);
        }
        std::vector<char*> argv = pointers(arguments);
        std::vector<char*> envp = pointers(environment);
        const int error = posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (error != 0) {
            pid_ = 0;
            throw std::system_error(error, std::generic_category(), "posix_spawnp " + arguments[0]);
        }
    }
    ~ChildProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void signal(int number) {
        if (pid_ <= 0 || kill(pid_, number) != 0) {
            throw std::system_error(errno, std::generic_category(), "kill");
        }
    }

    // The exit status once the program ended (-1 when a signal ended it), or nothing when it
    // still runs at the deadline (the destructor kills it).
    std::optional<int> wait(std::chrono::milliseconds timeout = std::chrono::seconds(60)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!ended()) {
            if (std::chrono::steady_clock::now() >= deadline) {
                return std::nullopt;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return exitStatus_;
    }

    // Standard output up to its first line end, once that line is complete; all of it when
    // the program ends first or the timeout passes.
    std::string firstOutputLine(std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            const std::string text = output();
            if (const std::size_t end = text.find('\n'); end != std::string::npos) {
                return text.substr(0, end);
            }
            if (ended() || std::chrono::steady_clock::now() >= deadline) {
                return text;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    std::string output() const { return contents(output_); }
    std::string errors() const { return contents(errors_); }

  private:
    // Whether the program has ended; the first call that finds it ended keeps its status.
    bool ended() {
        if (exitStatus_) {
            return true;
        }
        int status = 0;
        const pid_t result = waitpid(pid_, &status, WNOHANG);
        if (result < 0 && errno != EINTR) {
            throw std::system_error(errno, std::generic_category(), "waitpid");
        }
        if (result != pid_) {
            return false;
        }
        pid_ = 0;
        exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return true;
    }

    static std::vector<char*> pointers(std::vector<std::string>& texts) {
        std::vector<char*> result;
        for (std::string& text : texts) {
            result.push_back(text.data());
        }
        result.push_back(nullptr);
        return result;
    }
    static std::string contents(const std::filesystem::path& file) {
        std::ifstream stream(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(stream), {});
    }

    std::filesystem::path output_;
    std::filesystem::path errors_;
    pid_t pid_ = 0;
    std::optional<int> exitStatus_;
};

}  // namespace kelvan::test
