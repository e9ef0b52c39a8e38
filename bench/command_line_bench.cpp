// command_line_bench.cpp: the whole command-line route, failing open included, over command lines
// of growing length; the time per byte must stay flat as the line grows.

#include <benchmark/benchmark.h>

#include <string>

#include "launcher/launch.h"
#include "platform/fake.h"

namespace {

// One-byte arguments up to the wanted length, with the failure text switch last, so that the
// switch search walks every argument.
std::string worst_case_line(std::size_t length)
{
    std::string line = "mailto addr@example.com";
    const std::string last = " /error=Could`1not`1open";
    while (line.size() + 2 + last.size() <= length) line += " x";
    return line + last;
}

void command_line_route(benchmark::State& state)
{
    const std::string line = worst_case_line(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        fake::reset();
        fake::set_command_line(line);
        fake::set_shell_result(2);
        benchmark::DoNotOptimize(launcher::run());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * line.size()));
    state.counters["ns_per_byte"] =
        benchmark::Counter(static_cast<double>(state.iterations() * line.size()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(command_line_route)->Arg(1024)->Arg(8 * 1024)->Arg(32767)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
