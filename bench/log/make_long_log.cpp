// Writes a long recorder-shaped log for the performance figures:
//   make_long_log ROWS FILE    (FILE "-" for standard output)
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/log/long_log.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_long_log ROWS FILE\n");
        return 2;
    }
    const long long rows = std::atoll(argv[1]);
    const std::string path = argv[2];
    std::FILE* out = path == "-" ? stdout : std::fopen(path.c_str(), "wb");
    if (rows <= 0 || out == nullptr) {
        std::fprintf(stderr, "make_long_log: cannot write %s rows to %s\n", argv[1], argv[2]);
        return rows <= 0 ? 2 : 1;
    }
    const bool written = log_test::writeLongLog(out, rows);
    if ((out != stdout && std::fclose(out) != 0) || !written) {
        std::fprintf(stderr, "make_long_log: writing %s failed\n", argv[2]);
        return 1;
    }
    return 0;
}
