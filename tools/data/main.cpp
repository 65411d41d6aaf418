// brimvale-data OUTPUT_FOLDER: writes the demo data set (see tools/data/data_set.h).
#include <cstdio>
#include <string>

#include "data_set.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    std::string error;
    if (!demodata::WriteDataSet(argv[1], &error)) {
        std::fprintf(stderr, "brimvale-data: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
