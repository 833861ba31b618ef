// Benchmarks of the location map: loading large map files, both translations, and saving.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "locmap50/VnLocMap.h"
#include "locmap50/VnLocMapFile.h"

namespace {

namespace fs = std::filesystem;

// Prefixes are named so that no environment variable overrides them.
std::string prefixName(long index) { return "$LOCMAP_BENCH_P" + std::to_string(index); }

// Every prefix has one hard path; every other one a second, as site maps do.
std::string generatedMapText(long prefixCount) {
    std::string text = "ZOR_LOCATION_MAP_2\n# generated for the benchmarks\n\n";
    for (long i = 0; i < prefixCount; ++i) {
        text += prefixName(i) + "\nC:\\projects\\area" + std::to_string(i) + "\n";
        if (i % 2 == 1) text += "\\\\server\\share\\area" + std::to_string(i) + "\n";
        text += "\n";
    }
    return text;
}

// A map file of prefixCount prefixes in the temporary directory, removed when done.
class GeneratedMapFile {
public:
    explicit GeneratedMapFile(long prefixCount)
        : m_path(fs::temp_directory_path() /
                 ("locmap50_bench_" + std::to_string(prefixCount) + ".map")) {
        std::ofstream(m_path, std::ios::binary) << generatedMapText(prefixCount);
    }
    ~GeneratedMapFile() {
        std::error_code ignored;
        fs::remove(m_path, ignored);
    }
    GeneratedMapFile(const GeneratedMapFile &) = delete;
    GeneratedMapFile &operator=(const GeneratedMapFile &) = delete;
    std::string path() const { return m_path.string(); }

private:
    fs::path m_path;
};

// Loads path as the main map file, as InitLocationMap does.
VnLocMap *loadMap(const std::string &path) {
    VnLocMap *map = VnLocMap::createMap();
    map->load(path, 1);
    return map;
}

void destroyMap() {
    if (VnLocMap::exists()) VnLocMap::createMap()->DestroyMap();
}

// Load time should grow linearly with the number of prefixes: the reader
// answers "already defined?" from a hash index, not by walking the order list.
void BM_LoadMap(benchmark::State &state) {
    GeneratedMapFile file(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(loadMap(file.path()));
        state.PauseTiming();
        destroyMap();
        state.ResumeTiming();
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_LoadMap)
    ->Arg(1000)->Arg(10000)->Arg(100000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

void BM_GetHardName(benchmark::State &state) {
    GeneratedMapFile file(1000);
    VnLocMap *map = loadMap(file.path());
    const std::string name = prefixName(500) + "\\x\\y.v";
    std::string hardName;
    for (auto _ : state) {
        benchmark::DoNotOptimize(map->getHardName(name, hardName));
    }
    destroyMap();
}
BENCHMARK(BM_GetHardName);

// Entries are tried in order of definition, so a path under the last prefix
// is the slowest to translate.
void BM_GetSoftNameLastPrefix(benchmark::State &state) {
    GeneratedMapFile file(1000);
    VnLocMap *map = loadMap(file.path());
    const std::string path = "C:\\projects\\area999\\x\\y.v";
    std::string softName;
    for (auto _ : state) {
        benchmark::DoNotOptimize(map->getSoftName(path, softName));
    }
    destroyMap();
}
BENCHMARK(BM_GetSoftNameLastPrefix)->Unit(benchmark::kMicrosecond);

// Rewrites the loaded file in place; its content stays the same map.
void BM_SaveMap(benchmark::State &state) {
    GeneratedMapFile file(10000);
    VnLocMap *map = loadMap(file.path());
    for (auto _ : state) {
        benchmark::DoNotOptimize(map->save(false));
    }
    destroyMap();
}
BENCHMARK(BM_SaveMap)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
