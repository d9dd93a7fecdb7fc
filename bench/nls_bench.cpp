// Message lookup: NlsFetchString against glibc's catgets on a catalogue of
// the same 1,000 messages (set 25, numbers 1 to 1000), fetched in the same
// random order; prints the ratio fetch time / catgets time.
//
// Each step fetches a message and reads its text once (its length), as a
// caller that shows it does: catgets hands out a pointer into its catalogue
// without reading the text, NlsFetchString copies the text into the caller's
// buffer. "catgets/pointer" measures the bare pointer for comparison.
//
// At start the benchmark writes its catalogue into the build tree
// (bench-nls/): the typed store db/en_US/Bench.xdb under a tool directory,
// and Bench.cat made by gencat from the same texts.
#include "MemMgr.h"
#include "NlsUtils.h"

#include "ratio_reporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <nl_types.h>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kSet = 25;
constexpr int kMessages = 1000;

std::string benchDir;
std::string toolDir;
std::vector<std::string> texts; // texts[n - 1]: message n
std::vector<int> order;         // message numbers in the order fetched
DbTHandle* store = nullptr;     // opened by NlsOpenDB with mode 0
DbTHandle* keptStore = nullptr; // opened with DBT_KEEPIMAGE
nl_catd catalogue = reinterpret_cast<nl_catd>(-1);

[[noreturn]] void Fail(const std::string& why) {
    std::fprintf(stderr, "nls_bench: %s\n", why.c_str());
    std::exit(1);
}

void MakeTexts() {
    std::mt19937 rng(2024);
    const char* const words[] = {"printer", "queue",  "the",       "settings", "file",
                                 "value",   "%s",     "selection", "number",   "%d",
                                 "help",    "return", "menu",      "entry",    "page"};
    for (int n = 1; n <= kMessages; ++n) {
        std::string text = "Message " + std::to_string(n);
        const int count = 3 + static_cast<int>(rng() % 10);
        for (int w = 0; w < count; ++w)
            text += std::string(" ") + words[rng() % std::size(words)];
        texts.push_back(text);
    }
    for (int i = 0; i < 100000; ++i)
        order.push_back(1 + static_cast<int>(rng() % kMessages));
}

// The typed store, made in memory by the record store and written out whole.
void WriteStore() {
    const std::string dir = toolDir + "/db/en_US";
    std::filesystem::create_directories(dir);
    const std::string path = dir + "/Bench.xdb";
    DbTHandle* const h = DbTOpen(path.c_str(), DBT_KEEPIMAGE | DBT_DEFERWRITE);
    if (!h)
        Fail("no memory for the store");
    for (int n = 1; n <= kMessages; ++n) {
        const std::string key = std::to_string(kSet) + "_" + std::to_string(n);
        const std::string& text = texts[static_cast<std::size_t>(n - 1)];
        if (!DbmTPutRecord(h, key.c_str(), text.c_str(), static_cast<int>(text.size()) + 1))
            Fail("cannot store " + key);
    }
    UpdateHeader(h);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(h->pImage, h->ImageSize);
    out.close();
    if (!out)
        Fail("cannot write " + path);
    DbTClose(h);
}

void WriteCatalogue() {
    const std::string source = benchDir + "/Bench.msg";
    const std::string cat = benchDir + "/Bench.cat";
    {
        std::ofstream out(source, std::ios::trunc);
        out << "$set " << kSet << "\n";
        for (int n = 1; n <= kMessages; ++n)
            out << n << " " << texts[static_cast<std::size_t>(n - 1)] << "\n";
        if (!out)
            Fail("cannot write " + source);
    }
    std::filesystem::remove(cat);
    const pid_t pid = fork();
    if (pid < 0)
        Fail("fork failed");
    if (pid == 0) {
        execlp("gencat", "gencat", cat.c_str(), source.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        Fail("gencat failed (it comes with libc-bin)");
    catalogue = catopen(cat.c_str(), 0);
    if (catalogue == reinterpret_cast<nl_catd>(-1))
        Fail("catopen failed for " + cat);
}

void Setup() {
    benchDir = std::string(ZORVO_BINARY_DIR) + "/bench-nls";
    toolDir = benchDir + "/tool";
    std::filesystem::create_directories(toolDir);
    MakeTexts();
    WriteStore();
    WriteCatalogue();
    pToolPath = toolDir.data();
    unsetenv("LANG");
    store = NlsOpenDB("Bench", 0);
    keptStore = NlsOpenDB("Bench", DBT_KEEPIMAGE);
    if (!store || !keptStore)
        Fail("NlsOpenDB failed");
    // Both give the same texts.
    char buf[NLS_FETCH_SIZE];
    for (int n = 1; n <= kMessages; ++n) {
        const std::string& text = texts[static_cast<std::size_t>(n - 1)];
        NlsFetchString(store, buf, 0, kSet, n);
        const char* const cat = catgets(catalogue, kSet, n, "missing");
        if (text != buf || text != cat)
            Fail("message " + std::to_string(n) + " differs");
    }
}

void BM_Fetch(benchmark::State& state, DbTHandle** h) {
    char buf[NLS_FETCH_SIZE];
    std::size_t i = 0;
    for (auto _ : state) {
        const char* const text = NlsFetchString(*h, buf, 0, kSet, order[i]);
        benchmark::DoNotOptimize(std::strlen(text));
        if (++i == order.size())
            i = 0;
    }
}

void BM_FetchSaved(benchmark::State& state) {
    std::size_t i = 0;
    for (auto _ : state) {
        char* const text = NlsFetchString(keptStore, nullptr, 0, kSet, order[i]);
        benchmark::DoNotOptimize(std::strlen(text));
        PutMem(text);
        if (++i == order.size())
            i = 0;
    }
}

void BM_Catgets(benchmark::State& state) {
    std::size_t i = 0;
    for (auto _ : state) {
        const char* const text = catgets(catalogue, kSet, order[i], "missing");
        benchmark::DoNotOptimize(std::strlen(text));
        if (++i == order.size())
            i = 0;
    }
}

void BM_CatgetsPointer(benchmark::State& state) {
    std::size_t i = 0;
    for (auto _ : state) {
        char* const text = catgets(catalogue, kSet, order[i], "missing");
        benchmark::DoNotOptimize(text);
        if (++i == order.size())
            i = 0;
    }
}

BENCHMARK_CAPTURE(BM_Fetch, kept, &keptStore)->Name("fetch/buffer");
BENCHMARK_CAPTURE(BM_Fetch, reloading, &store)->Name("fetch/buffer_reload_check");
BENCHMARK(BM_FetchSaved)->Name("fetch/saved");
BENCHMARK(BM_Catgets)->Name("catgets");
BENCHMARK(BM_CatgetsPointer)->Name("catgets/pointer");

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Setup();
    RatioReporter reporter("ratio NlsFetchString time / catgets time (goal: at most 2)",
                           {{"fetch/buffer", "fetch/buffer", "catgets"},
                            {"fetch/buffer_reload_check", "fetch/buffer_reload_check", "catgets"},
                            {"fetch/saved", "fetch/saved", "catgets"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    catclose(catalogue);
    return 0;
}
