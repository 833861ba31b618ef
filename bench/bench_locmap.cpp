// SPDX-License-Identifier: Apache-2.0
// Benchmarks of the location map against their floors, ending in a summary table of ratios and targets.
//
// Every ratio is taken from figures measured in the same run: the medians of
// the rounds (repetitions) of two benchmarks, thread CPU time unless the row
// says wall time; memory is measured once, first, in the fresh process.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <utility>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#include <unistd.h>
#endif

#include "Floors.h"
#include "GeneratedMap.h"
#include "Summary.h"
#include "locmap50/VnLocMap.h"
#include "locmap50/VnLocMapFile.h"
#include "locmap50/locmap50.h"
#include "support/GeneratedTree.h"

#if !defined(_WIN32)
extern char **environ;
#endif

namespace {

constexpr long kSmall = 10;
constexpr long kMedium = 1000;
constexpr long kTenThousand = 10000;
constexpr long kLarge = 100000;

VnLocMap *loadMap(const std::string &path) {
    VnLocMap *map = VnLocMap::createMap();
    map->load(path, 1);
    return map;
}

void destroyMap() {
    if (VnLocMap::exists()) VnLocMap::createMap()->DestroyMap();
}

// The lookup benchmarks share a loaded map while they ask the same one,
// which keeps the brief run in CI short.
VnLocMap *mapLoadedFrom(const std::string &path) {
    static std::string loadedPath;
    if (VnLocMap::exists() && loadedPath == path) return VnLocMap::createMap();
    destroyMap();
    loadedPath = path;
    return loadMap(path);
}

// The generated maps, written once and shared by the benchmarks.
const bench::GeneratedMap &generatedMap(long prefixCount) {
    static std::map<long, std::unique_ptr<bench::GeneratedMap>> maps;
    std::unique_ptr<bench::GeneratedMap> &map = maps[prefixCount];
    if (!map) map = std::make_unique<bench::GeneratedMap>(prefixCount);
    return *map;
}

std::size_t environmentSize() {
    std::size_t count = 0;
    for (char **entry = environ; entry != nullptr && *entry != nullptr; ++entry) ++count;
    return count;
}

// Tops the process environment up to at least `total` variables (holding tool
// paths, as real sessions do) and takes the additions away again.
class ExtraEnvironment {
public:
    explicit ExtraEnvironment(std::size_t total, const std::string &stem = "LOCMAP_BENCH_ENV_") {
        for (std::size_t i = 0; environmentSize() < total; ++i) {
            m_names.push_back(stem + std::to_string(i));
            setenv(m_names.back().c_str(), ("D:\\tools\\vendor\\package_" + std::to_string(i) + "\\bin").c_str(), 1);
        }
    }
    ~ExtraEnvironment() {
        for (const std::string &name : m_names) unsetenv(name.c_str());
    }
    ExtraEnvironment(const ExtraEnvironment &) = delete;
    ExtraEnvironment &operator=(const ExtraEnvironment &) = delete;

private:
    std::vector<std::string> m_names;
};

// ---- Hard to soft

void softName(benchmark::State &state, long prefixCount, const std::string &path) {
    // Fifty tool variables in the environment table, so that misses go through it too.
    ExtraEnvironment tools(environmentSize() + 50, "LOCMAP_BENCH_TOOL_");
    VnLocMap::fetchEnvVariables();
    VnLocMap *map = mapLoadedFrom(generatedMap(prefixCount).path());
    std::string result;
    for (auto _ : state) benchmark::DoNotOptimize(map->getSoftName(path, result));
}

// Where the prefix that holds a looked-up name stands in the map.
enum class Position { First, Middle, Last };

long prefixAt(long prefixCount, Position position) {
    if (position == Position::First) return 0;
    return position == Position::Middle ? prefixCount / 2 : prefixCount - 1;
}

// The name looked up: under the first hard path of the first and the middle
// prefix, under the last hard path of the last prefix (the last path the map
// defines).
std::string hardNameAt(long prefixCount, Position position) {
    const long index = prefixAt(prefixCount, position);
    return position == Position::Last ? bench::pathUnderLastHardPath(index) : bench::pathUnderFirstHardPath(index);
}

// The hard path known to hold that name.
std::string hardPathHolding(long prefixCount, Position position) {
    const long index = prefixAt(prefixCount, position);
    const bool last = position == Position::Last && bench::hasSecondHardPath(index);
    return last ? bench::secondHardPath(index) : bench::firstHardPath(index);
}

void softNameAt(benchmark::State &state, long prefixCount, Position position) {
    softName(state, prefixCount, hardNameAt(prefixCount, position));
}

// The floor of hard to soft: one case-blind compare of the name with the hard
// path known to hold it, both read from memory again each time.
void oneCompare(benchmark::State &state, long prefixCount, Position position) {
    std::string hardName = hardNameAt(prefixCount, position);
    std::string hardPath = hardPathHolding(prefixCount, position);
    for (auto _ : state) {
        benchmark::DoNotOptimize(hardName);
        benchmark::DoNotOptimize(hardPath);
        benchmark::DoNotOptimize(bench::caseBlindStartsWith(hardName, hardPath));
    }
}

// ---- Hard to soft over the generated tree, POSIX and Windows-style

using testsupport::GeneratedTree;
using testsupport::TreeStyle;

// The tree (data, not on disk) and its map file, written once per style.
struct TreeOnDisk {
    explicit TreeOnDisk(TreeStyle style)
        : tree(style),
          mapPath(std::filesystem::temp_directory_path() /
                  (style == TreeStyle::Posix ? "locmap50_bench_tree_posix.map" : "locmap50_bench_tree_windows.map")) {
        std::ofstream(mapPath, std::ios::binary) << tree.mapText();
    }
    ~TreeOnDisk() {
        std::error_code ignored;
        std::filesystem::remove(mapPath, ignored);
    }
    TreeOnDisk(const TreeOnDisk &) = delete;
    TreeOnDisk &operator=(const TreeOnDisk &) = delete;

    GeneratedTree tree;
    std::filesystem::path mapPath;
};

const TreeOnDisk &treeOnDisk(TreeStyle style) {
    static std::map<TreeStyle, std::unique_ptr<TreeOnDisk>> trees;
    std::unique_ptr<TreeOnDisk> &tree = trees[style];
    if (!tree) tree = std::make_unique<TreeOnDisk>(style);
    return *tree;
}

// Which files: every file in turn, or only those under the first entry of the
// map (the first tried), or only the others, which later entries take.
enum class TreeFiles { All, UnderFirstEntry, UnderLaterEntries };

std::vector<std::string> treeFiles(const GeneratedTree &tree, TreeFiles which) {
    if (which == TreeFiles::All) return tree.files();
    const std::string &first = tree.entries().front().hardPath + tree.separator();
    std::vector<std::string> files;
    for (const std::string &file : tree.files()) {
        const bool underFirst = file.compare(0, first.size(), first) == 0;
        if (underFirst == (which == TreeFiles::UnderFirstEntry)) files.push_back(file);
    }
    return files;
}

void treeSoftName(benchmark::State &state, TreeStyle style, TreeFiles which) {
    const TreeOnDisk &tree = treeOnDisk(style);
    VnLocMap *map = mapLoadedFrom(tree.mapPath.string());
    const std::vector<std::string> files = treeFiles(tree.tree, which);
    std::string result;
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(map->getSoftName(files[next], result));
        if (++next == files.size()) next = 0;
    }
}

void printTreeFigures() {
    const GeneratedTree &tree = treeOnDisk(TreeStyle::Posix).tree;
    std::size_t longest = 0;
    for (const std::string &file : tree.files()) longest = std::max(longest, file.size());
    std::printf("Generated tree: %zu directories, %zu files, %zu map entries, nested %zu levels deep, "
                "longest path %zu characters\n",
                tree.directories().size(), tree.files().size(), tree.entries().size(), tree.deepest(), longest);
}

// ---- Soft to hard

std::string softNameUnder(long index) {
    return bench::prefixName(index) + "\\src\\rtl\\top_module.v";
}

void hardNameClass(benchmark::State &state) {
    VnLocMap *map = mapLoadedFrom(generatedMap(kLarge).path());
    const std::string name = softNameUnder(kLarge - 1);
    std::string result;
    for (auto _ : state) benchmark::DoNotOptimize(map->getHardName(name, result));
}

void hardNameC(benchmark::State &state) {
    mapLoadedFrom(generatedMap(kLarge).path());
    const std::string name = softNameUnder(kLarge - 1);
    std::vector<char> buffer(4096);
    for (auto _ : state) benchmark::DoNotOptimize(GetHardName(name.c_str(), buffer.data()));
}

void hardNameFloor(benchmark::State &state) {
    bench::FloorMap floor;
    bench::readFloorMap(generatedMap(kLarge).path(), floor);
    const auto primaries = bench::floorPrimaries(floor);
    const std::string name = softNameUnder(kLarge - 1);
    std::string result;
    for (auto _ : state) benchmark::DoNotOptimize(bench::floorHardName(primaries, name, result));
}

// Lookups through the C interface from state.threads() threads at once, each
// a GetHardName and a GetSoftName of prefixes spread over a 100,000-prefix map.
void lookupsC(benchmark::State &state) {
    if (state.thread_index() == 0) mapLoadedFrom(generatedMap(kLarge).path());
    std::vector<std::pair<std::string, std::string>> names;
    for (long i = state.thread_index(); i < kLarge; i += kLarge / 64)
        names.emplace_back(softNameUnder(i), bench::pathUnderFirstHardPath(i));
    std::vector<char> buffer(4096);
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetHardName(names[next].first.c_str(), buffer.data()));
        benchmark::DoNotOptimize(GetSoftName(names[next].second.c_str(), buffer.data()));
        if (++next == names.size()) next = 0;
    }
}

// ---- Loading

void load(benchmark::State &state, long prefixCount) {
    const std::string path = generatedMap(prefixCount).path();
    destroyMap();
    for (auto _ : state) {
        benchmark::DoNotOptimize(loadMap(path));
        state.PauseTiming();
        destroyMap();
        state.ResumeTiming();
    }
}

// A chain of fileCount files, each including the next: the include walk's
// work must grow with the chain's length alone.
void loadChain(benchmark::State &state, long fileCount) {
    static std::map<long, std::unique_ptr<bench::GeneratedChain>> chains;
    std::unique_ptr<bench::GeneratedChain> &chain = chains[fileCount];
    if (!chain) chain = std::make_unique<bench::GeneratedChain>(fileCount);
    destroyMap();
    for (auto _ : state) {
        benchmark::DoNotOptimize(loadMap(chain->path()));
        state.PauseTiming();
        destroyMap();
        state.ResumeTiming();
    }
}

// The same files read into a floor (bench::FloorMap or bench::TablesFloor),
// freed outside the timing as the loaded map is.
template <typename Floor, void (*readFloor)(const std::string &, Floor &)>
void loadFloor(benchmark::State &state, long prefixCount) {
    const std::string path = generatedMap(prefixCount).path();
    for (auto _ : state) {
        Floor floor;
        readFloor(path, floor);
        benchmark::DoNotOptimize(floor);
        state.PauseTiming();
        floor = Floor();
        state.ResumeTiming();
    }
}

void loadWithEnvironment(benchmark::State &state, std::size_t variables) {
    ExtraEnvironment environment(variables);
    load(state, kLarge);
}

// ---- Editing

// Every entry deleted through the C interface, in a shuffled (fixed) order.
void deleteEverything(benchmark::State &state) {
    const std::string path = generatedMap(kLarge).path();
    std::vector<std::string> names;
    for (long i = 0; i < kLarge; ++i) names.push_back(bench::prefixName(i));
    std::shuffle(names.begin(), names.end(), std::mt19937(20261207));
    destroyMap();
    for (auto _ : state) {
        state.PauseTiming();
        loadMap(path);
        state.ResumeTiming();
        for (const std::string &name : names) ChangeEntry(name.c_str(), nullptr, 2);
        state.PauseTiming();
        destroyMap();
        state.ResumeTiming();
    }
}

// One edit of a map with comments, then a save: keeping the layout (only the
// main file, which the edit concerns, is written) or in the standard layout
// (every file). The edit alternates between two values so that every save has
// something to write.
void saveAfterOneEdit(benchmark::State &state, long prefixCount, bool keepingLayout) {
    const bench::GeneratedMap copy(prefixCount, keepingLayout ? "locmap50_bench_layout_" : "locmap50_bench_standard_");
    destroyMap();
    VnLocMap *map = loadMap(copy.path());
    const std::string softPrefix = bench::prefixName(prefixCount / 4);
    const std::string values[] = {bench::firstHardPath(prefixCount / 4) + "`", "E:\\edited\\value`"};
    long round = 0;
    for (auto _ : state) {
        map->changeEntry(softPrefix, values[++round % 2]);
        benchmark::DoNotOptimize(keepingLayout ? map->saveKeepingLayout() : map->save(false));
    }
    destroyMap();
}

std::string fileText(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The bytes a standard save after one edit writes, file by file, each to be
// written again under a name of the floor's own.
bench::FileBytes standardSaveBytes(long prefixCount) {
    const bench::GeneratedMap copy(prefixCount, "locmap50_bench_saved_");
    destroyMap();
    VnLocMap *map = loadMap(copy.path());
    map->changeEntry(bench::prefixName(prefixCount / 4), "E:\\edited\\value`");
    map->save(false);
    destroyMap();
    bench::FileBytes files;
    for (const std::string &path : {copy.path(), copy.includedPath()}) {
        const std::string name = std::filesystem::path(path).filename().string();
        files.emplace_back((std::filesystem::temp_directory_path() / ("locmap50_bench_floor_" + name)).string(),
                           fileText(path));
    }
    return files;
}

// The floor of a standard save: fwrite + fsync of the same bytes.
void saveFloor(benchmark::State &state, long prefixCount) {
    const bench::FileBytes files = standardSaveBytes(prefixCount);
    for (auto _ : state) benchmark::DoNotOptimize(bench::writeAndSync(files));
    for (const auto &file : files) std::remove(file.first.c_str());
}

// ---- Memory

struct MemoryUse {
    double residentBytes = -1;  // growth of the resident set
    double heapBytes = -1;      // growth of the live heap
};

#if defined(__GLIBC__)
double residentBytes() {
    long pages = 0, resident = 0;
    if (FILE *statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(statm);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}
// Small blocks in the heap and large ones mapped on their own (the indexes' arrays).
double liveHeapBytes() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd);
}
// What building something costs in memory, per prefix, freed pages returned first.
template <typename Build>
MemoryUse memoryPerPrefix(long prefixCount, Build &&build) {
    malloc_trim(0);
    const double residentBefore = residentBytes();
    const double heapBefore = liveHeapBytes();
    auto built = build();
    malloc_trim(0);
    MemoryUse use;
    use.residentBytes = (residentBytes() - residentBefore) / static_cast<double>(prefixCount);
    use.heapBytes = (liveHeapBytes() - heapBefore) / static_cast<double>(prefixCount);
    benchmark::DoNotOptimize(built);
    return use;
}
#else
template <typename Build>
MemoryUse memoryPerPrefix(long, Build &&) {
    return MemoryUse();
}
#endif

// The library against the public tables alone, at one size.
struct MemoryBeyondTables {
    MemoryUse map;
    MemoryUse tables;
};

struct MemoryFigures {
    MemoryUse map;
    MemoryUse floor;
    MemoryBeyondTables beyondTablesLarge;
    MemoryBeyondTables beyondTablesTenThousand;
};

MemoryUse tablesFloorMemory(long prefixCount) {
    const std::string path = generatedMap(prefixCount).path();
    return memoryPerPrefix(prefixCount, [&] {
        auto tables = std::make_unique<bench::TablesFloor>();
        bench::readTablesFloor(path, *tables);
        return tables;
    });
}

MemoryFigures measureMemory() {
    const std::string path = generatedMap(kLarge).path();
    const std::string pathTenThousand = generatedMap(kTenThousand).path();
    MemoryFigures figures;
    figures.map = memoryPerPrefix(kLarge, [&] { return loadMap(path); });
    destroyMap();
    figures.floor = memoryPerPrefix(kLarge, [&] {
        auto floor = std::make_unique<bench::FloorMap>();
        bench::readFloorMap(path, *floor);
        return floor;
    });
    figures.beyondTablesLarge.map = figures.map;
    figures.beyondTablesLarge.tables = tablesFloorMemory(kLarge);
    figures.beyondTablesTenThousand.map = memoryPerPrefix(kTenThousand, [&] { return loadMap(pathTenThousand); });
    destroyMap();
    figures.beyondTablesTenThousand.tables = tablesFloorMemory(kTenThousand);
    return figures;
}

// ---- Registration and summary

void registerBenchmarks() {
    using benchmark::RegisterBenchmark;
    using bench::pathUnderFirstHardPath;
    using bench::pathUnderLastHardPath;
    const std::string miss = "E:\\scratch\\users\\someone\\tmp\\build\\out\\top_module.v";
    const std::pair<const char *, Position> positions[] = {
        {"first", Position::First}, {"mid", Position::Middle}, {"last", Position::Last}};
    for (const long prefixCount : {kSmall, kMedium, kLarge})
        for (const auto &[label, position] : positions) {
            const std::string row = std::string(label) + "_of_" + std::to_string(prefixCount);
            RegisterBenchmark(("soft_" + row).c_str(), softNameAt, prefixCount, position);
            RegisterBenchmark(("compare_" + row).c_str(), oneCompare, prefixCount, position);
        }
    RegisterBenchmark("soft_environment_100000", softName, kLarge,
                      std::string("D:\\tools\\vendor\\package_7\\bin\\run.exe"));
    RegisterBenchmark("soft_miss_100000", softName, kLarge, miss);
    RegisterBenchmark("tree_soft_posix", treeSoftName, TreeStyle::Posix, TreeFiles::All);
    RegisterBenchmark("tree_soft_windows", treeSoftName, TreeStyle::Windows, TreeFiles::All);
    RegisterBenchmark("tree_soft_posix_first", treeSoftName, TreeStyle::Posix, TreeFiles::UnderFirstEntry);
    RegisterBenchmark("tree_soft_posix_later", treeSoftName, TreeStyle::Posix, TreeFiles::UnderLaterEntries);
    RegisterBenchmark("tree_soft_windows_first", treeSoftName, TreeStyle::Windows, TreeFiles::UnderFirstEntry);
    RegisterBenchmark("tree_soft_windows_later", treeSoftName, TreeStyle::Windows, TreeFiles::UnderLaterEntries);
    RegisterBenchmark("hard_class_100000", hardNameClass);
    RegisterBenchmark("hard_c_100000", hardNameC);
    RegisterBenchmark("hard_floor_100000", hardNameFloor);
    RegisterBenchmark("lookups_c_100000_threads_1", lookupsC)->Threads(1)->UseRealTime();
    RegisterBenchmark("lookups_c_100000_threads_2", lookupsC)->Threads(2)->UseRealTime();
    RegisterBenchmark("load_1000", load, kMedium)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("load_100000", load, kLarge)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("load_floor_100000", loadFloor<bench::FloorMap, bench::readFloorMap>, kLarge)->Unit(benchmark::kMillisecond);
    const auto loadTablesFloor = loadFloor<bench::TablesFloor, bench::readTablesFloor>;
    RegisterBenchmark("load_10000", load, kTenThousand)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("load_tables_floor_1000", loadTablesFloor, kMedium)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("load_tables_floor_10000", loadTablesFloor, kTenThousand)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("load_tables_floor_100000", loadTablesFloor, kLarge)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("load_chain_10000", loadChain, kTenThousand)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("load_chain_100000", loadChain, kLarge)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("load_100000_env_50", loadWithEnvironment, std::size_t(50))->Unit(benchmark::kMillisecond);
    RegisterBenchmark("load_100000_env_5000", loadWithEnvironment, std::size_t(5000))->Unit(benchmark::kMillisecond);
    RegisterBenchmark("delete_all_100000", deleteEverything)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("save_standard_10000", saveAfterOneEdit, kTenThousand, false)->Unit(benchmark::kMillisecond)->UseRealTime();
    RegisterBenchmark("save_floor_10000", saveFloor, kTenThousand)->Unit(benchmark::kMillisecond)->UseRealTime();
    RegisterBenchmark("save_keeping_layout_100000", saveAfterOneEdit, kLarge, true)->Unit(benchmark::kMillisecond)->UseRealTime();
    RegisterBenchmark("save_standard_100000", saveAfterOneEdit, kLarge, false)->Unit(benchmark::kMillisecond)->UseRealTime();
}

double ratio(double numerator, double denominator) {
    return numerator < 0 || denominator <= 0 ? -1.0 : numerator / denominator;
}

std::string pair(const std::string &a, double aNanoseconds, const std::string &b, double bNanoseconds) {
    return a + " " + bench::formatTime(aNanoseconds) + " / " + b + " " + bench::formatTime(bNanoseconds);
}

std::string bytes(double value) {
    return value < 0 ? std::string("-") : std::to_string(static_cast<long>(value + 0.5)) + " B";
}

double difference(double a, double b) {
    return a < 0 || b < 0 ? -1.0 : a - b;
}

using bench::Clock;

// A row of two benchmarks: the ratio of their medians, and beside it each
// one's median and range over the rounds.
bench::SummaryRow ratioRow(const bench::CollectingReporter &r, const std::string &what, double limit,
                           const std::string &aLabel, const std::string &a, const std::string &bLabel,
                           const std::string &b, Clock clock = Clock::ThreadCpu) {
    const bench::Rounds aRounds = r.rounds(a, clock);
    const bench::Rounds bRounds = r.rounds(b, clock);
    return {what, ratio(aRounds.median, bRounds.median), limit, "x",
            aLabel + " " + bench::formatRounds(aRounds) + " / " + bLabel + " " + bench::formatRounds(bRounds)};
}

// Hard to soft at each size and place of the holding prefix, against one
// case-blind compare of the same name with the hard path holding it.
void addOneCompareRows(std::vector<bench::SummaryRow> &rows, const bench::CollectingReporter &r) {
    const std::pair<const char *, const char *> sizes[] = {{"10", "10"}, {"1,000", "1000"}, {"100,000", "100000"}};
    for (const auto &[label, count] : sizes)
        for (const char *position : {"first", "mid", "last"}) {
            const std::string row = std::string(position) + "_of_" + count;
            rows.push_back(ratioRow(r, std::string("Hard to soft, ") + position + " of " + label + " / one compare", 3,
                                    "lookup", "soft_" + row, "compare", "compare_" + row));
        }
}

// Load time against the public-tables floor: what the library adds to the
// tables its interface makes it fill.
void addTablesFloorRows(std::vector<bench::SummaryRow> &rows, const bench::CollectingReporter &r) {
    const std::pair<const char *, const char *> sizes[] = {{"1,000", "1000"}, {"10,000", "10000"}, {"100,000", "100000"}};
    for (const auto &[label, count] : sizes)
        rows.push_back(ratioRow(r, std::string("Load ") + label + " / public-tables floor", 1.3, "load",
                                std::string("load_") + count, "tables", std::string("load_tables_floor_") + count));
    // How much more a prefix costs in a large map than in a small one, against
    // the same growth of the floor.
    const auto growth = [&](const std::string &stem) {
        const double large = r.nanoseconds(stem + "100000"), medium = r.nanoseconds(stem + "1000");
        return ratio(large / kLarge, medium / kMedium);
    };
    const double loadGrowth = growth("load_"), floorGrowth = growth("load_tables_floor_");
    rows.push_back({"Load per prefix, 100,000 over 1,000 / the same for the public-tables floor",
                    ratio(loadGrowth, floorGrowth), 1.2, "x",
                    "load grows " + bench::fixed(loadGrowth, 2) + "x, floor " + bench::fixed(floorGrowth, 2) + "x"});
}

// Memory the library holds beyond the public tables: its indexes, records and
// the rest, at most 64 B a prefix beside the about 1,200 B of the tables.
bench::SummaryRow memoryBeyondTablesRow(const char *label, const MemoryBeyondTables &memory, bool informational) {
    return {std::string("Resident bytes per prefix beyond the public tables, ") + label,
            difference(memory.map.residentBytes, memory.tables.residentBytes), 64, " B",
            "live heap beyond " + bytes(difference(memory.map.heapBytes, memory.tables.heapBytes)) +
                "; library resident " + bytes(memory.map.residentBytes) + ", live heap " +
                bytes(memory.map.heapBytes) + "; tables resident " + bytes(memory.tables.residentBytes) +
                ", live heap " + bytes(memory.tables.heapBytes),
            informational};
}

// Lookups per second through the C interface with two threads against one,
// each the best of its wall-time rounds.
bench::SummaryRow threadsRow(const bench::CollectingReporter &r) {
    const bench::Rounds one = r.rounds("lookups_c_100000_threads_1", Clock::Wall);
    const bench::Rounds two = r.rounds("lookups_c_100000_threads_2", Clock::Wall);
    // Each iteration is two lookups; rounds in nanoseconds per iteration.
    const auto perSecond = [](double nanoseconds) {
        return nanoseconds <= 0 ? std::string("-") : bench::fixed(2e9 / nanoseconds / 1e6, 2) + " M/s";
    };
    return {"Lookups per second, 100,000, C interface: 2 threads / 1 (best of the rounds, wall time)",
            ratio(one.least, two.least), 1.8, "x",
            "2 threads " + perSecond(two.least) + " (" + perSecond(two.most) + "-" + perSecond(two.least) +
                ") / 1 thread " + perSecond(one.least) + " (" + perSecond(one.most) + "-" + perSecond(one.least) + ")",
            false, true};
}

std::vector<bench::SummaryRow> summaryRows(const bench::CollectingReporter &r, const MemoryFigures &memory) {
    const auto t = [&](const char *name) { return r.nanoseconds(name); };
    std::vector<bench::SummaryRow> rows;
    addOneCompareRows(rows, r);
    rows.push_back(ratioRow(r, "Hard to soft: last of 100,000 prefixes / first of 10", 3, "last", "soft_last_of_100000",
                            "first", "soft_first_of_10"));
    const double slowest = std::max({t("soft_first_of_100000"), t("soft_last_of_100000"),
                                     t("soft_environment_100000"), t("soft_miss_100000")});
    rows.push_back({"Hard to soft: slowest lookup (first, last, environment, miss) / getHardName, 100,000", ratio(slowest, t("hard_class_100000")), 5, "x",
                    pair("slowest", slowest, "getHardName", t("hard_class_100000"))});
    rows.push_back(ratioRow(r, "Hard to soft, generated tree, every file: POSIX / Windows-style", 1.5, "POSIX",
                            "tree_soft_posix", "Windows", "tree_soft_windows"));
    rows.push_back(ratioRow(r, "Hard to soft, generated POSIX tree: files of later entries / of the first", 3, "later",
                            "tree_soft_posix_later", "first", "tree_soft_posix_first"));
    rows.push_back(ratioRow(r, "Hard to soft, generated Windows-style tree: files of later entries / of the first", 3,
                            "later", "tree_soft_windows_later", "first", "tree_soft_windows_first"));
    rows.push_back(ratioRow(r, "Soft to hard: getHardName / floor, 100,000", 1.5, "class", "hard_class_100000", "floor",
                            "hard_floor_100000"));
    rows.push_back(ratioRow(r, "Soft to hard: C GetHardName / getHardName", 1.2, "C", "hard_c_100000", "class",
                            "hard_class_100000"));
    addTablesFloorRows(rows, r);
    rows.push_back(ratioRow(r, "Load 100,000 / floor", 4, "load", "load_100000", "floor", "load_floor_100000"));
    rows.push_back({"Load of an include chain per file, 100,000 files / 10,000",
                    ratio(t("load_chain_100000") / kLarge, t("load_chain_10000") / kTenThousand), 2, "x",
                    pair("100,000", t("load_chain_100000"), "10,000", t("load_chain_10000"))});
    rows.push_back(ratioRow(r, "Load 100,000 with 5,000 / 50 environment variables", 1.2, "5,000", "load_100000_env_5000",
                            "50", "load_100000_env_50"));
    rows.push_back(ratioRow(r, "Delete all 100,000 one by one / load", 3, "delete", "delete_all_100000", "load",
                            "load_100000"));
    rows.push_back(memoryBeyondTablesRow("100,000", memory.beyondTablesLarge, false));
    rows.push_back(memoryBeyondTablesRow("10,000", memory.beyondTablesTenThousand, true));
    rows.push_back({"Resident bytes per prefix, 100,000 (index included)", memory.map.residentBytes, 1000, " B",
                    "live heap " + bytes(memory.map.heapBytes) + "; floor resident " + bytes(memory.floor.residentBytes) +
                        ", live heap " + bytes(memory.floor.heapBytes)});
    rows.push_back(ratioRow(r, "Standard save after one edit, 10,000 / fwrite + fsync of the same bytes (wall time)", 3,
                            "save", "save_standard_10000", "fwrite + fsync", "save_floor_10000", Clock::Wall));
    rows.push_back(ratioRow(r, "Save after one edit, 100,000 with comments: keeping the layout / standard (wall time)",
                            1.2, "keeping", "save_keeping_layout_100000", "standard", "save_standard_100000",
                            Clock::Wall));
    rows.push_back(threadsRow(r));
    return rows;
}

}  // namespace

int main(int argc, char **argv) {
    const MemoryFigures memory = measureMemory();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    registerBenchmarks();
    bench::CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    destroyMap();
    benchmark::Shutdown();
    printTreeFigures();
    std::printf("\nFor getSoftName under the last of 1,000 prefixes: %s\n",
                bench::formatTime(reporter.nanoseconds("soft_last_of_1000")).c_str());
    bench::printSummary(summaryRows(reporter, memory));
    return 0;
}
