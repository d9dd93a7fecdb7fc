// DbmTGetRecord of random existing keys in a typed store of 10,000 records
// against gdbm_fetch on the same keys and data; prints the ratio of the times
// (record store / gdbm). The stores are made in a work directory next to the
// program and removed at the end.
#include "Dbm.h"
#include "MemMgr.h"
#include "utils.h"

#include "ratio_reporter.h"

#include <benchmark/benchmark.h>
#include <gdbm.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRecords = 10000;
constexpr int kLookups = 1 << 16;

struct Data {
    std::vector<std::string> keys;
    std::vector<std::string> texts;
    std::vector<int> order; // random indexes of existing keys
};

const Data& TheData() {
    static const Data data = [] {
        Data d;
        std::mt19937 rng(11);
        for (int i = 0; i < kRecords; ++i) {
            d.keys.push_back(std::to_string(20 + i % 11) + "_" + std::to_string(1000 + i));
            std::string text(8 + rng() % 120, ' ');
            for (char& c : text)
                c = static_cast<char>('a' + rng() % 26);
            text += '\0';
            d.texts.push_back(text);
        }
        for (int i = 0; i < kLookups; ++i)
            d.order.push_back(static_cast<int>(rng() % kRecords));
        return d;
    }();
    return data;
}

std::string& WorkDir() {
    static std::string dir;
    return dir;
}

// The typed store of the first n records, written once and opened in mode.
DbTHandle* OpenStore(int n, int mode) {
    static std::map<int, bool> made;
    const std::string name = "bench" + std::to_string(n);
    if (!made[n]) {
        DbTHandle* const w = DbTOpen(name.c_str(), DBT_DEFERWRITE);
        const Data& d = TheData();
        for (int i = 0; i < n; ++i)
            DbmTPutRecord(w, d.keys[i].c_str(), d.texts[i].data(),
                          static_cast<int>(d.texts[i].size()));
        if (!DbmTArchiveDb(w))
            std::fprintf(stderr, "dbm_bench: cannot write the store %s\n", name.c_str());
        DbTClose(w);
        made[n] = true;
    }
    return DbTOpen(name.c_str(), mode);
}

GDBM_FILE OpenGdbm() {
    const std::string path = WorkDir() + "/bench.gdbm";
    if (!std::filesystem::exists(path)) {
        GDBM_FILE w = gdbm_open(path.c_str(), 0, GDBM_NEWDB, 0644, nullptr);
        const Data& d = TheData();
        for (int i = 0; i < kRecords; ++i) {
            datum key{const_cast<char*>(d.keys[i].c_str()), static_cast<int>(d.keys[i].size() + 1)};
            datum val{const_cast<char*>(d.texts[i].data()), static_cast<int>(d.texts[i].size())};
            gdbm_store(w, key, val, GDBM_REPLACE);
        }
        gdbm_close(w);
    }
    return gdbm_open(path.c_str(), 0, GDBM_READER, 0, nullptr);
}

void RunStore(benchmark::State& state, int n, int mode) {
    DbTHandle* const h = OpenStore(n, mode);
    const Data& d = TheData();
    char buf[256];
    std::size_t i = 0;
    for (auto _ : state) {
        const int k = d.order[i++ % d.order.size()] % n;
        const int size = DbmTGetRecord(h, d.keys[k].c_str(), buf);
        benchmark::DoNotOptimize(size);
        benchmark::DoNotOptimize(buf[0]);
    }
    DbTClose(h);
}

void BM_Store(benchmark::State& state) {
    RunStore(state, kRecords, 0);
}

void BM_StoreKeepImage(benchmark::State& state) {
    RunStore(state, static_cast<int>(state.range(0)), DBT_KEEPIMAGE);
}

void BM_Gdbm(benchmark::State& state) {
    GDBM_FILE const db = OpenGdbm();
    const Data& d = TheData();
    std::size_t i = 0;
    for (auto _ : state) {
        const std::string& k = d.keys[d.order[i++ % d.order.size()]];
        const datum key{const_cast<char*>(k.c_str()), static_cast<int>(k.size() + 1)};
        const datum val = gdbm_fetch(db, key);
        benchmark::DoNotOptimize(val.dptr);
        std::free(val.dptr);
    }
    gdbm_close(db);
}

BENCHMARK(BM_Store)->Name("get/store");
BENCHMARK(BM_StoreKeepImage)->Name("get/store_keepimage")->Arg(1000)->Arg(kRecords);
BENCHMARK(BM_Gdbm)->Name("get/gdbm");

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    // A work directory beside the program, used as the tool directory and
    // as the current directory of the store's rewrite.
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    WorkDir() = (self.parent_path() / ("dbm_bench.work." + std::to_string(getpid()))).string();
    std::filesystem::create_directories(WorkDir());
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(WorkDir());
    pToolPath = WorkDir().data();

    const std::string keep = "get/store_keepimage/" + std::to_string(kRecords);
    RatioReporter reporter(
        "ratio DbmTGetRecord time / gdbm_fetch time, " + std::to_string(kRecords) +
            " records (goal: at most 2)",
        {{"reload check (mode 0)", "get/store", "get/gdbm"}, {"DBT_KEEPIMAGE", keep, "get/gdbm"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::filesystem::current_path(before);
    std::filesystem::remove_all(WorkDir());
    return 0;
}
