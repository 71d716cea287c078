// Stands in for the console's menu inside the emulated test's root: a static host program, run
// by the host kernel when the emulator carries out the demo's execve. It records how it was
// started: the argument count, whether the only argument is the empty string the host kernel
// substitutes for an empty vector, the environment's size and the working directory.

#define _POSIX_C_SOURCE 200809L

#include <stdio.h>
#include <unistd.h>

int main(int argc, char** argv, char** envp) {
    int environment = 0;
    while (envp != NULL && envp[environment] != NULL) {
        ++environment;
    }
    char cwd[256];
    if (getcwd(cwd, sizeof cwd) == NULL) {
        cwd[0] = '\0';
    }
    FILE* record = fopen("/board/menu.txt", "w");
    if (record == NULL) {
        return 1;
    }
    fprintf(record, "argc=%d\nargv0_empty=%d\nenvironment=%d\ncwd=%s\n", argc,
            argc >= 1 && argv[0] != NULL && argv[0][0] == '\0', environment, cwd);
    return fclose(record) == 0 ? 0 : 1;
}
