// Loading a definition file through the portable reader must stay linear in its number
// of sections: the catalogue asks for every section by name and reads each one four
// times, so the reader's parse cache and section index carry the load. The figures to
// compare are items/s across 100, 1,000 and 10,000 sections, and the fitted big-O.
// tessmo-catalog must keep up with the loader: x_core_load is its whole check of a file
// (read, load, warnings, JSON) against one core load of the same file; goal <= 2, up to
// 200,000 sections.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "catalog/CatalogRun.h"
#include "common/Text.h"
#include "config/Catalogue.h"
#include "config/IniDocument.h"
#include "config/PortableProfileSource.h"

namespace {

// A section the way camera makers write them: name, number, free text, four options.
std::string DefinitionText(std::int64_t sections) {
    std::string text;
    for (std::int64_t i = 0; i < sections; ++i) {
        const std::string n = std::to_string(i);
        text += "[Param" + n + "]\r\n";
        text += "MainStr=Parameter " + n + "\r\n";
        text += "ParaIdx=" + std::to_string(i % 65535) + "\r\n";
        text += "ParaStr=free text " + n + "\r\n";
        text += "SubStr0=\"Off\"\r\nSubStr1=\"Low\"\r\nSubStr2=\"Medium\"\r\nSubStr3=\"High\"\r\n\r\n";
    }
    return text;
}

class TempDefinitionFile {
public:
    explicit TempDefinitionFile(const std::string& text) {
        std::random_device random;
        path_ =
            std::filesystem::temp_directory_path() / ("tessmo_bench_" + std::to_string(random()) + ".ini");
        std::ofstream(path_, std::ios::binary) << text;
    }
    TempDefinitionFile(const TempDefinitionFile&) = delete;
    TempDefinitionFile& operator=(const TempDefinitionFile&) = delete;
    ~TempDefinitionFile() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    std::u16string Path() const { return tessmo::FromUtf8(path_.string()); }
    std::string Bytes() const {
        std::string bytes(std::filesystem::file_size(path_), '\0');
        std::ifstream(path_, std::ios::binary).read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return bytes;
    }

private:
    std::filesystem::path path_;
};

// The sizes over which a cost is fitted to a straight line.
void LinearSizes(benchmark::internal::Benchmark* b) {
    b->Arg(100)->Arg(1'000)->Arg(10'000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
}

// A fresh source per load, so every iteration pays for reading and parsing the file
// as the tool does at start-up and after a camera removal.
void BM_LoadParamList(benchmark::State& state) {
    const std::int64_t sections = state.range(0);
    const TempDefinitionFile file(DefinitionText(sections));
    const std::u16string path = file.Path();
    for (auto _ : state) {
        tessmo::PortableProfileSource profile;
        tessmo::ParamList list;
        if (tessmo::LoadParamList(profile, path, list) != 1 ||
            list.size() != static_cast<std::size_t>(sections)) {
            state.SkipWithError("the definition file did not load whole");
            break;
        }
        benchmark::DoNotOptimize(list.data());
    }
    state.SetItemsProcessed(state.iterations() * sections);
    state.SetComplexityN(sections);
}
BENCHMARK(BM_LoadParamList)->Apply(LinearSizes);

// The parse alone, for comparison: what one load costs before the catalogue's reads.
void BM_ParseDefinitionText(benchmark::State& state) {
    const std::int64_t sections = state.range(0);
    const std::string text = DefinitionText(sections);
    for (auto _ : state) {
        const tessmo::IniDocument document = tessmo::IniDocument::Parse(text);
        benchmark::DoNotOptimize(document.Sections().data());
    }
    state.SetItemsProcessed(state.iterations() * sections);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
    state.SetComplexityN(sections);
}
BENCHMARK(BM_ParseDefinitionText)->Apply(LinearSizes);

// Processor time, not wall time: the machines that run this are often shared, and the
// ratio must not depend on what else runs meanwhile.
double CpuSecondsSince(std::clock_t start) {
    return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
}

double CoreLoadSeconds(const std::u16string& path) {
    const std::clock_t start = std::clock();
    tessmo::PortableProfileSource profile;
    tessmo::ParamList list;
    tessmo::LoadParamList(profile, path, list);
    benchmark::DoNotOptimize(list.data());
    return CpuSecondsSince(start);
}

// Each iteration times a core load and the check of the same file back to back, after an
// untimed load: the loader takes a file-sized buffer per section, so what the allocator
// has at hand (fresh address space or freed heap) weighs on both, and must be the same.
void BM_CatalogCheck(benchmark::State& state) {
    const std::int64_t sections = state.range(0);
    const TempDefinitionFile file(DefinitionText(sections));
    CoreLoadSeconds(file.Path());
    double coreSeconds = 0;
    double checkSeconds = 0;
    for (auto _ : state) {
        coreSeconds += CoreLoadSeconds(file.Path());
        const std::clock_t start = std::clock();
        const auto report = tessmo::catalog::CheckCatalogue(file.Bytes(), std::nullopt);
        benchmark::DoNotOptimize(report.json.data());
        checkSeconds += CpuSecondsSince(start);
    }
    state.counters["x_core_load"] = checkSeconds / coreSeconds;
    state.counters["check_s"] = checkSeconds / static_cast<double>(state.iterations());
    state.counters["core_load_s"] = coreSeconds / static_cast<double>(state.iterations());
    state.SetItemsProcessed(state.iterations() * sections);
}
BENCHMARK(BM_CatalogCheck)->Arg(1'000)->Arg(10'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CatalogCheck)->Arg(200'000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
