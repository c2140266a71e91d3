// morvane-batch: runs one find or replace task from the command line, without a window.

#include "u_BatchProgram.h"

#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> m_arrArguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    return morvane::RunBatchProgram(m_arrArguments, STDOUT_FILENO, STDERR_FILENO);
}
