// The commands of qbtex. Each takes the arguments after its own name and
// returns the process exit code (0 success, 1 failure, 2 usage error).
#pragma once

struct QbtexCommand {
    const char* name;
    const char* usage;
    int (*run)(int argc, char** argv);
};
