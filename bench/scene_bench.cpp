// SPDX-License-Identifier: MIT
// Times the scene's per-frame stages on a lattice in the middle of a wave,
// beside the memory floor: writing the two mesh arrays with memset. Prints
// calcme / floor at the end. Run through scripts/bench.sh.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "app/scene.h"
#include "camera/camera.h"
#include "lattice/lattice.h"

namespace {

constexpr unsigned SEED = 12345;
constexpr int RESTORE_EVERY = 64;  // frames before the snapshot comes back
constexpr int MIN_LIVE = 2500;     // cubes growing or shrinking in the snapshot

city snapshot[CITY_CELLS];
mycam rigsnapshot[CAM_COUNT];

int live() {
    int n = 0;
    for (const city &c : cityz) {
        n += c.state == CELL_GROWING || c.state == CELL_SHRINKING;
    }
    return n;
}

// Runs the real scene from start-up until a wave is in full swing.
void midwave() {
    initme();
    srand(SEED);
    whichcam = 1;
    while (live() < MIN_LIVE) {
        calcme();
    }
    memcpy(snapshot, cityz, sizeof cityz);
    memcpy(rigsnapshot, mycamz, sizeof mycamz);
}

void restore(benchmark::State &state) {
    state.PauseTiming();
    memcpy(cityz, snapshot, sizeof cityz);
    memcpy(mycamz, rigsnapshot, sizeof mycamz);
    vertexbuf();
    srand(SEED);
    state.ResumeTiming();
}

template <void (*Stage)()>
void BM_Stage(benchmark::State &state) {
    int frame = 0;
    for (auto _ : state) {
        if (frame++ % RESTORE_EVERY == 0) {
            restore(state);
        }
        Stage();
        benchmark::ClobberMemory();
    }
}

// The rig's cost does not depend on the lattice, so it runs on undisturbed.
void BM_RigStep(benchmark::State &state) {
    for (auto _ : state) {
        camstep();
        benchmark::ClobberMemory();
    }
}

void floor() {
    memset(city_verts, 0x3f, sizeof city_verts);
    memset(city_colors, 0x3f, sizeof city_colors);
}

// Everything a frame must write: the mesh, and a lattice's worth of records
// (into a spare copy, so the lattice itself is left alone).
city spare[CITY_CELLS];
void floorwithrecords() {
    floor();
    memset(spare, 0x3f, sizeof spare);
}

// calcme as processors without AVX2 run it: the plain stages.
void calcmeplain() {
    camstep();
    citystep();
    vertexbuf();
}

// The machine's noise only ever adds time: the fastest repetition is the
// steadiest figure.
double fastest(const std::vector<double> &v) {
    return *std::min_element(v.begin(), v.end());
}

BENCHMARK_TEMPLATE(BM_Stage, floor)->Name("floor_memset_mesh")->ComputeStatistics("min", fastest);
BENCHMARK(BM_RigStep)->Name("rig_step")->ComputeStatistics("min", fastest);
BENCHMARK_TEMPLATE(BM_Stage, citystep)->Name("lattice_step")->ComputeStatistics("min", fastest);
BENCHMARK_TEMPLATE(BM_Stage, vertexbuf)->Name("vertexbuf")->ComputeStatistics("min", fastest);
BENCHMARK_TEMPLATE(BM_Stage, calcme)->Name("calcme")->ComputeStatistics("min", fastest);
BENCHMARK_TEMPLATE(BM_Stage, calcmeplain)->Name("calcme_plain")->ComputeStatistics("min", fastest);
BENCHMARK_TEMPLATE(BM_Stage, floorwithrecords)
    ->Name("floor_memset_mesh_and_records")
    ->ComputeStatistics("min", fastest);

// Keeps each benchmark's time (the fastest repetition, when repeated) for
// the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> times;
    void ReportRuns(const std::vector<Run> &runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.run_type == Run::RT_Iteration ? !times.count(run.run_name.function_name)
                                                  : run.aggregate_name == "min") {
                times[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
    }
};

}  // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    midwave();
    printf("mid-wave lattice: %d live cubes\n", live());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double floortime = reporter.times["floor_memset_mesh"];
    if (floortime > 0.0) {
        for (const char *stage : {"rig_step", "lattice_step", "vertexbuf", "calcme", "calcme_plain",
                                  "floor_memset_mesh_and_records"}) {
            printf("%-29s / floor = %.2f\n", stage, reporter.times[stage] / floortime);
        }
    }
    benchmark::Shutdown();
    return 0;
}
