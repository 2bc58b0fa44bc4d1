#include "CommandLine.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
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
    std::signal(SIGINT, RequestStop);
    std::signal(SIGTERM, RequestStop);
#ifdef SIGPIPE
    // A reader that went away (`| head`) must not end the program in the middle of a file.
    std::signal(SIGPIPE, SIG_IGN);
#endif

    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        const sparrowtrim::cli::Terminals terminals = {.output = IsTerminal(stdout),
                                                       .error = IsTerminal(stderr)};
        return sparrowtrim::cli::RunCommandLine(args, std::cout, std::cerr, &g_StopRequested,
                                                terminals);
    } catch (const std::exception &error) {
        std::cerr << "sparrowtrim-cli: " << error.what() << '\n';
        return sparrowtrim::cli::kExitFailure;
    }
}
