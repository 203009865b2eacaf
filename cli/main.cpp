#include "cli.h"

#include <cstdio>

int main(int argc, char** argv)
{
    return vordanel::cli::run(std::vector<std::string>(argv, argv + argc), stdin, stdout, stderr);
}
