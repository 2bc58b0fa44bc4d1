#include "cli/CommandLine.h"
#include "cli/DescriptorOutput.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

std::atomic<bool> g_StopRequested = false;
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

// The first interrupt lets the files in hand finish, so none is left half-replaced and no
// temporary file stays behind; a second one ends the program at once.
extern "C" void RequestStop(int signal)
{
    g_StopRequested = true;
    std::signal(signal, SIG_DFL);
}

void HandleSignals()
{
    std::signal(SIGINT, RequestStop);
    std::signal(SIGTERM, RequestStop);
#ifndef _WIN32
    // A closed terminal.
    std::signal(SIGHUP, RequestStop);
    // A reader that went away (`| head`) must not end the program in the middle of a file;
    // the failed write is reported instead.
    std::signal(SIGPIPE, SIG_IGN);
    // Beyond the file-size limit a write fails with its own error: that file fails, the run
    // goes on.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

// Standard input, output and error hold a file from the start, so that no photo or log opened
// later takes one of their numbers and receives what is meant for them. True when standard
// output was closed.
bool OccupyStandardDescriptors()
{
#ifdef _WIN32
    return false;
#else
    bool outputClosed = false;
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF)
            continue;
        outputClosed = outputClosed || fd == 1;
        // The lowest free number: the one just found closed.
        if (::open("/dev/null", O_RDWR) != fd)
            std::_Exit(sparrowtrim::cli::kExitFailure);
    }
    return outputClosed;
#endif
}

// Files waiting to be switched in hold their new bytes open, so fewer wait at once under a low
// open-file limit; the soft limit is raised toward the hard one first. Nothing here uses
// select(), so a higher limit costs nothing; the cap keeps it modest.
void RaiseOpenFileLimit()
{
#ifndef _WIN32
    constexpr rlim_t kEnough = 1024;
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= kEnough)
        return;
    limit.rlim_cur = std::min(limit.rlim_max, kEnough);
    ::setrlimit(RLIMIT_NOFILE, &limit);
#endif
}

// A photo read from standard input or written to standard output passes byte for byte.
void UseBinaryStandardStreams()
{
#ifdef _WIN32
    _setmode(0, _O_BINARY);
    _setmode(1, _O_BINARY);
#endif
}

bool IsTerminal(std::FILE *stream)
{
#ifdef _WIN32
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) != 0;
#endif
}

} // namespace

int main(int argc, char **argv)
{
    const bool outputClosed = OccupyStandardDescriptors();
    HandleSignals();
    RaiseOpenFileLimit();
    UseBinaryStandardStreams();

    sparrowtrim::cli::DescriptorOutput outputBuffer(1, outputClosed);
    std::ostream output(&outputBuffer);
    const std::vector<std::string> args(argv + 1, argv + argc);
    int status = sparrowtrim::cli::kExitFailure;
    try {
        const sparrowtrim::cli::Terminals terminals = {.output = IsTerminal(stdout),
                                                       .error = IsTerminal(stderr)};
        status = sparrowtrim::cli::RunCommandLine(args, output, std::cerr, &g_StopRequested,
                                                  terminals, &std::cin);
    } catch (const std::exception &error) {
        std::cerr << "sparrowtrim-cli: " << error.what() << '\n';
    }
    output.flush();
    if (outputBuffer.Error() != 0) {
        std::cerr << "sparrowtrim-cli: write error: " << std::strerror(outputBuffer.Error())
                  << '\n';
        status = sparrowtrim::cli::kExitFailure;
    }
    return status;
}
