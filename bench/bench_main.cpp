#include "bench/bench_files.h"

int main(int argc, char** argv) {
    zoro::RegisterBmpBenchmarks();
    zoro::RegisterCropBenchmarks();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
