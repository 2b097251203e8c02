#pragma once

#include "platform/file_descriptor.h"
#include "support/temp_dir.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace beatplate::test {

// How long a test waits for what it expects before it takes it for a hang: far more than a busy
// machine needs, as every wait ends the moment its event comes.
inline constexpr std::chrono::seconds kPatience{ 60 };

struct RunResult {
    int status = -1; // exit status, or -1 when the process did not exit normally
    int signal = 0; // the signal that ended the process, or 0
    std::string output; // everything written to standard output
    std::string errors; // everything written to standard error
};

using beatplate::FileDescriptor;

enum class StandardInput {
    Closed, // at its end from the start (/dev/null)
    Pipe, // fed by writeInput until closeInput
};

// Where a child's pseudo-terminal stands in for one of its standard streams.
enum class TerminalStream {
    None, // the terminal is only the controlling terminal, /dev/tty
    StandardOutput,
    StandardError,
};

// A pseudo-terminal that a child takes as its controlling terminal; the test plays the user.
class PseudoTerminal {
public:
    explicit PseudoTerminal(TerminalStream stream = TerminalStream::None);

    [[nodiscard]] const std::string& deviceName() const { return m_deviceName; }
    [[nodiscard]] TerminalStream stream() const { return m_stream; }
    // Reads what the child wrote to the terminal until it contains text or timeout passes.
    std::string readUntil(std::string_view text, std::chrono::milliseconds timeout);
    // Reads what the child wrote to the terminal until every process has closed it, or timeout
    // passes: all of it, where a read as soon as a text shows may miss what the kernel has yet
    // to pass on to this end.
    std::string readToEnd(std::chrono::milliseconds timeout);
    void type(std::string_view bytes);

private:
    // Reads once what is ready within timeout; false at the terminal's end or the timeout.
    bool readSome(std::chrono::steady_clock::time_point deadline);

    FileDescriptor m_master;
    std::string m_deviceName;
    TerminalStream m_stream;
    std::string m_written;
};

// A program running as a child process, its standard output and error read through pipes.
class ChildProcess {
public:
    // Throws std::runtime_error when the program cannot be started in workingDirectory. With a
    // terminal the child runs in a session of its own with that terminal as its controlling one.
    ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                 const std::filesystem::path& workingDirectory, StandardInput input,
                 const PseudoTerminal* terminal = nullptr);
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    // Kills and reaps the child if it is still running.
    ~ChildProcess();

    [[nodiscard]] pid_t pid() const { return m_pid; }
    void writeInput(std::string_view bytes);
    void closeInput() { m_input.reset(); }
    // Reads standard output until it contains text, ends, or timeout passes; returns all of it
    // read so far.
    std::string readOutputUntil(std::string_view text, std::chrono::milliseconds timeout);
    // Reads standard error until it contains text occurrences times, ends, or timeout passes;
    // returns all of it read so far.
    std::string readErrorsUntil(std::string_view text, std::chrono::milliseconds timeout,
                                std::size_t occurrences = 1);
    // Waits until the child is blocked reading the terminal (as /proc/PID/syscall shows); false
    // when it ends first or timeout passes.
    [[nodiscard]] bool waitUntilReadingTerminal(const PseudoTerminal& terminal,
                                                std::chrono::milliseconds timeout);
    // Waits until the child ends, reading its outputs meanwhile; false when timeout passes first.
    [[nodiscard]] bool waitForExit(std::chrono::milliseconds timeout);
    // True once the child has ended; does not wait.
    [[nodiscard]] bool hasExited();
    // Closes the input, reads both outputs to their end and waits for the child.
    RunResult finish();

private:
    bool pumpOutputs(int timeoutMilliseconds);
    std::string readUntil(const std::string& read, const FileDescriptor& stream,
                          std::string_view text, std::size_t occurrences,
                          std::chrono::milliseconds timeout);

    pid_t m_pid = -1;
    std::optional<int> m_waitStatus;
    FileDescriptor m_input;
    FileDescriptor m_output;
    FileDescriptor m_errors;
    RunResult m_result;
};

// Runs a shell script with sh -c in workingDirectory, standard input closed.
[[nodiscard]] RunResult runShell(const std::string& script,
                                 const std::filesystem::path& workingDirectory);

// Runs an executable with the given arguments, standard input closed, in workingDirectory.
[[nodiscard]] RunResult runProgram(const std::filesystem::path& program,
                                   const std::vector<std::string>& arguments,
                                   const std::filesystem::path& workingDirectory);

// Runs Debian's pngcheck on a file; status 0 means the file passed.
[[nodiscard]] RunResult runPngcheck(const std::filesystem::path& png);

} // namespace beatplate::test
