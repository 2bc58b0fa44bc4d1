#include "CommandLine.h"

#include <exception>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char **argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        return sparrowtrim::cli::RunCommandLine(args, std::cout, std::cerr);
    } catch (const std::exception &error) {
        std::cerr << "sparrowtrim-cli: " << error.what() << '\n';
        return sparrowtrim::cli::kExitFailure;
    }
}
