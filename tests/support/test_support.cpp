#include "support/test_support.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <random>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace beatplate::test {

namespace {

struct Pipe {
    FileDescriptor readEnd;
    FileDescriptor writeEnd;
};

// Owns the file actions of one posix_spawn call.
class SpawnActions {
public:
    SpawnActions() { posix_spawn_file_actions_init(&m_actions); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    ~SpawnActions() { posix_spawn_file_actions_destroy(&m_actions); }
    posix_spawn_file_actions_t* get() { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions{};
};

// Owns the attributes of one posix_spawn call.
class SpawnAttributes {
public:
    SpawnAttributes() { posix_spawnattr_init(&m_attributes); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    ~SpawnAttributes() { posix_spawnattr_destroy(&m_attributes); }
    posix_spawnattr_t* get() { return &m_attributes; }

private:
    posix_spawnattr_t m_attributes{};
};

} // namespace

static Pipe makePipe()
{
    std::array<int, 2> fds{};
    if (::pipe2(fds.data(), O_CLOEXEC) != 0)
        throw std::runtime_error("cannot create a pipe");
    return { FileDescriptor(fds[0]), FileDescriptor(fds[1]) };
}

PseudoTerminal::PseudoTerminal(TerminalStream stream)
    : m_master(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC))
    , m_stream(stream)
{
    if (!m_master.valid() || ::grantpt(m_master.get()) != 0 || ::unlockpt(m_master.get()) != 0)
        throw std::runtime_error("cannot open a pseudo-terminal");
    std::array<char, 128> name{};
    if (::ptsname_r(m_master.get(), name.data(), name.size()) != 0)
        throw std::runtime_error("cannot name the pseudo-terminal");
    m_deviceName = name.data();
}

bool PseudoTerminal::readSome(std::chrono::steady_clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd poll{ m_master.get(), POLLIN, 0 };
    if (left.count() <= 0 || ::poll(&poll, 1, static_cast<int>(left.count())) <= 0)
        return false;
    std::array<char, 4096> buffer{};
    const auto got = ::read(m_master.get(), buffer.data(), buffer.size());
    // The terminal reads EIO once every process has closed its end and all it wrote is read.
    if (got <= 0)
        return false;
    m_written.append(buffer.data(), static_cast<std::size_t>(got));
    return true;
}

std::string PseudoTerminal::readUntil(std::string_view text, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (m_written.find(text) == std::string::npos && readSome(deadline)) { }
    return m_written;
}

std::string PseudoTerminal::readToEnd(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (readSome(deadline)) { }
    return m_written;
}

void PseudoTerminal::type(std::string_view bytes)
{
    if (::write(m_master.get(), bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        throw std::runtime_error("cannot type on the pseudo-terminal");
}

ChildProcess::ChildProcess(const std::filesystem::path& program,
                           const std::vector<std::string>& arguments,
                           const std::filesystem::path& workingDirectory, StandardInput input,
                           const PseudoTerminal* terminal)
{
    Pipe output = makePipe();
    Pipe errors = makePipe();
    std::optional<Pipe> inputPipe;
    SpawnActions actions;
    if (input == StandardInput::Pipe) {
        inputPipe = makePipe();
        posix_spawn_file_actions_adddup2(actions.get(), inputPipe->readEnd.get(), 0);
    } else {
        posix_spawn_file_actions_addopen(actions.get(), 0, "/dev/null", O_RDONLY, 0);
    }
    posix_spawn_file_actions_adddup2(actions.get(), output.writeEnd.get(), 1);
    posix_spawn_file_actions_adddup2(actions.get(), errors.writeEnd.get(), 2);
    SpawnAttributes attributes;
    if (terminal != nullptr) {
        // A session leader that opens a terminal makes it its controlling one.
        posix_spawnattr_setflags(attributes.get(), POSIX_SPAWN_SETSID);
        constexpr int kTerminalFd = 3;
        posix_spawn_file_actions_addopen(actions.get(), kTerminalFd, terminal->deviceName().c_str(),
                                         O_RDWR, 0);
        if (terminal->stream() != TerminalStream::None)
            posix_spawn_file_actions_adddup2(
                actions.get(), kTerminalFd,
                terminal->stream() == TerminalStream::StandardOutput ? 1 : 2);
    }
    posix_spawn_file_actions_addchdir_np(actions.get(), workingDirectory.c_str());
    std::vector<std::string> argv{ program.string() };
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> argvPointers;
    for (auto& argument : argv)
        argvPointers.push_back(argument.data());
    argvPointers.push_back(nullptr);
    const int failure = posix_spawn(&m_pid, program.c_str(), actions.get(), attributes.get(),
                                    argvPointers.data(), environ);
    if (failure != 0)
        throw std::runtime_error("cannot start " + program.string() + ": "
                                 + std::strerror(failure));
    m_output = std::move(output.readEnd);
    m_errors = std::move(errors.readEnd);
    if (inputPipe)
        m_input = std::move(inputPipe->writeEnd);
}

ChildProcess::~ChildProcess()
{
    m_input.reset();
    if (hasExited())
        return;
    ::kill(m_pid, SIGKILL);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
}

void ChildProcess::writeInput(std::string_view bytes)
{
    while (!bytes.empty()) {
        const auto written = ::write(m_input.get(), bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            throw std::runtime_error("cannot write to the child's input");
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

// Reads what is ready on both outputs; false when both have ended.
bool ChildProcess::pumpOutputs(int timeoutMilliseconds)
{
    std::array<pollfd, 2> polls{ { { m_output.get(), POLLIN, 0 }, { m_errors.get(), POLLIN, 0 } } };
    if (!m_output.valid() && !m_errors.valid())
        return false;
    if (::poll(polls.data(), polls.size(), timeoutMilliseconds) < 0 && errno != EINTR)
        throw std::runtime_error("poll failed");
    std::array<FileDescriptor*, 2> descriptors{ &m_output, &m_errors };
    std::array<std::string*, 2> texts{ &m_result.output, &m_result.errors };
    for (std::size_t i = 0; i < polls.size(); ++i) {
        if (polls[i].fd < 0 || polls[i].revents == 0)
            continue;
        std::array<char, 4096> buffer{};
        const auto got = ::read(polls[i].fd, buffer.data(), buffer.size());
        if (got > 0)
            texts[i]->append(buffer.data(), static_cast<std::size_t>(got));
        else if (got == 0 || errno != EINTR)
            descriptors[i]->reset();
    }
    return true;
}

static std::size_t occurrencesOf(std::string_view text, std::string_view in)
{
    std::size_t count = 0;
    for (auto at = in.find(text); at != std::string_view::npos; at = in.find(text, at + 1))
        ++count;
    return count;
}

std::string ChildProcess::readUntil(const std::string& read, const FileDescriptor& stream,
                                    std::string_view text, std::size_t occurrences,
                                    std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (occurrencesOf(text, read) < occurrences && stream.valid()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !pumpOutputs(static_cast<int>(left.count())))
            break;
    }
    return read;
}

std::string ChildProcess::readOutputUntil(std::string_view text, std::chrono::milliseconds timeout)
{
    return readUntil(m_result.output, m_output, text, 1, timeout);
}

std::string ChildProcess::readErrorsUntil(std::string_view text, std::chrono::milliseconds timeout,
                                          std::size_t occurrences)
{
    return readUntil(m_result.errors, m_errors, text, occurrences, timeout);
}

bool ChildProcess::waitUntilReadingTerminal(const PseudoTerminal& terminal,
                                            std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const auto process = "/proc/" + std::to_string(m_pid);
    while (std::chrono::steady_clock::now() < deadline) {
        if (hasExited())
            return false;
        // The first two fields are the system call number and its first argument: read(FD, ...).
        std::ifstream file(process + "/syscall");
        std::string number;
        std::string descriptor;
        if (file >> number >> descriptor && number == "0") {
            // The child's controlling terminal, which is this one, or this one by its name.
            std::error_code error;
            const auto read = std::filesystem::read_symlink(
                process + "/fd/" + std::to_string(std::stoul(descriptor, nullptr, 16)), error);
            if (read == "/dev/tty" || read == terminal.deviceName())
                return true;
        }
        if (!pumpOutputs(5))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

bool ChildProcess::waitForExit(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!hasExited()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        if (!pumpOutputs(5))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

bool ChildProcess::hasExited()
{
    if (m_waitStatus)
        return true;
    int status = 0;
    if (::waitpid(m_pid, &status, WNOHANG) != m_pid)
        return false;
    m_waitStatus = status;
    return true;
}

RunResult ChildProcess::finish()
{
    closeInput();
    while (pumpOutputs(-1)) { }
    if (!m_waitStatus) {
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_waitStatus = status;
    }
    m_result.status = WIFEXITED(*m_waitStatus) ? WEXITSTATUS(*m_waitStatus) : -1;
    m_result.signal = WIFSIGNALED(*m_waitStatus) ? WTERMSIG(*m_waitStatus) : 0;
    return m_result;
}

RunResult runProgram(const std::filesystem::path& program,
                     const std::vector<std::string>& arguments,
                     const std::filesystem::path& workingDirectory)
{
    ChildProcess child(program, arguments, workingDirectory, StandardInput::Closed);
    return child.finish();
}

RunResult runShell(const std::string& script, const std::filesystem::path& workingDirectory)
{
    return runProgram("/bin/sh", { "-c", script }, workingDirectory);
}

RunResult runPngcheck(const std::filesystem::path& png)
{
    const std::filesystem::path pngcheck = "/usr/bin/pngcheck";
    if (!std::filesystem::exists(pngcheck))
        throw std::runtime_error("pngcheck is missing: run ./scripts/setup.sh");
    return runProgram(pngcheck, { png.string() },
                      png.parent_path().empty() ? "." : png.parent_path());
}

} // namespace beatplate::test
