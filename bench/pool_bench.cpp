// The pool against glibc malloc/free on three workloads, in one run; prints
// the ratio pool time / malloc time of each.
#include "MemMgr.h"
#include "utils.h"

#include "ratio_reporter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

struct Pool {
    static void* Get(int n) { return GetMem(n); }
    static void Put(void* p) { PutMem(p); }
};
struct Malloc {
    static void* Get(int n) { return std::malloc(static_cast<size_t>(n)); }
    static void Put(void* p) { std::free(p); }
};

struct ChurnPlan {
    std::vector<int> slot, size;
    ChurnPlan() {
        std::mt19937 rng(42);
        for (int i = 0; i < 1000000; ++i) {
            slot.push_back(static_cast<int>(rng() % 1024));
            size.push_back(1 + static_cast<int>(rng() % 256));
        }
    }
};
const ChurnPlan& Churn() {
    static const ChurnPlan plan;
    return plan;
}

template <typename A> void BM_Churn(benchmark::State& state) {
    const ChurnPlan& plan = Churn();
    std::vector<void*> live(1024, nullptr);
    for (auto _ : state) {
        for (size_t i = 0; i < plan.slot.size(); ++i) {
            void*& s = live[static_cast<size_t>(plan.slot[i])];
            void* p = A::Get(plan.size[i]);
            A::Put(s);
            s = p;
            benchmark::DoNotOptimize(p);
        }
        for (void*& s : live) {
            A::Put(s);
            s = nullptr;
        }
    }
}

struct ManyPlan {
    std::vector<int> size;
    std::vector<int> order;
    ManyPlan() {
        std::mt19937 rng(7);
        for (int i = 0; i < 200000; ++i) {
            size.push_back(32 + static_cast<int>(rng() % 169));
            order.push_back(i);
        }
        std::shuffle(order.begin(), order.end(), rng);
    }
};
const ManyPlan& Many() {
    static const ManyPlan plan;
    return plan;
}

template <typename A> void BM_ManyBlocks(benchmark::State& state) {
    const ManyPlan& plan = Many();
    std::vector<void*> live(plan.size.size());
    for (auto _ : state) {
        for (size_t i = 0; i < live.size(); ++i)
            live[i] = A::Get(plan.size[i]);
        for (int i : plan.order)
            A::Put(live[static_cast<size_t>(i)]);
    }
}

void BM_Strings_Pool(benchmark::State& state) {
    // A program always holds saved strings of its own (its name, its paths):
    // one stays alive, so that the block is not given back at every release.
    char* const held = SaveStr("%s", "setup");
    int i = 0;
    for (auto _ : state) {
        char* s = SaveStr("%s/%d", "queue", ++i);
        benchmark::DoNotOptimize(s);
        PutMem(s);
    }
    PutMem(held);
}

void BM_Strings_Malloc(benchmark::State& state) {
    int i = 0;
    for (auto _ : state) {
        char* s = nullptr;
        if (asprintf(&s, "%s/%d", "queue", ++i) < 0)
            state.SkipWithError("asprintf failed");
        benchmark::DoNotOptimize(s);
        std::free(s);
    }
}

BENCHMARK_TEMPLATE(BM_Churn, Pool)->Name("churn/pool")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Churn, Malloc)->Name("churn/malloc")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_ManyBlocks, Pool)->Name("many_blocks/pool")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_ManyBlocks, Malloc)
    ->Name("many_blocks/malloc")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Strings_Pool)->Name("strings/pool");
BENCHMARK(BM_Strings_Malloc)->Name("strings/malloc");

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter("ratio pool time / malloc time (goal: at most 2)",
                           {{"churn", "churn/pool", "churn/malloc"},
                            {"many_blocks", "many_blocks/pool", "many_blocks/malloc"},
                            {"strings", "strings/pool", "strings/malloc"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
